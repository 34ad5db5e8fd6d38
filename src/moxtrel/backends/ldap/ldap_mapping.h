// The mapping between the object model's properties and LDAP attributes in the rfc2307
// profile: ONE table per kind of object, row for row as docs/ldap.md shows it. Rows read
// from an entry as searched and write into a working copy of it; the handle then sends the
// attributes that changed in one modify.
//
//   Variant full = ReadProperty(UserProperties(), ObjectKind::kUser, entry, u"FullName");
//   WriteProperty(UserProperties(), ObjectKind::kUser, copy, u"FullName", Variant(u"Alice"));
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "moxtrel/backends/ldap/ldap_connection.h"
#include "moxtrel/directory/path.h"
#include "moxtrel/frame/variant.h"

namespace moxtrel::backends::ldap {

struct PropertyRow {
  std::u16string_view name;
  std::u16string_view source;  // the attributes that hold it (or why none does)
  Variant (*get)(const LdapEntry&);
  void (*put)(LdapEntry&, const Variant&);  // nullptr: a write of another value is refused
};

std::span<const PropertyRow> UserProperties() noexcept;
std::span<const PropertyRow> GroupProperties() noexcept;
std::span<const PropertyRow> ComputerProperties() noexcept;
std::span<const PropertyRow> DomainProperties() noexcept;
std::span<const PropertyRow> PropertiesOf(directory::ObjectKind kind) noexcept;

// By name without regard to case. errc::kPropertyNotFound for a name no row holds;
// errc::kNotSupported, naming the property and the entry, for a value the directory cannot
// hold or an attribute with several values where the property takes one; a write of the value
// the property already reads is accepted and changes nothing.
Variant ReadProperty(directory::ObjectKind kind, const LdapEntry& e, std::u16string_view name);
void WriteProperty(directory::ObjectKind kind, LdapEntry& e, std::u16string_view name,
                   const Variant& value);

// The changes that turn `before` into `after`: one replace (or delete) per changed attribute.
std::vector<LdapChange> Diff(const LdapEntry& before, const LdapEntry& after);

}  // namespace moxtrel::backends::ldap
