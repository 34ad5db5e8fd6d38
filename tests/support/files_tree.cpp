#include "support/files_tree.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace moxtrel::testing {
namespace {

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

std::string JoinMembers(const std::vector<std::string>& members) {
  std::string out;
  for (const auto& m : members) out += (out.empty() ? "" : ",") + m;
  return out;
}

}  // namespace

FilesTree::FilesTree() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/moxtrel-files-XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  root_ = pattern;
  ::mkdir((root_ + "/etc").c_str(), 0755);
  ::mkdir((root_ + "/etc/default").c_str(), 0755);
  Write("etc/login.defs",
        "# test login.defs\nUID_MIN 1000\nUID_MAX 60000\nGID_MIN 1000\nGID_MAX 60000\n"
        "PASS_MAX_DAYS 99999\nPASS_MIN_DAYS 0\nPASS_WARN_AGE 7\nUSERGROUPS_ENAB yes\n"
        "ENCRYPT_METHOD YESCRYPT\n");
  Write("etc/default/useradd", "HOME=/home\nSHELL=/bin/sh\n");
  Write("etc/os-release", "NAME=\"Moxtrel Test Linux\"\nVERSION_ID=\"1.0\"\n");
  Rewrite();
}

FilesTree::~FilesTree() {
  ::nftw(
      root_.c_str(),
      [](const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }, 16,
      FTW_DEPTH | FTW_PHYS);
}

backends::files::FilesOptions FilesTree::Options(std::u16string computer,
                                                 std::u16string domain) const {
  backends::files::FilesOptions o;
  o.root = root_;
  o.computer = std::move(computer);
  o.domain = std::move(domain);
  o.lock_wait = std::chrono::milliseconds(2000);
  return o;
}

FilesTree& FilesTree::AddUser(const std::string& name, uint32_t uid, uint32_t gid,
                              const std::string& gecos, const std::string& home,
                              const std::string& shell) {
  passwd_.push_back(name + ":x:" + std::to_string(uid) + ":" + std::to_string(gid) + ":" + gecos +
                    ":" + home + ":" + shell);
  shadow_.push_back(name + ":!:19000:0:99999:7:::");
  Rewrite();
  return *this;
}

FilesTree& FilesTree::AddGroup(const std::string& name, uint32_t gid,
                               const std::vector<std::string>& members) {
  group_.push_back(name + ":x:" + std::to_string(gid) + ":" + JoinMembers(members));
  gshadow_.push_back(name + ":!::" + JoinMembers(members));
  Rewrite();
  return *this;
}

FilesTree& FilesTree::SetShadow(const std::string& name, const std::string& fields) {
  for (auto& line : shadow_) {
    if (line.compare(0, name.size() + 1, name + ":") == 0) line = name + ":" + fields;
  }
  Rewrite();
  return *this;
}

void FilesTree::Rewrite() const {
  Write("etc/passwd", Join(passwd_));
  Write("etc/group", Join(group_));
  Write("etc/shadow", Join(shadow_));
  Write("etc/gshadow", Join(gshadow_));
  ::chmod((root_ + "/etc/shadow").c_str(), 0640);
  ::chmod((root_ + "/etc/gshadow").c_str(), 0640);
}

std::string FilesTree::Read(const std::string& rel) const {
  std::ifstream in(root_ + "/" + rel, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void FilesTree::Write(const std::string& rel, const std::string& text) const {
  std::ofstream out(root_ + "/" + rel, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + root_ + "/" + rel);
}

bool FilesTree::Exists(const std::string& rel) const {
  struct stat st {};
  return ::stat((root_ + "/" + rel).c_str(), &st) == 0;
}

}  // namespace moxtrel::testing
