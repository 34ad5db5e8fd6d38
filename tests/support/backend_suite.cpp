#include "support/backend_suite.h"

#include "moxtrel/backends/files/files_provider.h"
#include "moxtrel/directory/memory_directory.h"
#include "support/files_tree.h"

namespace moxtrel::testing {
namespace {

class EmbeddedBackend final : public Backend {
 public:
  EmbeddedBackend() {
    directory::DirectoryBuilder b(*dir_);
    const auto pc = b.AddComputer(u"", kComputer);
    const auto alice = b.AddUser(
        pc, u"alice",
        {{u"FullName", Variant(u"Alice Liddell")}, {u"Description", Variant(u"Engineer")}});
    const auto bob = b.AddUser(pc, u"bob", {{u"FullName", Variant(u"Bob Ames")}});
    const auto users = b.AddGroup(pc, u"users");
    const auto staff = b.AddGroup(pc, u"staff");
    b.AddGroup(pc, u"admins");
    b.AddMember(users, alice);
    b.AddMember(users, bob);
    b.AddMember(staff, alice);
  }
  std::shared_ptr<directory::DirectoryProvider> Provider() override { return dir_; }

 private:
  std::shared_ptr<directory::MemoryDirectory> dir_ = directory::MemoryDirectory::Create();
};

class FilesBackend final : public Backend {
 public:
  FilesBackend() {
    // "users" lists alice and bob only as their primary group.
    tree_.AddGroup("users", 100)
        .AddGroup("staff", 50, {"alice"})
        .AddGroup("admins", 51)
        .AddUser("alice", 1000, 100, "Alice Liddell,Engineer", "/home/alice")
        .AddUser("bob", 1001, 100, "Bob Ames", "/home/bob");
  }
  std::shared_ptr<directory::DirectoryProvider> Provider() override {
    return backends::files::MakeFilesProvider(tree_.Options(std::u16string(kComputer)));
  }

 private:
  FilesTree tree_;
};

}  // namespace

std::vector<BackendFactory> AccountBackends() {
  return {
      {"embedded", [] { return std::make_unique<EmbeddedBackend>(); }},
      {"files", [] { return std::make_unique<FilesBackend>(); }},
  };
}

}  // namespace moxtrel::testing
