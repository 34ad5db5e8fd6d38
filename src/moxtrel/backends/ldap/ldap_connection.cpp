#include "moxtrel/backends/ldap/ldap_connection.h"

#include <ldap.h>

#include <cstring>
#include <optional>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/platform/regular_file.h"

namespace moxtrel::backends::ldap {
namespace {

// Room for any CA bundle: a system's holds well under 1 MiB.
constexpr std::size_t kLargestCaFile = std::size_t{16} << 20;

const std::vector<std::string> kNoValues;

uint32_t CodeOf(int rc) {
  switch (rc) {
    case LDAP_NO_SUCH_OBJECT:
      return errc::kNoSuchObject;
    case LDAP_ALREADY_EXISTS:
      return errc::kObjectExists;
    case LDAP_INVALID_CREDENTIALS:
    case LDAP_INSUFFICIENT_ACCESS:
    case LDAP_INAPPROPRIATE_AUTH:
    case LDAP_STRONG_AUTH_REQUIRED:
    case LDAP_CONFIDENTIALITY_REQUIRED:
      return errc::kAccessDenied;
    case LDAP_SERVER_DOWN:
    case LDAP_CONNECT_ERROR:
    case LDAP_TIMEOUT:
    case LDAP_TIMELIMIT_EXCEEDED:
      return errc::kNetworkUnreachable;
    case LDAP_TYPE_OR_VALUE_EXISTS:
      return errc::kMemberInGroup;
    case LDAP_NO_SUCH_ATTRIBUTE:
      return errc::kMemberNotInGroup;
    case LDAP_INVALID_DN_SYNTAX:
    case LDAP_NAMING_VIOLATION:
      return errc::kInvalidName;
    case LDAP_REFERRAL:
    case LDAP_UNWILLING_TO_PERFORM:
      return errc::kNotSupported;
    default:
      return errc::kFail;
  }
}

bool ConnectionLost(int rc) {
  return rc == LDAP_SERVER_DOWN || rc == LDAP_CONNECT_ERROR;
}

timeval Timeval(std::chrono::milliseconds ms) {
  timeval tv{};
  tv.tv_sec = static_cast<time_t>(ms.count() / 1000);
  tv.tv_usec = static_cast<suseconds_t>((ms.count() % 1000) * 1000);
  return tv;
}

// The server's diagnostic message, if it sent one.
std::string Diagnostic(LDAP* ld) {
  if (!ld) return {};
  char* msg = nullptr;
  ldap_get_option(ld, LDAP_OPT_DIAGNOSTIC_MESSAGE, &msg);
  std::string out = msg ? msg : "";
  if (msg) ldap_memfree(msg);
  return out;
}

struct LdapError {
  int rc;
  std::string detail;
};

// An LDAPMod array over changes, kept alive for one call.
class ModArray {
 public:
  explicit ModArray(const std::vector<LdapChange>& changes) {
    vals_.resize(changes.size());
    mods_.resize(changes.size());
    for (std::size_t i = 0; i < changes.size(); ++i) {
      for (const auto& v : changes[i].values) {
        bvs_.push_back(berval{static_cast<ber_len_t>(v.size()), const_cast<char*>(v.data())});
      }
    }
    std::size_t at = 0;
    for (std::size_t i = 0; i < changes.size(); ++i) {
      for (std::size_t k = 0; k < changes[i].values.size(); ++k) vals_[i].push_back(&bvs_[at++]);
      vals_[i].push_back(nullptr);
      mods_[i].mod_op = changes[i].op | LDAP_MOD_BVALUES;
      mods_[i].mod_type = const_cast<char*>(changes[i].attr.c_str());
      mods_[i].mod_bvalues =
          changes[i].values.empty() && changes[i].op != LDAP_MOD_ADD ? nullptr : vals_[i].data();
      ptrs_.push_back(&mods_[i]);
    }
    ptrs_.push_back(nullptr);
  }
  LDAPMod** get() { return ptrs_.data(); }

