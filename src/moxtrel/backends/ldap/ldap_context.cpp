#include "moxtrel/backends/ldap/ldap_context.h"

#include <ldap.h>

#include <algorithm>

#include "moxtrel/backends/ldap/ldap_escape.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::ldap {

using directory::ObjectKind;

namespace {

std::string Under(const std::string& rdn, const char* fallback, const std::string& base) {
  return (rdn.empty() ? std::string(fallback) : rdn) + "," + base;
}

}  // namespace

LdapContext::LdapContext(LdapOptions options)
    : options_(std::move(options)), conn_(options_), domain_path_(u"WinNT://" + options_.domain) {
  const bool dc = Dc();
  people_ = Under(options_.people, dc ? "cn=Users" : "ou=People", options_.base);
  groups_ = Under(options_.groups, dc ? "cn=Users" : "ou=Groups", options_.base);
  computers_ = Under(options_.computers, dc ? "cn=Computers" : "ou=Computers", options_.base);
}

std::u16string LdapContext::AccountPath(std::string_view name) const {
  return domain_path_ + u"/" + FromUtf8(name);
}

std::string LdapContext::ContainerDn(ObjectKind kind) const {
  return kind == ObjectKind::kUser ? people_ : kind == ObjectKind::kGroup ? groups_ : computers_;
}

const std::string& LdapContext::SearchBase(ObjectKind kind) const {
  if (Dc()) return options_.base;
  return kind == ObjectKind::kUser ? people_ : kind == ObjectKind::kGroup ? groups_ : computers_;
}

SearchScope LdapContext::Scope() const noexcept {
  return Dc() ? SearchScope::kSubtree : SearchScope::kOneLevel;
}

const char* LdapContext::NamingAttribute(ObjectKind kind) const noexcept {
  if (Dc()) return "sAMAccountName";
  return kind == ObjectKind::kUser ? "uid" : "cn";
}

const std::string& LdapContext::MemberValue(const Target& user) const noexcept {
  return Dc() ? user.dn : user.name;
}

std::string LdapContext::NewRdn(ObjectKind kind, std::string_view name) const {
  return std::string(Dc() ? "cn" : NamingAttribute(kind)) + "=" + DnValue(name);
}

std::string LdapContext::NewDn(ObjectKind kind, std::string_view name) const {
  return NewRdn(kind, name) + "," + ContainerDn(kind);
}

std::string LdapContext::Filter(ObjectKind kind, std::string_view name) const {
  std::string terms;
  int count = 1;
  std::string value(name);
  if (Dc()) {
    // A computer is a user too; its account name ends in "$".
    if (kind == ObjectKind::kUser) {
      terms = "(objectClass=user)(!(objectClass=computer))";
      ++count;
    } else {
      terms = kind == ObjectKind::kGroup ? "(objectClass=group)" : "(objectClass=computer)";
    }
    if (kind == ObjectKind::kComputer && !value.empty()) value += "$";
  } else {
    terms = kind == ObjectKind::kUser    ? "(objectClass=posixAccount)"
            : kind == ObjectKind::kGroup ? "(objectClass=posixGroup)"
                                         : "(objectClass=device)";
  }
  if (!value.empty()) {
    terms += "(" + std::string(NamingAttribute(kind)) + "=" + FilterValue(value) + ")";
    ++count;
  }
  return count == 1 ? terms : "(&" + terms + ")";
}

std::string LdapContext::NameOf(ObjectKind kind, const LdapEntry& e) const {
  const auto& values = e.Values(NamingAttribute(kind));
  if (Dc()) {
    std::string name = values.size() == 1 ? values.front() : std::string();
    if (kind == ObjectKind::kComputer && name.ends_with('$')) name.pop_back();
    return name;
  }
  if (values.size() == 1) return values.front();
  // The RDN's value names the account; another value of the naming attribute does not.
  LDAPDN dn = nullptr;
  std::string rdn_value;
  if (ldap_str2dn(e.dn.c_str(), &dn, LDAP_DN_FORMAT_LDAPV3) == LDAP_SUCCESS && dn && dn[0]) {
    LDAPAVA* ava = dn[0][0];
    if (ava) rdn_value.assign(ava->la_value.bv_val, ava->la_value.bv_len);
  }
  if (dn) ldap_dnfree(dn);
  if (!rdn_value.empty()) return rdn_value;
  return values.empty() ? std::string() : values.front();
}

std::optional<LdapEntry> LdapContext::Find(ObjectKind kind, std::string_view name,
                                           const std::vector<std::string>& attrs) {
  std::vector<std::string> wanted = attrs;
  if (Dc()) wanted.push_back(NamingAttribute(kind));
  auto found = conn_.Search(SearchBase(kind), Scope(), Filter(kind, name), wanted);
  if (found.empty()) return std::nullopt;
  if (found.size() > 1) {
    throw AutomationError(errc::kFail, u"LDAP " + FromUtf8(conn_.url()) + u": " +
                                           FromUtf8(std::to_string(found.size())) +
                                           u" entries are named \"" + FromUtf8(name) +
                                           u"\" under " + FromUtf8(SearchBase(kind)));
  }
  return std::move(found.front());
}

Target LdapContext::Resolve(std::u16string_view path) {
  directory::ParsedPath p = directory::ParsePath(path);
  auto none = [&](std::u16string_view why) -> Target {
    throw AutomationError(errc::kNoSuchObject, u"There is no object at " + std::u16string(path) +
                                                   u": " + std::u16string(why));
  };
  if (p.components.empty() || !EqualsNoCase(p.components[0], options_.domain)) {
    none(u"the LDAP backend serves the domain " + options_.domain + u" only");
  }
  if (p.components.size() == 1) {
    if (p.kind && *p.kind != ObjectKind::kDomain)
      none(u"a domain is not a " + std::u16string(directory::KindNoun(*p.kind)));
    return {ObjectKind::kDomain, "", options_.base};
  }
  if (p.components.size() > 2) {
    none(u"the LDAP backend holds no objects inside a computer");
  }
  const std::string name = ToUtf8(p.components[1]);
  if (name.empty()) none(u"an account's name is empty");
  std::vector<ObjectKind> kinds;
  if (p.kind) {
    if (*p.kind != ObjectKind::kUser && *p.kind != ObjectKind::kGroup &&
        *p.kind != ObjectKind::kComputer) {
      none(u"the LDAP backend holds users, groups and computers only");
    }
    kinds = {*p.kind};
  } else {
    kinds = {ObjectKind::kUser, ObjectKind::kGroup, ObjectKind::kComputer};
  }
  for (ObjectKind k : kinds) {
    if (auto e = Find(k, name, {})) return {k, NameOf(k, *e), e->dn};
  }
  return none(u"the directory at " + FromUtf8(options_.url) + u" has no such entry");
}

uint32_t LdapContext::NextId(ObjectKind kind) {
  const bool user = kind == ObjectKind::kUser;
  const char* attr = user ? "uidNumber" : "gidNumber";
  uint32_t next = user ? options_.first_uid : options_.first_gid;
  for (const auto& e : conn_.Search(SearchBase(kind), Scope(), Filter(kind, ""), {attr})) {
    for (const auto& v : e.Values(attr)) {
      try {
        const unsigned long n = std::stoul(v);
        if (n >= next && n < 0xFFFFFFFEul) next = static_cast<uint32_t>(n + 1);
      } catch (const std::exception&) {
      }
    }
  }
  return next;
}

}  // namespace moxtrel::backends::ldap
