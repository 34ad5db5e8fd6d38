// LdapConnection: one bound session with the directory, shared by every handle of a provider.
// It connects on first use, reconnects once when the server went away, pages every listing
// with the paged-results control, and turns each failure into an AutomationError that names
// the URL and the operation.
//
//   auto entries = conn.Search(base, LDAP_SCOPE_ONELEVEL, "(uid=alice)", {"uid", "cn"});
//   conn.Modify(dn, {{LDAP_MOD_ADD, "memberUid", {"alice"}}});
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/backends/ldap/ldap_provider.h"

typedef struct ldap LDAP;

namespace moxtrel::backends::ldap {

// An entry as read: its DN and its attributes, names in lower case.
struct LdapEntry {
  std::string dn;
  std::map<std::string, std::vector<std::string>> attrs;

  // The values of an attribute; empty when the entry has none.
  const std::vector<std::string>& Values(std::string_view attr) const;
};

struct LdapChange {
  int op;  // LDAP_MOD_ADD, LDAP_MOD_DELETE or LDAP_MOD_REPLACE
  std::string attr;
  std::vector<std::string> values;
};

enum class SearchScope { kBase, kOneLevel, kSubtree };

class LdapConnection {
 public:
  explicit LdapConnection(const LdapOptions& options);
  ~LdapConnection();
  LdapConnection(const LdapConnection&) = delete;
  LdapConnection& operator=(const LdapConnection&) = delete;

  // Every entry matching, all pages of it; an empty attrs list asks for no attribute values.
  std::vector<LdapEntry> Search(const std::string& base, SearchScope scope,
                                const std::string& filter, const std::vector<std::string>& attrs);
  void Add(const std::string& dn, const std::vector<LdapChange>& attrs);
  // All changes in one modify operation; with encrypted_only, refused (and not sent) unless the
  // session is encrypted.
  void Modify(const std::string& dn, const std::vector<LdapChange>& changes,
              bool encrypted_only = false);
  void Delete(const std::string& dn);
  // A modify-DN within the same parent; the old RDN value is removed.
  void Rename(const std::string& dn, const std::string& new_rdn);
  // The Password Modify extended operation.
  void SetPassword(const std::string& dn, const std::string& password);

  // Whether the session (connected if need be) runs over TLS: ldaps:// or StartTLS.
  bool Encrypted();
  const std::string& url() const noexcept { return url_; }
  // Drops the session, as a lost connection would (for tests of the reconnect).
  void Drop();

 private:
  template <class Op>
  void Run(std::u16string_view what, const std::string& target, Op op);
  void Connect();
  void Close() noexcept;
  int SearchPages(const std::string& base, int scope, const std::string& filter,
                  const std::vector<std::string>& attrs, std::vector<LdapEntry>& out);

  LdapOptions options_;
  std::string url_;
  std::mutex mu_;
  LDAP* ld_ = nullptr;
};

}  // namespace moxtrel::backends::ldap
