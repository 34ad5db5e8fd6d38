// A private tree of account files for the files backend's pairs: etc/passwd, shadow, group,
// gshadow and a login.defs like a distribution's, with `users` accounts "user<i>" whose GECOS is
// "User <i>,Room <i>,,". Removed with everything in it when the object goes.
//
//   AccountTree tree(10000);
//   FILE* f = fopen(tree.Passwd().c_str(), "re");
#pragma once

#include <cstdint>
#include <string>

namespace moxtrel::bench {

class AccountTree {
 public:
  explicit AccountTree(int64_t users);
  ~AccountTree();
  AccountTree(const AccountTree&) = delete;
  AccountTree& operator=(const AccountTree&) = delete;

  const std::string& Root() const noexcept { return root_; }
  std::string Passwd() const { return root_ + "/etc/passwd"; }
  static std::string UserName(int64_t i) { return "user" + std::to_string(i); }
  static std::string FullName(int64_t i) { return "User " + std::to_string(i); }

 private:
  std::string root_;
};

}  // namespace moxtrel::bench
