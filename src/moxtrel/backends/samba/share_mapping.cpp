#include "moxtrel/backends/samba/share_mapping.h"

#include <sys/stat.h>

#include <charconv>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::samba {
namespace {

// Characters a share name cannot hold: "[", "]" and "=" end a section name or start a value
// in smb.conf, "%" starts a substitution, and the rest are refused by SMB clients and Samba's
// own tools.
constexpr std::u16string_view kForbiddenInName = u"[]=%<>*?|/\\+;:\",";

// Names with a meaning of their own in smb.conf: writing them would change the server.
constexpr std::u16string_view kReservedNames[] = {u"global", u"homes", u"printers", u"ipc$"};

bool HasControl(std::u16string_view text) {
  for (char16_t c : text) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

// Half a surrogate pair has no UTF-8 form: it would be written, and read back, as U+FFFD.
bool HasLoneSurrogate(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

// smbd replaces "%" and the character after it ("%U", "%(DomainSID)") when it serves a value;
// only a "%" before a space or at the end starts none and is served as written.
bool HasSubstitution(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 1 < text.size() && text[i + 1] != u' ') return true;
  }
  return false;
}

}  // namespace

const ShareProperty* FindShareProperty(std::u16string_view property) {
  for (const auto& row : kShareProperties) {
    if (EqualsNoCase(row.property, property)) return &row;
  }
  return nullptr;
}

bool IsFileShare(const ConfSection& section) {
  if (EqualsNoCase(FromUtf8(section.name), u"global") ||
      EqualsNoCase(FromUtf8(section.name), u"printers")) {
    return false;
  }
  for (const char* key : {"printable", "print ok"}) {
    if (const auto* v = section.Find(key); v && ParamTrue(*v)) return false;
  }
  return true;
}

ShareInfo ShareFromSection(const ConfSection& section, bool from_file) {
  ShareInfo s;
  s.name = section.name;
  // "directory" is smb.conf's other spelling of "path".
  const std::string* path = section.Find("path");
  if (!path) path = section.Find("directory");
  if (path) s.path = *path;
  if (const auto* comment = section.Find("comment")) s.comment = *comment;
  s.max_users = MaxUsersFromParam(section.Find("max connections"));
  s.from_file = from_file;
  return s;
}

void CheckShareName(std::u16string_view name) {
  auto refuse = [&](std::u16string_view why) {
    throw AutomationError(errc::kInvalidName, u"The share name \"" + std::u16string(name) +
                                                  u"\" is not valid: " + std::u16string(why));
  };
  if (name.empty()) refuse(u"it is empty");
  if (name.size() > kMaxShareName) refuse(u"a share name has at most 80 characters");
  if (HasControl(name)) refuse(u"it holds a control character such as a line break");
  if (HasLoneSurrogate(name)) refuse(u"it holds half a surrogate pair");
  for (char16_t c : name) {
    if (kForbiddenInName.find(c) != std::u16string_view::npos) {
      refuse(u"it holds the character '" + std::u16string(1, c) + u"'");
    }
  }
  if (name.front() == u' ' || name.back() == u' ') refuse(u"it begins or ends with a space");
  for (auto reserved : kReservedNames) {
    if (EqualsNoCase(name, reserved)) refuse(u"smb.conf gives this name a meaning of its own");
  }
}

void CheckSharePath(std::u16string_view path) {
  auto refuse = [&](std::u16string_view why) {
    throw AutomationError(errc::kInvalidArg, u"The share path \"" + std::u16string(path) +
                                                 u"\" cannot be used: " + std::u16string(why));
  };
  if (path.empty() || path.front() != u'/') refuse(u"it is not an absolute path");
  if (HasControl(path)) refuse(u"it holds a control character such as a line break");
  if (HasLoneSurrogate(path)) refuse(u"it holds half a surrogate pair");
  if (path.find(u'%') != std::u16string_view::npos) {
    refuse(u"Samba would read '%' as the start of a substitution");
  }
  // smb.conf reads a line ending in a backslash as going on in the next, and SMB clients read a
  // backslash as a folder separator: a folder with one in its name cannot be served as named.
  if (path.find(u'\\') != std::u16string_view::npos) refuse(u"it holds a backslash");
  if (path.back() == u' ') refuse(u"it ends with a space");
  const std::string bytes = ToUtf8(path);
  if (bytes.size() > kMaxSharePath) refuse(u"it is longer than 4095 bytes");
  struct stat st {};
  if (stat(bytes.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) refuse(u"there is no such folder");
}

void CheckComment(std::u16string_view comment) {
  auto refuse = [&](std::u16string_view why) {
    throw AutomationError(errc::kInvalidArg, u"The share description \"" + std::u16string(comment) +
                                                 u"\" cannot be used: " + std::u16string(why));
  };
  if (HasControl(comment)) refuse(u"it holds a control character such as a line break");
  if (HasLoneSurrogate(comment)) refuse(u"it holds half a surrogate pair");
  if (HasSubstitution(comment)) {
    refuse(u"smbd would serve '%' and the character after it as a substitution");
  }
  // Samba trims the blanks around a value it reads, so they would not read back.
  if (!comment.empty() && (comment.front() == u' ' || comment.back() == u' ')) {
    refuse(u"it begins or ends with a space");
  }
  if (comment.size() > kMaxComment) refuse(u"a description has at most 256 characters");
}

std::string MaxUsersParam(int32_t max_users, std::u16string_view where) {
  if (max_users == -1) return "0";
  if (max_users < 1) {
    throw AutomationError(errc::kInvalidArg,
                          u"MaxUserCount of " + std::u16string(where) + u" cannot be " +
                              FromUtf8(std::to_string(max_users)) +
                              u": Samba limits a share to 1 user or more, or -1 for no limit");
  }
  return std::to_string(max_users);
}

int32_t MaxUsersFromParam(const std::string* value) {
  if (!value) return -1;
  int32_t n = 0;
  const char* end = value->data() + value->size();
  const auto [ptr, ec] = std::from_chars(value->data(), end, n);
  // Samba reads what it cannot parse as 0, no limit.
  if (ec != std::errc() || ptr != end || n <= 0) return -1;
  return n;
}

}  // namespace moxtrel::backends::samba
