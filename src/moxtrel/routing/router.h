// Router: a provider that sends each path to the backend that serves its first name, so one
// process can manage this computer's real accounts and a domain from a seed (or, later, LDAP)
// side by side. Names compare without regard to case.
//
//   auto router = std::make_shared<Router>();
//   router->AddDomain(u"HARBOR", MemoryDirectory::FromFile("harbor.json"));
//   router->AddComputer(u"vm", files_backend);
//   directory::SetCurrentProvider(router);
//
// A path whose first name is a domain D goes to D's backend, except that a computer C named
// inside it ("WinNT://D/C,computer", "WinNT://D/C/alice,user") goes to C's backend when C has
// one. A name that no backend serves is an error that lists the names that are served.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/directory/provider.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::directory {

class Router final : public DirectoryProvider {
 public:
  // Throws errc::kInvalidArg for an empty name, a missing backend or a name served already.
  void AddDomain(std::u16string_view name, std::shared_ptr<DirectoryProvider> backend);
  void AddComputer(std::u16string_view name, std::shared_ptr<DirectoryProvider> backend);

  std::shared_ptr<IADs> GetObject(std::u16string_view path) override;

  // The backend that serves a path; the same error as GetObject when none does.
  const std::shared_ptr<DirectoryProvider>& Route(std::u16string_view path) const;
  // "domain HARBOR", "computer vm", in the order they were added.
  std::vector<std::u16string> Served() const;

 private:
  struct Entry {
    std::u16string name;
    bool computer;
    std::shared_ptr<DirectoryProvider> backend;
  };
  void Add(std::u16string_view name, bool computer, std::shared_ptr<DirectoryProvider> backend);
  const Entry* Find(std::u16string_view name, bool computer) const;

  // Filled while the process sets up and read-only afterwards, so routing takes no lock.
  std::vector<Entry> entries_;
};

}  // namespace moxtrel::directory
