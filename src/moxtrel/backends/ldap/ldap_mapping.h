// The mapping between the object model's properties and LDAP attributes: ONE table per
// profile and kind of object, row for row as docs/ldap.md shows it (the rfc2307 tables in
// ldap_mapping.cpp, the dc tables in ldap_dc_mapping.cpp). Rows read from an entry as searched
// and write into a working copy of it; the handle then sends the attributes that changed in one
// modify.
//
//   Variant full = ReadProperty(LdapSchema::kDc, ObjectKind::kUser, entry, u"FullName");
//   WriteProperty(LdapSchema::kDc, ObjectKind::kUser, copy, u"FullName", Variant(u"Alice"));
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/backends/ldap/ldap_connection.h"
#include "moxtrel/directory/path.h"
#include "moxtrel/frame/variant.h"

namespace moxtrel::backends::ldap {

struct PropertyRow {
  std::u16string_view name;
  // The attributes that hold it (or why none does), as docs/ldap.md shows it (Markdown).
  std::u16string_view source;
  Variant (*get)(const LdapEntry&);
  void (*put)(LdapEntry&, const Variant&);  // nullptr: a write of another value is refused
};

std::span<const PropertyRow> PropertiesOf(LdapSchema schema, directory::ObjectKind kind) noexcept;
std::span<const PropertyRow> DcPropertiesOf(directory::ObjectKind kind) noexcept;
// The attributes the rows of a kind read: what a listing fetches and a handle reads on demand.
const std::vector<std::string>& MappedAttributes(LdapSchema schema,
                                                 directory::ObjectKind kind) noexcept;
const std::vector<std::string>& DcMappedAttributes(directory::ObjectKind kind) noexcept;
// The domain's password policy rows of the rfc2307 profile, which holds none.
std::span<const PropertyRow> DomainPolicyNotHeld() noexcept;
// The attributes of the domain object the dc profile's domain rows read.
const std::vector<std::string>& DcDomainAttributes() noexcept;

// Windows FILETIME (100 ns intervals since 1 January 1601, UTC) as a Date and back; 0 and
// 0x7FFFFFFFFFFFFFFF (and anything not after 1601) mean "never", the empty Date 0.0, which is
// written as 0x7FFFFFFFFFFFFFFF. Whole seconds are kept. FileTimeOf is nullopt for a date
// before 1601.
Date DateOfFileTime(int64_t ticks) noexcept;
std::optional<int64_t> FileTimeOf(Date date) noexcept;

// By name without regard to case. errc::kPropertyNotFound for a name no row holds;
// errc::kNotSupported, naming the property and the entry, for a value the directory cannot
// hold or an attribute with several values where the property takes one; a write of the value
// the property already reads is accepted and changes nothing.
Variant ReadProperty(LdapSchema schema, directory::ObjectKind kind, const LdapEntry& e,
                     std::u16string_view name);
void WriteProperty(LdapSchema schema, directory::ObjectKind kind, LdapEntry& e,
                   std::u16string_view name, const Variant& value);

// The changes that turn `before` into `after`: one replace (or delete) per changed attribute.
std::vector<LdapChange> Diff(const LdapEntry& before, const LdapEntry& after);

}  // namespace moxtrel::backends::ldap
