#include "support/files_tree.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
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

FilesTree& FilesTree::AddManyUsers(int count) {
  std::vector<std::string> staff;
  for (int i = 0; i < count; ++i) {
    const std::string name = "u" + std::to_string(i);
    const std::string id = std::to_string(2000 + i);
    passwd_.push_back(name + ":x:" + id + ":" + id + ":User " + std::to_string(i) + ":/home/" +
                      name + ":/bin/sh");
    shadow_.push_back(name + ":!:19000:0:99999:7:::");
    group_.push_back(name + ":x:" + id + ":");
    gshadow_.push_back(name + ":!::");
    if (i % 10 == 0) staff.push_back(name);
  }
  group_.push_back("staff:x:50:" + JoinMembers(staff));
  gshadow_.push_back("staff:!::" + JoinMembers(staff));
  Rewrite();
  return *this;
}

std::string FilesTree::AccountFiles() const {
  return Read("etc/passwd") + "--\n" + Read("etc/shadow") + "--\n" + Read("etc/group") + "--\n" +
         Read("etc/gshadow");
}

std::string FilesTree::Disagreement() const {
  auto rows = [&](const std::string& rel) {
    std::vector<std::vector<std::string>> out;
    std::istringstream in(Read(rel));
    for (std::string line; std::getline(in, line);) {
      std::vector<std::string> fields;
      std::size_t start = 0;
      while (true) {
        std::size_t colon = line.find(':', start);
        fields.push_back(line.substr(start, colon == std::string::npos ? colon : colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
      }
      out.push_back(std::move(fields));
    }
    return out;
  };
  std::ostringstream problems;
  auto names = [&](const std::string& rel, std::size_t id_field) {
    std::set<std::string> seen, ids;
    for (const auto& r : rows(rel)) {
      if (!seen.insert(r[0]).second) problems << rel << " lists \"" << r[0] << "\" twice\n";
      if (id_field && r.size() > id_field && !ids.insert(r[id_field]).second) {
        problems << rel << " gives the id " << r[id_field] << " twice (" << r[0] << ")\n";
      }
    }
    return seen;
  };
  const auto users = names("etc/passwd", 2), shadowed = names("etc/shadow", 0);
  const auto groups = names("etc/group", 2), gshadowed = names("etc/gshadow", 0);
  auto same = [&](const std::set<std::string>& a, const std::set<std::string>& b,
                  const char* a_name, const char* b_name) {
    for (const auto& n : a) {
      if (!b.contains(n)) problems << a_name << " has \"" << n << "\" but " << b_name << " not\n";
    }
  };
  same(users, shadowed, "etc/passwd", "etc/shadow");
  same(shadowed, users, "etc/shadow", "etc/passwd");
  same(groups, gshadowed, "etc/group", "etc/gshadow");
  same(gshadowed, groups, "etc/gshadow", "etc/group");
  for (const auto& rel : {std::string("etc/group"), std::string("etc/gshadow")}) {
    for (const auto& r : rows(rel)) {
      std::istringstream members(r.back());
      for (std::string m; std::getline(members, m, ',');) {
        if (!m.empty() && !users.contains(m)) {
          problems << rel << " lists \"" << m << "\" in \"" << r[0] << "\", who is no user\n";
        }
      }
    }
  }
  return problems.str();
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
