#include "moxtrel/directory/path.h"

#include <array>
#include <utility>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::directory {
namespace {

struct ClassInfo {
  ObjectKind kind;
  std::u16string_view word;  // class word and IADs.Class
  std::u16string_view noun;
};

constexpr std::array<ClassInfo, 9> kClasses{{
    {ObjectKind::kDomain, u"Domain", u"domain"},
    {ObjectKind::kComputer, u"Computer", u"computer"},
    {ObjectKind::kUser, u"User", u"user"},
    {ObjectKind::kGroup, u"Group", u"group"},
    {ObjectKind::kFileService, u"FileService", u"file service"},
    {ObjectKind::kFileShare, u"FileShare", u"file share"},
    {ObjectKind::kPrintQueue, u"PrintQueue", u"print queue"},
    {ObjectKind::kPrintJob, u"PrintJob", u"print job"},
    {ObjectKind::kService, u"Service", u"service"},
}};

const ClassInfo& Info(ObjectKind kind) noexcept {
  return kClasses[static_cast<std::size_t>(kind)];
}

[[noreturn]] void Bad(std::u16string_view path, std::u16string_view why) {
  throw AutomationError(errc::kBadPathname, u"Bad directory path \"" + std::u16string(path) +
                                                u"\": " + std::u16string(why));
}

constexpr std::u16string_view kForbidden = u"\"/\\[]:|<>+=;,?*";
constexpr std::size_t kMaxUserName = 20;
constexpr std::size_t kMaxName = 256;

}  // namespace

std::optional<ObjectKind> KindFromClassWord(std::u16string_view word) noexcept {
  for (const auto& c : kClasses) {
    if (EqualsNoCase(c.word, word)) return c.kind;
  }
  return std::nullopt;
}

ObjectKind RequireClassWord(std::u16string_view word, std::u16string_view where) {
  if (auto kind = KindFromClassWord(word)) return *kind;
  throw AutomationError(errc::kUnknownObject, std::u16string(where) + u": unknown class word \"" +
                                                  std::u16string(word) + u"\"");
}

std::u16string_view ClassName(ObjectKind kind) noexcept {
  return Info(kind).word;
}
std::u16string_view KindNoun(ObjectKind kind) noexcept {
  return Info(kind).noun;
}

ParsedPath ParsePath(std::u16string_view path) {
  if (path.size() < kPathPrefix.size() ||
      !EqualsNoCase(path.substr(0, kPathPrefix.size()), kPathPrefix)) {
    Bad(path, u"it must begin with \"" + std::u16string(kPathPrefix) + u"\"");
  }
  std::u16string_view rest = path.substr(kPathPrefix.size());
  ParsedPath parsed;
  if (auto comma = rest.rfind(u','); comma != std::u16string_view::npos) {
    std::u16string_view word = rest.substr(comma + 1);
    rest = rest.substr(0, comma);
    if (word.empty()) Bad(path, u"the class word after the comma is missing");
    parsed.kind = KindFromClassWord(word);
    if (!parsed.kind) {
      throw AutomationError(errc::kUnknownObject, u"Unknown class word \"" + std::u16string(word) +
                                                      u"\" in the path \"" + std::u16string(path) +
                                                      u"\"");
    }
  }
  if (rest.empty()) Bad(path, u"it names no object");
  std::size_t start = 0;
  while (true) {
    std::size_t slash = rest.find(u'/', start);
    std::u16string_view part = rest.substr(
        start, slash == std::u16string_view::npos ? std::u16string_view::npos : slash - start);
    if (part.empty()) Bad(path, u"it has an empty name between slashes");
    if (part.find(u',') != std::u16string_view::npos) {
      Bad(path, u"only one comma, before the class word, is allowed");
    }
    parsed.components.emplace_back(part);
    if (slash == std::u16string_view::npos) break;
    start = slash + 1;
  }
  return parsed;
}

void ValidateName(std::u16string_view name, ObjectKind kind) {
  auto refuse = [&](std::u16string_view why) {
    throw AutomationError(errc::kInvalidName, u"The " + std::u16string(KindNoun(kind)) +
                                                  u" name \"" + std::u16string(name) +
                                                  u"\" is not valid: " + std::u16string(why));
  };
  if (name.empty()) refuse(u"it is empty");
  bool only_dots_and_spaces = true;
  for (char16_t c : name) {
    if (c < 0x20 || c == 0x7F) refuse(u"it holds a control character");
    if (kForbidden.find(c) != std::u16string_view::npos) {
      refuse(u"it holds the character '" + std::u16string(1, c) + u"'");
    }
    if (c != u'.' && c != u' ') only_dots_and_spaces = false;
  }
  if (only_dots_and_spaces) refuse(u"it is made only of dots and spaces");
  if (kind == ObjectKind::kUser && name.size() > kMaxUserName) {
    refuse(u"a user name has at most 20 characters");
  }
  if (name.size() > kMaxName) refuse(u"it is longer than 256 characters");
}

}  // namespace moxtrel::directory
