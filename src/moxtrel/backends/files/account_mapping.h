// The mapping between the object model's properties and the account files: ONE table per kind
// of object, row for row as docs/local-accounts.md shows it. Each row names the property as
// IADs.Get/Put and the typed properties name it, says where the files hold it, and reads and
// writes it on a record of the files.
//
//   UserRecord r = ...;                                   // a user's passwd and shadow rows
//   Variant full = ReadUserProperty(r, u"FullName");      // the GECOS text before the first comma
//   WriteUserProperty(r, u"FullName", Variant(u"Alice")); // refused with a clear error if bad
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "moxtrel/backends/files/colon_file.h"
#include "moxtrel/backends/files/settings_files.h"
#include "moxtrel/frame/variant.h"

namespace moxtrel::backends::files {

// One user as the files hold it.
struct UserRecord {
  Row pw;                         // the passwd fields
  std::optional<Row> sp;          // the shadow fields, when the user has a shadow entry
  bool shadow_file = false;       // whether etc/shadow exists, so that an entry can be made
  std::string shadow_unreadable;  // why etc/shadow, which exists, cannot be read; else empty
  int64_t today = 0;              // days since 1 January 1970
  const Settings* login_defs = nullptr;
  std::u16string where;  // the object's path, for messages
};

struct GroupRecord {
  Row gr;
  std::optional<Row> sg;
  std::u16string where;
};

struct ComputerRecord {
  std::string root;
  std::u16string where;
};

template <class Record>
struct PropertyRow {
  std::u16string_view name;
  // The row as docs/local-accounts.md shows it (Markdown): where the files hold the property
  // (or why they cannot), and what a write does.
  std::u16string_view source;
  std::u16string_view write;
  Variant (*get)(const Record&);
  void (*put)(Record&, const Variant&);  // nullptr: a write of another value is refused
};

std::span<const PropertyRow<UserRecord>> UserProperties() noexcept;
std::span<const PropertyRow<GroupRecord>> GroupProperties() noexcept;
std::span<const PropertyRow<ComputerRecord>> ComputerProperties() noexcept;

// Reads and writes by name without regard to case. errc::kPropertyNotFound for a name no row
// holds; errc::kAccessDenied, naming etc/shadow and why, for a property shadow holds while
// shadow cannot be read (it never reads as 0, False or empty then); errc::kNotSupported, naming the
// property and the backend, for a value the files cannot hold; a write of the value the property
// already reads is accepted and changes nothing.
Variant ReadUserProperty(const UserRecord& r, std::u16string_view name);
void WriteUserProperty(UserRecord& r, std::u16string_view name, const Variant& value);
Variant ReadGroupProperty(const GroupRecord& r, std::u16string_view name);
void WriteGroupProperty(GroupRecord& r, std::u16string_view name, const Variant& value);
Variant ReadComputerProperty(const ComputerRecord& r, std::u16string_view name);
void WriteComputerProperty(ComputerRecord& r, std::u16string_view name, const Variant& value);

// What reading the user property `name` (any case) looks at besides the user's passwd entry.
// A name no row holds needs nothing: reading it fails anyway.
struct UserPropertyNeeds {
  bool shadow = false;      // etc/shadow (or the password field it holds)
  bool login_defs = false;  // etc/login.defs
};
UserPropertyNeeds NeedsOfUserProperty(std::u16string_view name);

// The same in two steps, so that a read looks its row up once: the row of the user property
// `name` (any case), nullptr when no row holds it; what reading it needs; the read itself.
const PropertyRow<UserRecord>* FindUserRow(std::u16string_view name);
UserPropertyNeeds NeedsOfUserProperty(const PropertyRow<UserRecord>& row);
Variant ReadUserProperty(const UserRecord& r, const PropertyRow<UserRecord>& row);

// Refuses text that would break a colon file (":", a control character such as a newline or
// NUL; and "," where `comma_separates`), naming the property and `where`.
void CheckFieldText(std::u16string_view property, std::u16string_view where,
                    std::u16string_view text, bool comma_separates);

// "S-1-22-1-<uid>" for users and "S-1-22-2-<gid>" for groups, in binary form.
ByteArray UnixSid(uint32_t kind, uint32_t id);
int64_t DaysSinceEpochToday();

}  // namespace moxtrel::backends::files

namespace moxtrel::backends::files {
// Puts a new password hash where the user's password lives (shadow when it can) and records
// the change day, as passwd(1) does.
void StorePasswordHash(UserRecord& r, const std::string& hash);
}  // namespace moxtrel::backends::files