 private:
  std::vector<berval> bvs_;
  std::vector<std::vector<berval*>> vals_;
  std::vector<LDAPMod> mods_;
  std::vector<LDAPMod*> ptrs_;
};

// The entry's DN and attributes, read in place from the message: names and values are copied
// once, straight from the BER buffer, with no allocation of libldap's own per value.
void ReadEntry(LDAP* ld, LDAPMessage* msg, LdapEntry& entry) {
  BerElement* ber = nullptr;
  berval dn{0, nullptr};
  if (ldap_get_dn_ber(ld, msg, &ber, &dn) == LDAP_SUCCESS) {
    entry.dn.assign(dn.bv_val, dn.bv_len);
    berval attr{0, nullptr};
    berval* vals = nullptr;
    while (ldap_get_attribute_ber(ld, msg, ber, &attr, &vals) == LDAP_SUCCESS && attr.bv_val) {
      std::string name(attr.bv_val, attr.bv_len);
      for (auto& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      auto& values = entry.attrs[std::move(name)];
      if (vals) {
        for (berval* v = vals; v->bv_val; ++v) values.emplace_back(v->bv_val, v->bv_len);
        ber_memfree(vals);
        vals = nullptr;
      }
    }
  }
  if (ber) ber_free(ber, 0);
}

// The entry's DN and attributes packed straight from the BER buffer.
void ReadListed(LDAP* ld, LDAPMessage* msg, ListedEntry& entry) {
  BerElement* ber = nullptr;
  berval dn{0, nullptr};
  PackedEntry::Builder packed;
  if (ldap_get_dn_ber(ld, msg, &ber, &dn) == LDAP_SUCCESS) {
    entry.dn.assign(dn.bv_val, dn.bv_len);
    berval attr{0, nullptr};
    berval* vals = nullptr;
    while (ldap_get_attribute_ber(ld, msg, ber, &attr, &vals) == LDAP_SUCCESS && attr.bv_val) {
      packed.Attribute({attr.bv_val, attr.bv_len});
      if (vals) {
        for (berval* v = vals; v->bv_val; ++v) packed.Value({v->bv_val, v->bv_len});
        ber_memfree(vals);
        vals = nullptr;
      }
    }
  }
  if (ber) ber_free(ber, 0);
  entry.attrs = packed.Finish();
}

uint32_t Load32(const char* at) {
  uint32_t v = 0;
  std::memcpy(&v, at, sizeof v);
  return v;
}

// Lengths and counts are written in 7-bit groups, low first: most take one byte.
void AppendVarint(std::string& out, std::size_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<char>((v & 0x7F) | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<char>(v));
}

std::size_t ReadVarint(const char*& at) {
  std::size_t v = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(*at++);
    v |= static_cast<std::size_t>(byte & 0x7F) << shift;
    if (!(byte & 0x80)) return v;
  }
}

// Calls f(name, values) for each attribute of a packed block; f returns false to stop.
template <class F>
void EachPacked(const char* data, F f) {
  if (!data) return;
  const char* at = data + 4;
  const char* end = at + Load32(data);
  std::vector<std::string_view> values;
  while (at < end) {
    const std::size_t name_len = ReadVarint(at);
    const std::string_view name(at, name_len);
    at += name_len;
    const std::size_t count = ReadVarint(at);
    values.clear();
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t len = ReadVarint(at);
      values.emplace_back(at, len);
      at += len;
    }
    if (!f(name, values)) return;
  }
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The URLs of a space- or comma-separated list (a piece with no "://" is the rest of a DN in the
// URL before it).
std::vector<std::string_view> Urls(std::string_view urls) {
  std::vector<std::string_view> out;
  std::size_t at = 0;
  while (at < urls.size()) {
    const std::size_t end = urls.find_first_of(" ,\t", at);
    const std::size_t stop = end == std::string_view::npos ? urls.size() : end;
    const std::string_view piece = urls.substr(at, stop - at);
    if (piece.find("://") != std::string_view::npos) out.push_back(piece);
    at = stop + 1;
  }
  return out;
}

bool HasScheme(std::string_view url, std::string_view scheme) {
  if (url.size() < scheme.size()) return false;
  for (std::size_t i = 0; i < scheme.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(url[i])) != scheme[i]) return false;
  }
  return true;
}

// Whether a TLS session with the server works once its certificate is not checked: then a
// failure with checking was the certificate's. The probe sends no credentials and no request.
bool TlsWorksUnverified(const LdapOptions& options, const std::string& url) {
  LDAP* ld = nullptr;
  if (ldap_initialize(&ld, url.c_str()) != LDAP_SUCCESS) return false;
  const int v3 = LDAP_VERSION3;
  ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &v3);
  timeval net = Timeval(options.connect_timeout);
  ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &net);
  const int never = LDAP_OPT_X_TLS_NEVER;
  ldap_set_option(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &never);
  const int newctx = 0;
  ldap_set_option(ld, LDAP_OPT_X_TLS_NEWCTX, &newctx);
  const int rc = options.start_tls ? ldap_start_tls_s(ld, nullptr, nullptr) : ldap_connect(ld);
  ldap_unbind_ext_s(ld, nullptr, nullptr);
  return rc == LDAP_SUCCESS;
}

}  // namespace

