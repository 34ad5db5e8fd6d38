// The WinNT path grammar: "WinNT://" + components separated by "/" + an optional "," + class
// word, and the naming rules of the NT namespace.
//
//   ParsedPath p = ParsePath(u"WinNT://CORP/alice,user");  // {"CORP", "alice"}, ObjectKind::kUser
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moxtrel::directory {

enum class ObjectKind {
  kDomain,
  kComputer,
  kUser,
  kGroup,
  kFileService,
  kFileShare,
  kPrintQueue,
  kPrintJob,
  kService,
};

inline constexpr std::u16string_view kPathPrefix = u"WinNT://";
// The namespace's own path: the parent of a domain or of a computer outside one ("WinNT:").
inline constexpr std::u16string_view kNamespacePath = kPathPrefix.substr(0, kPathPrefix.size() - 2);
inline constexpr std::u16string_view kFileServiceName = u"LanmanServer";

struct ParsedPath {
  std::vector<std::u16string> components;
  std::optional<ObjectKind> kind;  // from the class word, when one was given
};

// Throws errc::kBadPathname for a malformed path, errc::kUnknownObject for an unknown class word.
ParsedPath ParsePath(std::u16string_view path);

// The class word a path or Create names ("user", "PrintQueue", ...), without regard to case;
// nullopt when the namespace knows no such class.
std::optional<ObjectKind> KindFromClassWord(std::u16string_view word) noexcept;
// The same, or errc::kUnknownObject: "<where>: unknown class word "<word>"".
ObjectKind RequireClassWord(std::u16string_view word, std::u16string_view where);
// What IADs.Class reports: "User", "PrintQueue", ...
std::u16string_view ClassName(ObjectKind kind) noexcept;
// Lower-case noun for messages: "user", "print queue", ...
std::u16string_view KindNoun(ObjectKind kind) noexcept;

// Throws errc::kInvalidName when the NT namespace cannot hold `name` for an object of `kind`.
void ValidateName(std::u16string_view name, ObjectKind kind);

}  // namespace moxtrel::directory
