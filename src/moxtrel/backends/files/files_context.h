// FilesContext: what the files provider and every handle it gives out share: the options, the
// account store, the canonical paths, and the resolution of a path to one of its objects.
//
//   Target t = ctx->Resolve(u"WinNT://PC1/Alice,user");   // {kUser, "alice"} as the file spells it
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "moxtrel/backends/files/account_store.h"
#include "moxtrel/backends/files/files_provider.h"
#include "moxtrel/directory/computer_address.h"
#include "moxtrel/directory/path.h"

namespace moxtrel::backends::files {

struct Target {
  directory::ObjectKind kind;
  std::string name;  // the account's name as the file spells it; empty for the computer
};

class FilesContext {
 public:
  explicit FilesContext(FilesOptions options);

  const FilesOptions& options() const noexcept { return options_; }
  AccountStore& store() noexcept { return store_; }

  const directory::ComputerAddress& address() const noexcept { return address_; }
  // "WinNT://C" or "WinNT://D/C", and what the computer reports as its Parent.
  const std::u16string& ComputerPath() const noexcept { return address_.Path(); }
  std::u16string ComputerParent() const { return address_.Parent(); }
  // ComputerPath() + "/" + the name.
  std::u16string AccountPath(std::string_view name) const;

  // The object a path names; errc::kNoSuchObject for a path of another computer or of a kind
  // this backend does not hold, or for an account the files do not list.
  Target Resolve(std::u16string_view path);
  // The same on files a call checked already (all four of them).
  Target Resolve(std::u16string_view path, const AccountView& files);

  // Throws errc::kNoSuchObject saying that this backend serves only local users and groups.
  [[noreturn]] void Foreign(std::u16string_view path, std::u16string_view why) const;

 private:
  FilesOptions options_;
  AccountStore store_;
  directory::ComputerAddress address_;
};

using ContextPtr = std::shared_ptr<FilesContext>;

// An account's name (UTF-8, as the files spell it) as UTF-16: what Name reports.
std::u16string AccountName(std::string_view name);

}  // namespace moxtrel::backends::files
