#include "moxtrel/platform/linux_system_facts.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <string_view>
#include <vector>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/platform/regular_file.h"

namespace moxtrel::platform {
namespace {

// The account databases cap nothing, so every buffer grows until the answer fits.
constexpr std::size_t kLargestBuffer = std::size_t{1} << 24;
constexpr std::size_t kLargestKrb5Config = std::size_t{1} << 20;

std::size_t InitialSize(int which) {
  const long hint = sysconf(which);
  return hint > 0 ? static_cast<std::size_t>(hint) : 1024;
}

std::u16string SystemMessage(int error) {
  return FromUtf8(std::strerror(error));
}

struct Account {
  std::string name;
  uid_t uid = 0;
  gid_t gid = 0;
};

// Looks an account up by name (or by uid when `by_uid`); nothing when it does not exist.
// Throws when the database cannot be read.
std::optional<Account> LookUpAccount(const std::string& name, bool by_uid, uid_t uid) {
  std::vector<char> buffer(InitialSize(_SC_GETPW_R_SIZE_MAX));
  passwd record{};
  passwd* found = nullptr;
  for (;;) {
    const int rc = by_uid ? getpwuid_r(uid, &record, buffer.data(), buffer.size(), &found)
                          : getpwnam_r(name.c_str(), &record, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE && buffer.size() < kLargestBuffer) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != 0) {
      throw AutomationError(errc::kFail,
                            u"The account database could not be read: " + SystemMessage(rc));
    }
    break;
  }
  if (!found) return std::nullopt;
  return Account{found->pw_name, found->pw_uid, found->pw_gid};
}

// The name of a group, or nothing when the group has no entry.
std::optional<std::string> GroupName(gid_t gid) {
  std::vector<char> buffer(InitialSize(_SC_GETGR_R_SIZE_MAX));
  group record{};
  group* found = nullptr;
  for (;;) {
    const int rc = getgrgid_r(gid, &record, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE && buffer.size() < kLargestBuffer) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != 0 || !found) return std::nullopt;
    return std::string(found->gr_name);
  }
}

std::vector<gid_t> GroupsOf(const Account& account) {
  std::vector<gid_t> groups(32);
  for (;;) {
    int count = static_cast<int>(groups.size());
    if (getgrouplist(account.name.c_str(), account.gid, groups.data(), &count) != -1) {
      groups.resize(static_cast<std::size_t>(count));
      return groups;
    }
    const auto needed = static_cast<std::size_t>(count);
    if (groups.size() >= kLargestBuffer) return groups;
    groups.resize(needed > groups.size() ? needed : groups.size() * 2);
  }
}

bool IsAdministratorsGroup(std::string_view name) {
  return name == "sudo" || name == "wheel" || name == "admin";
}

std::string_view TrimBlank(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// Splits "key = value"; false when the line has no "=".
bool SplitSetting(std::string_view line, std::string_view& key, std::string_view& value) {
  const auto equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  key = TrimBlank(line.substr(0, equals));
  value = TrimBlank(line.substr(equals + 1));
  return true;
}

// "dc1.corp.example:88" or "[fe80::1]:88" without the port.
std::string_view HostOf(std::string_view kdc) {
  if (!kdc.empty() && kdc.front() == '[') {
    const auto close = kdc.find(']');
    return close == std::string_view::npos ? kdc.substr(1) : kdc.substr(1, close - 1);
  }
  return kdc.substr(0, kdc.find(':'));
}

}  // namespace

std::shared_ptr<LinuxSystemFacts> LinuxSystemFacts::Create(std::string krb5_config) {
  return std::shared_ptr<LinuxSystemFacts>(new LinuxSystemFacts(std::move(krb5_config)));
}

std::u16string LinuxSystemFacts::ComputerName() {
  std::vector<char> buffer(256);
  while (buffer.size() <= kLargestBuffer) {
    const int rc = gethostname(buffer.data(), buffer.size());
    const bool terminated = std::memchr(buffer.data(), '\0', buffer.size()) != nullptr;
    if (rc == 0 && terminated) return FromUtf8(buffer.data());
    // A name cut at the end of the buffer is retried in a larger one.
    if (rc != 0 && errno != ENAMETOOLONG) return {};
    buffer.resize(buffer.size() * 2);
  }
  return {};
}

std::u16string LinuxSystemFacts::UserName() {
  try {
    const auto account = LookUpAccount({}, true, geteuid());
    return account ? FromUtf8(account->name) : std::u16string();
  } catch (const AutomationError&) {
    return {};
  }
}

std::optional<std::u16string> LinuxSystemFacts::DomainController() {
  // A set-up that cannot be read (missing, a FIFO, a folder, too large) names no controller.
  std::optional<std::string> text;
  try {
    text = ReadRegularFile(krb5_config_, kLargestKrb5Config);
  } catch (const RegularFileError&) {
    return std::nullopt;
  }
  if (!text) return std::nullopt;
  std::vector<std::string> lines;
  std::istringstream config(*text);
  for (std::string line; std::getline(config, line);) lines.push_back(std::move(line));

  // The default realm first: it may be named after the realms that describe it.
  std::string realm;
  std::string section;
  for (const auto& raw : lines) {
    const auto line = TrimBlank(raw);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[') {
      section = std::string(TrimBlank(line.substr(1, line.find(']') - 1)));
      continue;
    }
    std::string_view key, value;
    if (section == "libdefaults" && SplitSetting(line, key, value) && key == "default_realm") {
      realm = std::string(value);
    }
  }
  if (realm.empty()) return std::nullopt;

  section.clear();
  bool in_realm = false;
  int depth = 0;
  for (const auto& raw : lines) {
    const auto line = TrimBlank(raw);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (depth == 0 && line.front() == '[') {
      section = std::string(TrimBlank(line.substr(1, line.find(']') - 1)));
      continue;
    }
    if (section != "realms") continue;
    std::string_view key, value;
    const bool setting = SplitSetting(line, key, value);
    if (setting && value == "{") {
      if (depth == 0) in_realm = key == realm;
      ++depth;
      continue;
    }
    if (line == "}") {
      if (depth > 0 && --depth == 0) in_realm = false;
      continue;
    }
    if (in_realm && depth == 1 && setting && key == "kdc") {
      const auto host = HostOf(value);
      if (!host.empty()) return u"\\\\" + FromUtf8(host);
    }
  }
  return std::nullopt;
}

int32_t LinuxSystemFacts::AccountPrivilege(std::u16string_view /*server*/,
                                           std::u16string_view user) {
  const std::u16string shown(user);
  if (user.find(u'\0') != std::u16string_view::npos) {
    throw AutomationError(errc::kInvalidArg, u"\"" + shown + u"\" is not a valid account name");
  }
  const auto account = LookUpAccount(ToUtf8(user), false, 0);
  if (!account) {
    throw AutomationError(errc::kNoSuchObject,
                          u"The account \"" + shown + u"\" is not known to this computer");
  }
  if (account->uid == 0) return 2;
  if (account->name == "nobody" || account->name == "guest") return 0;
  for (const gid_t gid : GroupsOf(*account)) {
    const auto name = GroupName(gid);
    if (name && IsAdministratorsGroup(*name)) return 2;
  }
  return 1;
}

}  // namespace moxtrel::platform