bool ClearTransport(const LdapOptions& options) {
  const auto urls = Urls(options.url);
  if (urls.empty()) return !options.start_tls;
  for (std::string_view url : urls) {
    if (HasScheme(url, "ldaps://") || HasScheme(url, "ldapi://")) continue;
    if (!options.start_tls) return true;
  }
  return false;
}

bool UrlHoldsUserInfo(std::string_view urls) {
  for (std::string_view url : Urls(urls)) {
    const std::size_t scheme = url.find("://");
    const std::size_t from = scheme == std::string_view::npos ? 0 : scheme + 3;
    const std::size_t slash = url.find('/', from);
    const std::string_view authority =
        url.substr(from, slash == std::string_view::npos ? std::string_view::npos : slash - from);
    if (authority.find('@') != std::string_view::npos) return true;
  }
  return false;
}

PackedEntry& PackedEntry::operator=(const PackedEntry& other) {
  if (this == &other) return *this;
  if (!other.data_) {
    data_.reset();
    return *this;
  }
  const std::size_t size = 4 + Load32(other.data_.get());
  data_ = std::make_unique_for_overwrite<char[]>(size);
  std::memcpy(data_.get(), other.data_.get(), size);
  return *this;
}

LdapEntry PackedEntry::Unpack(std::string dn) const {
  LdapEntry e{std::move(dn), {}};
  EachPacked(data_.get(), [&](std::string_view name, const std::vector<std::string_view>& values) {
    auto& out = e.attrs[std::string(name)];
    out.reserve(values.size());
    for (auto v : values) out.emplace_back(v);
    return true;
  });
  return e;
}

std::vector<std::string> PackedEntry::Values(std::string_view attr) const {
  const std::string key = Lower(attr);
  std::vector<std::string> out;
  EachPacked(data_.get(), [&](std::string_view name, const std::vector<std::string_view>& values) {
    if (name != key) return true;
    for (auto v : values) out.emplace_back(v);
    return false;
  });
  return out;
}

void PackedEntry::Builder::Attribute(std::string_view name) {
  Flush();
  name_ = Lower(name);
  open_ = true;
}

void PackedEntry::Builder::Value(std::string_view value) {
  if (!open_) return;
  ++count_;
  AppendVarint(values_, value.size());
  values_.append(value);
}

void PackedEntry::Builder::Flush() {
  if (!open_) return;
  if (bytes_.empty()) bytes_.resize(4);
  AppendVarint(bytes_, name_.size());
  bytes_.append(name_);
  AppendVarint(bytes_, count_);
  bytes_.append(values_);
  values_.clear();
  count_ = 0;
  open_ = false;
}

