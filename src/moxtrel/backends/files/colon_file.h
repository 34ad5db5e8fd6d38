// ColonFile: one of the colon-separated account files (passwd, shadow, group, gshadow), parsed
// line by line and written back with every line it did not change kept byte for byte.
//
//   ColonFile passwd = ColonFile::Parse("etc/passwd", 7, text);   // throws on "etc/passwd:3: ..."
//   if (auto row = passwd.Find("alice")) passwd.rows[*row][kPwGecos] = "Alice";
//   std::string out = passwd.Format();
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace moxtrel::backends::files {

// Field positions.
enum PasswdField : std::size_t { kPwName, kPwPasswd, kPwUid, kPwGid, kPwGecos, kPwHome, kPwShell };
enum ShadowField : std::size_t {
  kSpName,
  kSpPasswd,
  kSpLastChange,
  kSpMin,
  kSpMax,
  kSpWarn,
  kSpInactive,
  kSpExpire,
  kSpReserved
};
enum GroupField : std::size_t { kGrName, kGrPasswd, kGrGid, kGrMembers };
enum GshadowField : std::size_t { kSgName, kSgPasswd, kSgAdmins, kSgMembers };

inline constexpr std::size_t kPasswdFields = 7;
inline constexpr std::size_t kShadowFields = 9;
inline constexpr std::size_t kGroupFields = 4;
inline constexpr std::size_t kGshadowFields = 4;
inline constexpr std::size_t kMaxFields = kShadowFields;

using Row = std::vector<std::string>;

struct ColonFile {
  std::string label;  // "etc/passwd": how messages name the file
  std::size_t field_count = 0;
  bool present = false;    // false when the file does not exist or cannot be read
  std::string unreadable;  // why the file, which exists, cannot be read (empty when it can)
  std::vector<Row> rows;

  // Throws AutomationError "etc/passwd:7: expected 7 fields" for a malformed line; checks the
  // numeric fields of passwd, group and shadow.
  static ColonFile Parse(std::string label, std::size_t field_count, std::string_view text);
  std::string Format() const;

  // The row of an entry by exact name, else by a name equal without regard to case when only
  // one such entry exists.
  std::optional<std::size_t> Find(std::string_view name) const;
  std::optional<std::size_t> FindExact(std::string_view name) const;
  void Reindex();
  void Append(Row row);
  void Erase(std::size_t row);

 private:
  std::unordered_map<std::string, std::size_t> index_;
};

// Splits one line (without its newline) into `fields` (room for kMaxFields) and checks it as
// ColonFile::Parse does; throws "etc/passwd:7: expected 7 fields, found 3" and the like.
void SplitCheckedLine(const std::string& label, std::size_t field_count, std::size_t line,
                      std::string_view raw, std::string_view* fields);

// The longest entry (line, without its newline) the platform's account tools read back from
// the file `label` names: 32767 bytes in passwd, 4 MiB less one in the others.
std::size_t MaxEntryBytes(std::string_view label);

// Comma-separated member lists of group and gshadow.
std::vector<std::string> SplitList(std::string_view field);
std::string JoinList(const std::vector<std::string>& items);

// A field's text (UTF-8) as UTF-16, made or appended to `out`. Fields are nearly always ASCII,
// which is copied as it is.
std::u16string FieldText(std::string_view field);
void AppendFieldText(std::u16string& out, std::string_view field);

// A numeric field: nullopt when empty; throws naming `what` when not a number.
std::optional<int64_t> NumberField(std::string_view field);
uint32_t IdField(std::string_view field);

}  // namespace moxtrel::backends::files
