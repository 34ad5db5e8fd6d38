// FilesTree: a private account tree in a fresh temporary folder for tests of the files backend.
// It writes etc/passwd, etc/group, etc/shadow (0640), etc/gshadow (0640), etc/login.defs,
// etc/default/useradd and etc/os-release at once, rewrites them after every Add, and removes
// the whole folder in its destructor. Nothing outside the folder is ever written.
//
//   FilesTree tree;                                   // empty files, UID_MIN 1000, YESCRYPT
//   tree.AddGroup("staff", 50, {"alice"});
//   tree.AddUser("alice", 1000, 50, "Alice Liddell,Room 4", "/home/alice", "/bin/bash");
//   directory::SetCurrentProvider(backends::files::MakeFilesProvider(tree.Options(u"PC1")));
//   std::string passwd = tree.Read("etc/passwd");
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "moxtrel/backends/files/files_provider.h"

namespace moxtrel::testing {

class FilesTree {
 public:
  FilesTree();
  ~FilesTree();
  FilesTree(const FilesTree&) = delete;
  FilesTree& operator=(const FilesTree&) = delete;

  // The folder that holds etc/: what FilesOptions::root takes.
  const std::string& root() const noexcept { return root_; }
  // Options for a provider on this tree, a workgroup computer unless `domain` is given.
  backends::files::FilesOptions Options(std::u16string computer = u"PC1",
                                        std::u16string domain = u"") const;

  // A user with a locked password ("!") in shadow, last changed on day 19000, no expiry.
  FilesTree& AddUser(const std::string& name, uint32_t uid, uint32_t gid,
                     const std::string& gecos = "", const std::string& home = "",
                     const std::string& shell = "/bin/sh");
  FilesTree& AddGroup(const std::string& name, uint32_t gid,
                      const std::vector<std::string>& members = {});
  // Replaces the shadow fields after the name ("hash:lastchg:min:max:warn:inactive:expire:").
  FilesTree& SetShadow(const std::string& name, const std::string& fields);

  // `count` users "u<i>" (uids from 2000) each in its own group, and a group "staff" (gid 50)
  // listing every tenth of them, written in one go: for trees of many thousand accounts.
  FilesTree& AddManyUsers(int count);

  // The four account files, one after the other, to compare a tree before and after.
  std::string AccountFiles() const;
  // Empty when the four files agree: every passwd entry has its shadow entry and the other way
  // round, every group its gshadow entry and the other way round, no name or id is used twice,
  // and every member a group lists is a user. Else what is wrong, for a test's message.
  std::string Disagreement() const;

  // Any file below the root, by relative path ("etc/login.defs"); Write replaces it as is.
  std::string Read(const std::string& rel) const;
  void Write(const std::string& rel, const std::string& text) const;
  bool Exists(const std::string& rel) const;

 private:
  void Rewrite() const;

  std::string root_;
  std::vector<std::string> passwd_, shadow_, group_, gshadow_;
};

}  // namespace moxtrel::testing
