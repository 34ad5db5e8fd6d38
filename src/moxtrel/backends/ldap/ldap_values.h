// Reading and writing single values of an entry as the property mappings need them: one value
// or an error naming the attribute, numbers parsed strictly, writes that name the property and
// the entry when they are refused.
//
//   std::optional<int64_t> uac = Number(e, "userAccountControl");
//   Set(copy, "displayName", "Alice");  // an empty value removes the attribute
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "moxtrel/backends/ldap/ldap_connection.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/variant.h"

namespace moxtrel::backends::ldap {

// "the entry \"<dn>\"", for messages.
std::u16string Where(const LdapEntry& e);
[[noreturn]] void Refuse(const LdapEntry& e, std::u16string_view property,
                         const std::u16string& why, uint32_t code = errc::kInvalidArg);
// The single value of an attribute; empty when absent; several values are an error.
std::string One(const LdapEntry& e, std::string_view attr);
// Replaces the attribute's values by one; an empty value removes the attribute.
void Set(LdapEntry& e, std::string_view attr, const std::string& value);
// The attribute as a whole number; nullopt when absent; an error when it is not a number.
std::optional<int64_t> Number(const LdapEntry& e, std::string_view attr);
Variant Text(const LdapEntry& e, std::string_view attr);
void PutText(LdapEntry& e, std::string_view attr, const Variant& v);

}  // namespace moxtrel::backends::ldap