PackedEntry PackedEntry::Builder::Finish() {
  Flush();
  PackedEntry out;
  if (bytes_.empty()) return out;
  const auto size = static_cast<uint32_t>(bytes_.size() - 4);
  std::memcpy(bytes_.data(), &size, sizeof size);
  out.data_ = std::make_unique_for_overwrite<char[]>(bytes_.size());
  std::memcpy(out.data_.get(), bytes_.data(), bytes_.size());
  bytes_.clear();
  return out;
}

const std::vector<std::string>& LdapEntry::Values(std::string_view attr) const {
  std::string key(attr);
  for (auto& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto it = attrs.find(key);
  return it == attrs.end() ? kNoValues : it->second;
}

LdapConnection::LdapConnection(const LdapOptions& options)
    : options_(options), page_size_(options.page_size) {
  for (std::string_view url : Urls(options.url)) urls_.emplace_back(url);
  if (urls_.empty()) urls_.push_back(options.url);
  url_ = urls_.front();
}

LdapConnection::~LdapConnection() {
  Close();
}

void LdapConnection::Close() noexcept {
  if (ld_) ldap_unbind_ext_s(ld_, nullptr, nullptr);
  ld_ = nullptr;
}

void LdapConnection::Drop() {
  std::lock_guard lock(mu_);
  Close();
}

bool LdapConnection::Confidential() const {
  if (ld_ && ldap_tls_inplace(ld_)) return true;
  for (std::string_view url : Urls(url_)) {
    if (!HasScheme(url, "ldapi://")) return false;
  }
  return true;
}

void LdapConnection::Connect() {
  if (UrlHoldsUserInfo(options_.url)) {
    // Not echoed: it would print the password.
    throw AutomationError(errc::kInvalidArg,
                          u"LDAP: the URL holds user information (user:password@); give the "
                          u"password apart");
  }
  const bool simple = !options_.sasl_external && !options_.password.empty();
  // Checked before anything is sent: the password never goes out in clear by default.
  if (simple && !options_.allow_plaintext && ClearTransport(options_)) {
    throw AutomationError(
        errc::kAccessDenied,
        u"LDAP " + FromUtf8(options_.url) + u": refusing to send the bind password of \"" +
            FromUtf8(options_.bind_dn) +
            u"\" in clear: the connection is neither ldaps:// nor StartTLS (use ldaps://, set "
            u"start_tls = true, or allow_plaintext = true, which is unsafe)");
  }
  if (!options_.tls_ca_file.empty()) {
    // libldap would block on a FIFO with no writer: only a readable regular file is handed on.
    std::optional<std::string> ca;
    try {
      ca = platform::ReadRegularFile(options_.tls_ca_file, kLargestCaFile);
    } catch (const platform::RegularFileError& e) {
      throw AutomationError(errc::kInvalidArg, u"LDAP " + FromUtf8(options_.url) +
                                                   u": tls_ca_file " + FromUtf8(e.what()));
    }
    if (!ca) {
      throw AutomationError(errc::kInvalidArg,
                            u"LDAP " + FromUtf8(options_.url) + u": tls_ca_file " +
                                FromUtf8(options_.tls_ca_file) + u" does not exist");
    }
  }
  // The servers in order from the one in use: one that does not answer passes the session to
  // the next; any other failure (credentials, TLS, base) is the same on every replica.
  std::u16string passed;
  for (std::size_t i = 0; i < urls_.size(); ++i) {
    const std::size_t at = (current_ + i) % urls_.size();
    url_ = urls_[at];
    std::u16string what;
    const int rc = ConnectTo(what);
    if (rc == LDAP_SUCCESS) {
      current_ = at;
      return;
    }
    const bool unreachable = ConnectionLost(rc) || rc == LDAP_TIMEOUT;
    if (urls_.size() == 1 || !unreachable) FailConnect(rc, what);
    passed += (passed.empty() ? u"" : u", ") + FromUtf8(url_) + u" (" + std::u16string(what) +
              u": " + FromUtf8(ldap_err2string(rc)) + u")";
    Close();
  }
  throw AutomationError(errc::kNetworkUnreachable,
                        u"LDAP: no server of the domain answered: " + passed);
}

void LdapConnection::FailConnect(int rc, std::u16string_view what) {
  std::string detail = Diagnostic(ld_);
  Close();
  std::u16string msg = u"LDAP " + FromUtf8(url_) + u": " + std::u16string(what) + u" failed: " +
                       FromUtf8(ldap_err2string(rc));
  if (!detail.empty()) msg += u" (" + FromUtf8(detail) + u")";
  if (options_.tls_verify && (options_.start_tls || !ClearTransport(options_)) &&
      ConnectionLost(rc) && TlsWorksUnverified(options_, url_)) {
    msg +=
        u"; the server's TLS certificate was not accepted (is it signed by a CA of "
        u"tls_ca_file, and does it name the host of the URL?)";
  }
  throw AutomationError(CodeOf(rc), msg);
}

bool LdapConnection::RefusedAsReplica(int rc) const {
  // slapd's replica without an update referral says "shadow context"; with one, it refers.
  if (rc == LDAP_REFERRAL) return urls_.size() > 1;
  return rc == LDAP_UNWILLING_TO_PERFORM &&
         Diagnostic(ld_).find("shadow context") != std::string::npos;
}

int LdapConnection::ConnectTo(std::u16string& what) {
  what = u"connecting";
  int rc = ldap_initialize(&ld_, url_.c_str());
  if (rc != LDAP_SUCCESS) return rc;
  const int v3 = LDAP_VERSION3;
  ldap_set_option(ld_, LDAP_OPT_PROTOCOL_VERSION, &v3);
  // Referrals are reported, not chased with our credentials to another server.
  ldap_set_option(ld_, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
  timeval net = Timeval(options_.connect_timeout);
  ldap_set_option(ld_, LDAP_OPT_NETWORK_TIMEOUT, &net);
  timeval op = Timeval(options_.operation_timeout);
  ldap_set_option(ld_, LDAP_OPT_TIMEOUT, &op);
  const int require = options_.tls_verify ? LDAP_OPT_X_TLS_DEMAND : LDAP_OPT_X_TLS_NEVER;
  ldap_set_option(ld_, LDAP_OPT_X_TLS_REQUIRE_CERT, &require);
  if (!options_.tls_ca_file.empty()) {
    ldap_set_option(ld_, LDAP_OPT_X_TLS_CACERTFILE, options_.tls_ca_file.c_str());
  }
  const int newctx = 0;
  ldap_set_option(ld_, LDAP_OPT_X_TLS_NEWCTX, &newctx);
  if (options_.start_tls) {
    what = u"StartTLS";
    rc = ldap_start_tls_s(ld_, nullptr, nullptr);
    if (rc != LDAP_SUCCESS) return rc;
  }
  if (options_.sasl_external) {
    what = u"SASL EXTERNAL bind";
    return ldap_sasl_bind_s(ld_, nullptr, "EXTERNAL", nullptr, nullptr, nullptr, nullptr);
  }
  what = u"binding as \"" + FromUtf8(options_.bind_dn) + u"\"";
  berval cred{static_cast<ber_len_t>(options_.password.size()),
              const_cast<char*>(options_.password.data())};
  return ldap_sasl_bind_s(ld_, options_.bind_dn.c_str(), LDAP_SASL_SIMPLE, &cred, nullptr, nullptr,
                          nullptr);
}

template <class Op>
int LdapConnection::Run(std::u16string_view what, const std::string& target, Op op, bool read,
                        int tolerated) {
  std::lock_guard lock(mu_);
  int rc = LDAP_SUCCESS;
  std::u16string passed;  // the servers this call left, and why
  bool replica = false;   // the last server refused a write as a read-only replica
  for (std::size_t moves = 0;; ++moves) {
    const bool had_session = ld_ != nullptr;
    if (!ld_) Connect();
    rc = op();
    // A server that went away or stopped answering passes the call to the next one (or to
    // itself when it is the only one). A session lost since the last call is opened again once;
    // a read lost midway starts again on the next server, each server once, so a listing
    // completes whole from one server: nothing twice, nothing missing. A write is not sent
    // again after it may have reached a server, except in that first reopening.
    const bool lost = ConnectionLost(rc) || (rc == LDAP_TIMEOUT && urls_.size() > 1);
    replica = !read && RefusedAsReplica(rc);
    if (!lost && !replica) break;
    const bool again = lost ? (moves == 0 && had_session) || (read && moves < urls_.size())
                            : moves + 1 < urls_.size();
    if (!again) break;
    passed += (passed.empty() ? u"" : u", ") + FromUtf8(url_) + u" (" +
              (replica ? u"a read-only replica" : FromUtf8(ldap_err2string(rc))) + u")";
    Close();
    current_ = (current_ + 1) % urls_.size();
  }
  if (rc == LDAP_SUCCESS || (tolerated != 0 && rc == tolerated)) return rc;
  std::string detail = Diagnostic(ld_);
  if (ConnectionLost(rc)) Close();
  std::u16string msg = u"LDAP " + FromUtf8(url_) + u": " + std::u16string(what) + u" \"" +
                       FromUtf8(target) + u"\" failed: " + FromUtf8(ldap_err2string(rc));
  if (rc == LDAP_SIZELIMIT_EXCEEDED) {
    msg += last_paged_ ? u"; the server's size limit on paged results cut the listing short"
                       : u"; the server refused paged results and its size limit cut the listing "
                         u"short";
  }
  if (rc == LDAP_CONFIDENTIALITY_REQUIRED && !Confidential()) {
    msg += u"; the session is not encrypted, and a password is sent only over ldaps:// or StartTLS";
  }
  if (rc == LDAP_REFERRAL) msg += u"; the server referred the request elsewhere";
  if (!detail.empty()) msg += u" (" + FromUtf8(detail) + u")";
  if (replica) {
    msg += urls_.size() > 1 ? u"; no server of the domain took the write (" + FromUtf8(url_) +
                                  u" is a read-only replica)"
                            : u"; the server is a read-only replica";
  }
  if (!passed.empty()) msg += u"; servers left before it: " + passed;
  throw AutomationError(CodeOf(rc), msg);
}

int LdapConnection::SearchOnce(const std::string& base, int scope, const std::string& filter,
                               char** attrs, const std::function<void(LDAPMessage*)>& each,
                               berval*& cookie) {
  timeval tv = Timeval(options_.operation_timeout);
  LDAPControl* page = nullptr;
  LDAPControl* controls[2] = {nullptr, nullptr};
  int rc = LDAP_SUCCESS;
  if (page_size_ > 0) {
    rc = ldap_create_page_control(ld_, page_size_, cookie, 1, &page);
    if (rc != LDAP_SUCCESS) return rc;
    controls[0] = page;
  }
  if (cookie) {
    ber_bvfree(cookie);
    cookie = nullptr;
  }
  // Entries are taken as they arrive, so reading one overlaps the server sending the next; the
  // timeout bounds each wait for the server, not the whole page.
  int msgid = 0;
  rc = ldap_search_ext(ld_, base.c_str(), scope, filter.c_str(), attrs, 0, controls, nullptr, &tv,
                       LDAP_NO_LIMIT, &msgid);
  if (page) ldap_control_free(page);
  if (rc != LDAP_SUCCESS) return rc;
  LDAPMessage* res = nullptr;
  for (;;) {
    timeval wait = tv;
    LDAPMessage* msg = nullptr;
    const int type = ldap_result(ld_, msgid, LDAP_MSG_ONE, &wait, &msg);
    if (type == 0) {
      ldap_abandon_ext(ld_, msgid, nullptr, nullptr);
      return LDAP_TIMEOUT;
    }
    if (type < 0) {
      int err = LDAP_SERVER_DOWN;
      ldap_get_option(ld_, LDAP_OPT_RESULT_CODE, &err);
      return err == LDAP_SUCCESS ? LDAP_SERVER_DOWN : err;
    }
    if (type == LDAP_RES_SEARCH_RESULT) {
      res = msg;
      break;
    }
    if (type == LDAP_RES_SEARCH_ENTRY) {
      try {
        each(msg);
      } catch (...) {
        ldap_msgfree(msg);
        ldap_abandon_ext(ld_, msgid, nullptr, nullptr);
        throw;
      }
    }
    ldap_msgfree(msg);  // an entry read, or a continuation reference, which is not chased
  }
  int err = LDAP_SUCCESS;
  LDAPControl** rctrls = nullptr;
  char** referrals = nullptr;
  rc = ldap_parse_result(ld_, res, &err, nullptr, nullptr, &referrals, &rctrls, 1);
  if (referrals) ber_memvfree(reinterpret_cast<void**>(referrals));
  if (rc == LDAP_SUCCESS) rc = err;
  if (rc == LDAP_SUCCESS && page_size_ > 0) {
    LDAPControl* pr = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, rctrls, nullptr);
    if (pr) {
      ber_int_t estimate = 0;
      berval next{0, nullptr};
      rc = ldap_parse_pageresponse_control(ld_, pr, &estimate, &next);
      if (rc == LDAP_SUCCESS && next.bv_len > 0) cookie = ber_bvdup(&next);
      if (next.bv_val) ber_memfree(next.bv_val);
    }
  }
  if (rctrls) ldap_controls_free(rctrls);
  return rc;
}

int LdapConnection::SearchPages(const std::string& base, int scope, const std::string& filter,
                                const std::vector<std::string>& attrs,
                                const std::function<void(LDAPMessage*)>& each,
                                const std::function<void()>& restart) {
  restart();
  std::vector<char*> attr_ptrs;
  for (const auto& a : attrs) attr_ptrs.push_back(const_cast<char*>(a.c_str()));
  if (attrs.empty()) attr_ptrs.push_back(const_cast<char*>(LDAP_NO_ATTRS));
  attr_ptrs.push_back(nullptr);
  berval* cookie = nullptr;
  int rc = LDAP_SUCCESS;
  bool first = true;
  for (;;) {
    last_paged_ = page_size_ > 0;
    rc = SearchOnce(base, scope, filter, attr_ptrs.data(), each, cookie);
    if (first && page_size_ > 0 &&
        (rc == LDAP_ADMINLIMIT_EXCEEDED || rc == LDAP_UNAVAILABLE_CRITICAL_EXTENSION)) {
      // A page size the server refuses is halved; a server that refuses paging at any size (or
      // does not know the control) gets one plain search, which fails loudly at its size limit.
      // What was learnt holds for the session's later listings.
      page_size_ = rc == LDAP_ADMINLIMIT_EXCEEDED && page_size_ > 1 ? page_size_ / 2 : 0;
      restart();
      continue;
    }
    first = false;
    if (rc != LDAP_SUCCESS || !cookie) break;
  }
  if (cookie) ber_bvfree(cookie);
  return rc;
}

std::vector<LdapEntry> LdapConnection::Search(const std::string& base, SearchScope scope,
                                              const std::string& filter,
                                              const std::vector<std::string>& attrs) {
  std::vector<LdapEntry> out;
  Run(
      u"search under", base + " for " + filter,
      [&] {
        return SearchPages(
            base, ScopeOf(scope), filter, attrs,
            [&](LDAPMessage* e) { ReadEntry(ld_, e, out.emplace_back()); }, [&] { out.clear(); });
      },
      /*read=*/true);
  return out;
}

std::vector<ListedEntry> LdapConnection::List(const std::string& base, SearchScope scope,
                                              const std::string& filter,
                                              const std::vector<std::string>& attrs) {
  std::vector<ListedEntry> out;
  Run(
      u"search under", base + " for " + filter,
      [&] {
        return SearchPages(
            base, ScopeOf(scope), filter, attrs,
            [&](LDAPMessage* e) { ReadListed(ld_, e, out.emplace_back()); }, [&] { out.clear(); });
      },
      /*read=*/true);
  return out;
}

int LdapConnection::ScopeOf(SearchScope scope) const noexcept {
  return scope == SearchScope::kBase       ? LDAP_SCOPE_BASE
         : scope == SearchScope::kOneLevel ? LDAP_SCOPE_ONELEVEL
                                           : LDAP_SCOPE_SUBTREE;
}

int LdapConnection::PageSize() {
  std::lock_guard lock(mu_);
  return page_size_;
}

void LdapConnection::Add(const std::string& dn, const std::vector<LdapChange>& attrs) {
  Run(u"add of", dn, [&] {
    ModArray mods(attrs);
    return ldap_add_ext_s(ld_, dn.c_str(), mods.get(), nullptr, nullptr);
  });
}

void LdapConnection::Modify(const std::string& dn, const std::vector<LdapChange>& changes,
                            bool encrypted_only) {
  if (changes.empty()) return;
  Run(u"modify of", dn, [&] {
    if (encrypted_only && !Confidential()) return LDAP_CONFIDENTIALITY_REQUIRED;
    ModArray mods(changes);
    return ldap_modify_ext_s(ld_, dn.c_str(), mods.get(), nullptr, nullptr);
  });
}

bool LdapConnection::Encrypted() {
  std::lock_guard lock(mu_);
  if (!ld_) Connect();
  return Confidential();
}

void LdapConnection::Delete(const std::string& dn) {
  Run(u"delete of", dn, [&] { return ldap_delete_ext_s(ld_, dn.c_str(), nullptr, nullptr); });
}

void LdapConnection::Rename(const std::string& dn, const std::string& new_rdn) {
  Run(u"rename of", dn, [&] {
    return ldap_rename_s(ld_, dn.c_str(), new_rdn.c_str(), nullptr, 1, nullptr, nullptr);
  });
}

bool LdapConnection::Swap(const std::string& dn, const std::string& attr,
                          const std::string& old_value, const std::string& new_value) {
  const std::vector<LdapChange> changes = {{LDAP_MOD_DELETE, attr, {old_value}},
                                           {LDAP_MOD_ADD, attr, {new_value}}};
  const int rc = Run(
      u"modify of", dn,
      [&] {
        ModArray mods(changes);
        return ldap_modify_ext_s(ld_, dn.c_str(), mods.get(), nullptr, nullptr);
      },
      /*read=*/false, LDAP_NO_SUCH_ATTRIBUTE);
  return rc == LDAP_SUCCESS;
}

void LdapConnection::SetPassword(const std::string& dn, const std::string& password) {
  Run(u"password change of", dn, [&] {
    if (!options_.allow_plaintext && !Confidential()) return LDAP_CONFIDENTIALITY_REQUIRED;
    berval user{static_cast<ber_len_t>(dn.size()), const_cast<char*>(dn.data())};
    berval pw{static_cast<ber_len_t>(password.size()), const_cast<char*>(password.data())};
    berval generated{0, nullptr};
    int rc = ldap_passwd_s(ld_, &user, nullptr, &pw, &generated, nullptr, nullptr);
    if (generated.bv_val) ber_memfree(generated.bv_val);
    return rc;
  });
}

}  // namespace moxtrel::backends::ldap
