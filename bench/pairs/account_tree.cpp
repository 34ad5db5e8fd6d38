#include "account_tree.h"

#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace moxtrel::bench {

AccountTree::AccountTree(int64_t users) {
  char pattern[] = "/tmp/moxtrel-pair-files-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("cannot make a temporary folder");
  root_ = pattern;
  ::mkdir((root_ + "/etc").c_str(), 0755);
  std::ofstream passwd(root_ + "/etc/passwd"), shadow(root_ + "/etc/shadow");
  passwd << "root:x:0:0:root:/root:/bin/bash\n";
  shadow << "root:!:19000:0:99999:7:::\n";
  for (int64_t i = 0; i < users; ++i) {
    const std::string name = UserName(i);
    passwd << name << ":x:" << 10000 + i << ":100:" << FullName(i) << ",Room " << i << ",,:/home/"
           << name << ":/bin/bash\n";
    shadow << name << ":$y$j9T$salt$hash" << i << ":19000:0:99999:7:::\n";
  }
  std::ofstream(root_ + "/etc/group") << "root:x:0:\nusers:x:100:user0,user1\n";
  std::ofstream(root_ + "/etc/gshadow") << "root:*::\nusers:!::user0,user1\n";
  // A login.defs of the usual size: its comments are most of it.
  std::ofstream defs(root_ + "/etc/login.defs");
  for (int i = 0; i < 300; ++i) defs << "# A comment line of the kind login.defs is full of.\n";
  defs << "PASS_MAX_DAYS\t99999\nPASS_MIN_DAYS\t0\nPASS_WARN_AGE\t7\nUID_MIN\t1000\n"
          "UID_MAX\t60000\nGID_MIN\t1000\nGID_MAX\t60000\nENCRYPT_METHOD YESCRYPT\n";
}

AccountTree::~AccountTree() {
  ::nftw(
      root_.c_str(),
      [](const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }, 16,
      FTW_DEPTH | FTW_PHYS);
}

}  // namespace moxtrel::bench
