#include "moxtrel/backends/ldap/ldap_context.h"

#include <ldap.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

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
    : options_(std::move(options)),
      conn_(options_),
      domain_path_(std::u16string(directory::kPathPrefix) + options_.domain) {
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
  return SearchScope::kSubtree;
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

std::string LdapContext::RenamedDn(const Target& t, std::string_view name) const {
  // The parent is what follows the first comma that no backslash escapes.
  for (std::size_t i = 0; i < t.dn.size(); ++i) {
    if (t.dn[i] == '\\') {
      ++i;
    } else if (t.dn[i] == ',') {
      return NewRdn(t.kind, name) + t.dn.substr(i);
    }
  }
  return NewDn(t.kind, name);
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
    std::u16string dns;
    for (const auto& e : found) dns += (dns.empty() ? u"" : u" and ") + FromUtf8(e.dn);
    throw AutomationError(errc::kFail, u"LDAP " + FromUtf8(conn_.url()) + u": " +
                                           FromUtf8(std::to_string(found.size())) +
                                           u" entries are named \"" + FromUtf8(name) +
                                           u"\" under " + FromUtf8(SearchBase(kind)) + u": " + dns +
                                           u"; a name must be held by one entry");
  }
  return std::move(found.front());
}

Target LdapContext::Resolve(std::u16string_view path) {
  directory::ParsedPath p;
  try {
    p = directory::ParsePath(path);
  } catch (const AutomationError& e) {
    // A path holds one comma, before its class word: a name with a comma cannot be written.
    if (path.find(u',') == std::u16string_view::npos) throw;
    throw AutomationError(e.code(), e.description() +
                                        u"; a name holding a comma cannot be written in a path, "
                                        u"so such an account is reached through a listing only");
  }
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

std::string LdapContext::PoolDn() const {
  return (options_.id_pool.empty() ? std::string("cn=moxtrel-next-id") : options_.id_pool) + "," +
         options_.base;
}

uint32_t LdapContext::Floor(ObjectKind kind) {
  const bool user = kind == ObjectKind::kUser;
  const char* attr = user ? "uidNumber" : "gidNumber";
  uint32_t next = user ? options_.first_uid : options_.first_gid;
  const std::string filter = user ? "(objectClass=posixAccount)" : "(objectClass=posixGroup)";
  for (const auto& e : conn_.Search(options_.base, SearchScope::kSubtree, filter, {attr})) {
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

std::vector<LdapEntry> LdapContext::Holders(ObjectKind kind, uint32_t id) {
  const bool user = kind == ObjectKind::kUser;
  const std::string filter = std::string(user ? "(&(objectClass=posixAccount)(uidNumber="
                                              : "(&(objectClass=posixGroup)(gidNumber=") +
                             std::to_string(id) + "))";
  return conn_.Search(options_.base, SearchScope::kSubtree, filter, {});
}

uint32_t LdapContext::NextId(ObjectKind kind) {
  const bool user = kind == ObjectKind::kUser;
  const std::string attr = user ? "uidNumber" : "gidNumber";
  const uint32_t first = user ? options_.first_uid : options_.first_gid;
  const std::string pool = PoolDn();
  const std::u16string where = u"The id pool " + FromUtf8(pool) + u" of " + FromUtf8(conn_.url());
  thread_local std::minstd_rand jitter(
      static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                            std::hash<std::thread::id>{}(std::this_thread::get_id())));
  for (int attempt = 0; attempt < 200; ++attempt) {
    std::vector<LdapEntry> found;
    try {
      found = conn_.Search(pool, SearchScope::kBase, "(objectClass=*)", {attr});
    } catch (const AutomationError& e) {
      if (e.code() != static_cast<int32_t>(errc::kNoSuchObject)) throw;
    }
    if (found.empty()) {
      if (!options_.id_pool.empty()) {
        throw AutomationError(errc::kNoSuchObject,
                              where +
                                  u" does not exist: make it with a uidNumber and a gidNumber, "
                                  u"the next ids to give");
      }
      try {
        conn_.Add(pool, {{LDAP_MOD_ADD, "objectClass", {"applicationProcess", "extensibleObject"}},
                         {LDAP_MOD_ADD, "cn", {"moxtrel-next-id"}},
                         {LDAP_MOD_ADD, "uidNumber", {std::to_string(Floor(ObjectKind::kUser))}},
                         {LDAP_MOD_ADD, "gidNumber", {std::to_string(Floor(ObjectKind::kGroup))}}});
      } catch (const AutomationError& e) {
        // Another writer made it first: read theirs.
        if (e.code() != static_cast<int32_t>(errc::kObjectExists)) throw;
      }
      continue;
    }
    const auto& values = found.front().Values(attr);
    if (values.size() != 1) {
      throw AutomationError(errc::kFail, where + u" holds " +
                                             FromUtf8(std::to_string(values.size())) +
                                             u" values of " + FromUtf8(attr) +
                                             u" where one is "
                                             u"expected");
    }
    uint32_t next = 0;
    try {
      std::size_t used = 0;
      const unsigned long n = std::stoul(values[0], &used);
      if (used != values[0].size() || n >= 0xFFFFFFFEul) throw std::out_of_range("id");
      next = static_cast<uint32_t>(n);
    } catch (const std::exception&) {
      throw AutomationError(errc::kFail, where + u" holds " + FromUtf8(attr) + u" \"" +
                                             FromUtf8(values[0]) + u"\", not an id");
    }
    const uint32_t id = std::max(next, first);
    // An id another tool gave meanwhile is passed over: the pool moves past every id in use.
    const bool taken = !Holders(kind, id).empty();
    const uint32_t after = taken ? std::max(id + 1, Floor(kind)) : id + 1;
    if (conn_.Swap(pool, attr, values[0], std::to_string(after)) && !taken) return id;
    if (!taken) {
      // Another writer took this one first; a short random wait keeps writers from meeting again.
      std::this_thread::sleep_for(std::chrono::milliseconds(jitter() % (2 + attempt % 16)));
    }
  }
  throw AutomationError(errc::kFail, where +
                                         u": no id could be taken after 200 attempts; other "
                                         u"writers kept taking them first");
}

void LdapContext::RequireSoleId(ObjectKind kind, const LdapEntry& e) {
  if (Dc() || (kind != ObjectKind::kUser && kind != ObjectKind::kGroup)) return;
  const char* attr = kind == ObjectKind::kUser ? "uidNumber" : "gidNumber";
  const auto& values = e.Values(attr);
  if (values.size() != 1) return;
  uint32_t id = 0;
  try {
    id = static_cast<uint32_t>(std::stoul(values[0]));
  } catch (const std::exception&) {
    return;
  }
  const auto holders = Holders(kind, id);
  if (holders.size() < 2) return;
  std::u16string dns;
  for (const auto& h : holders) dns += (dns.empty() ? u"" : u" and ") + FromUtf8(h.dn);
  throw AutomationError(errc::kFail, u"LDAP " + FromUtf8(conn_.url()) + u": the " + FromUtf8(attr) +
                                         u" " + FromUtf8(values[0]) + u" is held by " +
                                         FromUtf8(std::to_string(holders.size())) + u" accounts, " +
                                         dns + u"; an id must name one account: give each its own");
}

}  // namespace moxtrel::backends::ldap
