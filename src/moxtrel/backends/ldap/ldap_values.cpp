#include "moxtrel/backends/ldap/ldap_values.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::ldap {

std::u16string Where(const LdapEntry& e) {
  return u"the entry \"" + FromUtf8(e.dn) + u"\"";
}

void Refuse(const LdapEntry& e, std::u16string_view property, const std::u16string& why,
            uint32_t code) {
  throw AutomationError(code, u"The property \"" + std::u16string(property) + u"\" of " + Where(e) +
                                  u" cannot be written: " + why);
}

std::string One(const LdapEntry& e, std::string_view attr) {
  const auto& v = e.Values(attr);
  if (v.empty()) return {};
  // The model holds one value; picking one would hide the others.
  if (v.size() > 1) {
    throw AutomationError(errc::kNotSupported, u"The attribute " + FromUtf8(attr) + u" of " +
                                                   Where(e) + u" holds " +
                                                   FromUtf8(std::to_string(v.size())) +
                                                   u" values where one is expected");
  }
  return v.front();
}

void Set(LdapEntry& e, std::string_view attr, const std::string& value) {
  std::string key(attr);
  for (auto& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (value.empty()) {
    e.attrs.erase(key);
  } else {
    e.attrs[key] = {value};
  }
}

std::optional<int64_t> Number(const LdapEntry& e, std::string_view attr) {
  const std::string s = One(e, attr);
  if (s.empty()) return std::nullopt;
  try {
    std::size_t used = 0;
    int64_t n = std::stoll(s, &used);
    if (used == s.size()) return n;
  } catch (const std::exception&) {
  }
  throw AutomationError(errc::kTypeMismatch, u"The attribute " + FromUtf8(attr) + u" of " +
                                                 Where(e) + u" is not a number: \"" + FromUtf8(s) +
                                                 u"\"");
}

Variant Text(const LdapEntry& e, std::string_view attr) {
  return Variant(FromUtf8(One(e, attr)));
}

void PutText(LdapEntry& e, std::string_view attr, const Variant& v) {
  Set(e, attr, ToUtf8(v.AsString()));
}

}  // namespace moxtrel::backends::ldap
