// MemoryDirectory: the embedded WinNT-style directory that tests and the script host run on.
//
// Domains hold users, groups and computers; computers hold local users and groups, services,
// print queues and the "LanmanServer" file service with its shares; groups hold member paths;
// print queues hold jobs. Bound objects keep a property cache (Put stages, SetInfo commits).
// One directory may be used from several threads: each call runs alone. Wrap it in a
// JournalLayer to journal its calls and inject faults.
//
//   auto dir = MemoryDirectory::Create();
//   DirectoryBuilder b(*dir);
//   auto corp = b.AddDomain(u"CORP");
//   b.AddUser(corp, u"alice", {{u"FullName", u"Alice"}});
//   directory::SetCurrentProvider(dir);
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "moxtrel/directory/provider.h"

namespace moxtrel::directory {

using Attributes = std::vector<std::pair<std::u16string, Variant>>;

// A seed that cannot be loaded: names the source, the line and the rule broken.
class SeedError : public std::runtime_error {
 public:
  SeedError(const std::string& source, int line, const std::string& message);
  const std::string& source() const noexcept { return source_; }
  int line() const noexcept { return line_; }
  // The rule broken, without the source and line.
  const std::string& message() const noexcept { return message_; }

 private:
  std::string source_;
  std::string message_;
  int line_;
};

class MemoryDirectory final : public DirectoryProvider,
                              public std::enable_shared_from_this<MemoryDirectory> {
 public:
  static std::shared_ptr<MemoryDirectory> Create();
  // Seeds from JSON text in the format of docs/directory-format.md; throws SeedError.
  static std::shared_ptr<MemoryDirectory> FromJson(std::string_view json,
                                                   const std::string& source = "<json>");
  static std::shared_ptr<MemoryDirectory> FromFile(const std::string& file_path);
  // The built-in sample: the domain HARBOR of examples/sample-directory.json (installed as
  // share/moxtrel/sample-directory.json), compiled into the library.
  static std::shared_ptr<MemoryDirectory> Sample();

  ~MemoryDirectory() override;

  std::shared_ptr<IADs> GetObject(std::u16string_view path) override;

  // Back doors for tests and the script host: never journaled (they bypass any layer), no
  // rule but the path must resolve (AutomationError otherwise).
  bool Contains(std::u16string_view path) const;
  Variant Peek(std::u16string_view path, std::u16string_view attribute) const;
  void Poke(std::u16string_view path, std::u16string_view attribute, const Variant& value);
  // Member paths of a group, in the order they were added.
  std::vector<std::u16string> MembersOf(std::u16string_view group_path) const;
  // The canonical ADsPath of the object a path names.
  std::u16string CanonicalPath(std::u16string_view path) const;
  // Submits a print job (spooling, status 8, unless the attributes say otherwise); returns its
  // ADsPath. Jobs are named by a number the queue counts up (skipping a number another job
  // holds as its name), or by `name` when one is given, which follows the rules of any name.
  std::u16string SubmitJob(std::u16string_view queue_path, const Attributes& attributes = {},
                           std::u16string_view name = {});
  void SetJobStatus(std::u16string_view job_path, int32_t status);
  // Shutdown requests received, as "path reboot" or "path halt"; never acted on.
  const std::vector<std::u16string>& ShutdownRequests() const;
  // Everything the directory holds as sorted text, for tests that check a failed operation left
  // it as it was (or wholly changed); passwords appear only as hashes.
  std::u16string Snapshot() const;
  // Whether the password last set on a user (or service) is `password`; passwords are never
  // readable through the directory's interfaces.
  bool PasswordMatches(std::u16string_view path, std::u16string_view password) const;

  struct State;  // the namespace tree; defined by the implementation

 private:
  MemoryDirectory();
  friend class DirectoryBuilder;
  std::unique_ptr<State> state_;
};

// Builds a directory for tests without going through the journal. Each Add returns the new
// object's canonical ADsPath; parents are given as ADsPaths ("WinNT://CORP").
class DirectoryBuilder {
 public:
  explicit DirectoryBuilder(MemoryDirectory& dir) : dir_(dir) {}

  std::u16string AddDomain(std::u16string_view name, const Attributes& attributes = {});
  // `domain_path` empty for a computer that belongs to no domain (a workgroup computer).
  std::u16string AddComputer(std::u16string_view domain_path, std::u16string_view name,
                             const Attributes& attributes = {});
  std::u16string AddUser(std::u16string_view parent_path, std::u16string_view name,
                         const Attributes& attributes = {});
  // Group type 2 (global) in a domain, 4 (local) on a computer unless "GroupType" is given.
  std::u16string AddGroup(std::u16string_view parent_path, std::u16string_view name,
                          const Attributes& attributes = {});
  void AddMember(std::u16string_view group_path, std::u16string_view member_path);
  std::u16string AddShare(std::u16string_view computer_path, std::u16string_view name,
                          const Attributes& attributes = {});
  std::u16string AddPrintQueue(std::u16string_view computer_path, std::u16string_view name,
                               const Attributes& attributes = {});
  std::u16string AddPrintJob(std::u16string_view queue_path, const Attributes& attributes = {});
  std::u16string AddService(std::u16string_view computer_path, std::u16string_view name,
                            const Attributes& attributes = {});

 private:
  MemoryDirectory& dir_;
};

}  // namespace moxtrel::directory
