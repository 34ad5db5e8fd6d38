// The LDAP backend listing 100k users of a private slapd through the object model (a
// moxDomain's Users()->Count(), a paged search of the uid attribute and a handle per user)
// against a bare paged search of the same entries with libldap in the same process. The
// object-model benchmark reports its ratio to one bare search measured beside it ("x_bare");
// the goal is at most 1.3. Skipped with a message when slapd is not installed.
#include <benchmark/benchmark.h>
#include <ldap.h>

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "moxtrel/accounts/domain.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/backends/ldap/ldap_provider.h"
#include "moxtrel/directory/provider.h"
#include "support/slapd_server.h"

namespace {

using moxtrel::testing::SlapdServer;

constexpr int kUsers = 100000;
constexpr int kPage = 500;

SlapdServer* Server() {
  static std::unique_ptr<SlapdServer> server = [] {
    if (!SlapdServer::Installed()) return std::unique_ptr<SlapdServer>();
    const std::string ou = "dn: ou=People," + std::string(SlapdServer::kBase) +
                           "\nobjectClass: organizationalUnit\nou: People\n\n";
    return std::make_unique<SlapdServer>(
        SlapdServer::Options{.ldif = ou + moxtrel::testing::ManyUsersLdif(kUsers)});
  }();
  return server.get();
}

// Counts the posixAccount entries under ou=People, asking for uid, page by page.
int BareCount(LDAP* ld) {
  const std::string base = "ou=People," + std::string(SlapdServer::kBase);
  char uid[] = "uid";
  char* attrs[] = {uid, nullptr};
  berval* cookie = nullptr;
  int count = 0;
  for (;;) {
    LDAPControl* page = nullptr;
    ldap_create_page_control(ld, kPage, cookie, 1, &page);
    LDAPControl* controls[] = {page, nullptr};
    LDAPMessage* res = nullptr;
    ldap_search_ext_s(ld, base.c_str(), LDAP_SCOPE_ONELEVEL, "(objectClass=posixAccount)", attrs, 0,
                      controls, nullptr, nullptr, LDAP_NO_LIMIT, &res);
    ldap_control_free(page);
    if (cookie) ber_bvfree(cookie);
    cookie = nullptr;
    for (LDAPMessage* e = ldap_first_entry(ld, res); e; e = ldap_next_entry(ld, e)) {
      berval** v = ldap_get_values_len(ld, e, "uid");
      if (v) ldap_value_free_len(v);
      ++count;
    }
    LDAPControl** rctrls = nullptr;
    int err = 0;
    ldap_parse_result(ld, res, &err, nullptr, nullptr, nullptr, &rctrls, 1);
    LDAPControl* pr = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, rctrls, nullptr);
    berval next{0, nullptr};
    ber_int_t estimate = 0;
    if (pr) ldap_parse_pageresponse_control(ld, pr, &estimate, &next);
    if (next.bv_len > 0) cookie = ber_bvdup(&next);
    if (next.bv_val) ber_memfree(next.bv_val);
    ldap_controls_free(rctrls);
    if (!cookie) break;
  }
  return count;
}

LDAP* Bind(SlapdServer& s) {
  LDAP* ld = nullptr;
  ldap_initialize(&ld, s.url().c_str());
  int v3 = LDAP_VERSION3;
  ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &v3);
  berval cred{s.admin_password().size(), const_cast<char*>(s.admin_password().data())};
  ldap_sasl_bind_s(ld, s.admin_dn().c_str(), LDAP_SASL_SIMPLE, &cred, nullptr, nullptr, nullptr);
  return ld;
}

void BM_LdapUsersCount(benchmark::State& state) {
  SlapdServer* s = Server();
  if (!s) {
    state.SkipWithError("slapd is not installed");
    return;
  }
  moxtrel::backends::ldap::LdapOptions o;
  o.domain = u"CORP";
  o.url = s->url();
  o.base = SlapdServer::kBase;
  o.bind_dn = s->admin_dn();
  o.password = s->admin_password();
  o.page_size = kPage;
  o.allow_plaintext = true;  // measured beside a bare libldap session, also in clear
  moxtrel::directory::SetCurrentProvider(moxtrel::backends::ldap::MakeLdapProvider(o));
  LDAP* ld = Bind(*s);
  double ours = 0, bare = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    auto domain = moxtrel::moxDomain::Create();
    domain->Name(u"CORP");
    const int32_t n = domain->Users()->Count();
    auto t1 = std::chrono::steady_clock::now();
    const int m = BareCount(ld);
    auto t2 = std::chrono::steady_clock::now();
    if (n != kUsers || m != kUsers) state.SkipWithError("wrong count");
    ours += std::chrono::duration<double>(t1 - t0).count();
    bare += std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  state.counters["x_bare"] = bare > 0 ? ours / bare : 0;
  ldap_unbind_ext_s(ld, nullptr, nullptr);
  moxtrel::directory::SetCurrentProvider(nullptr);
}
BENCHMARK(BM_LdapUsersCount)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LdapBarePagedSearch(benchmark::State& state) {
  SlapdServer* s = Server();
  if (!s) {
    state.SkipWithError("slapd is not installed");
    return;
  }
  LDAP* ld = Bind(*s);
  for (auto _ : state) benchmark::DoNotOptimize(BareCount(ld));
  ldap_unbind_ext_s(ld, nullptr, nullptr);
}
BENCHMARK(BM_LdapBarePagedSearch)->Unit(benchmark::kMillisecond)->Iterations(3);

// "Show the million": a directory of MOXTREL_MILLION_USERS users (1000000 to show the million)
// on slapd with a size limit of 500, listed completely through the object model as an ordinary
// account: Users.Count, then every user's UserName and FullName. Reports the count, the time,
// the requests slapd answered and the client's peak memory. Loading a million entries takes
// minutes, so it runs only when the variable is set:
//   MOXTREL_MILLION_USERS=1000000 moxtrel_bench --benchmark_filter=LdapMillionUsers
int64_t MillionUsers() {
  const char* n = std::getenv("MOXTREL_MILLION_USERS");
  return n && *n ? std::atoll(n) : 0;
}

std::size_t StatusBytes(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::size_t n = std::strlen(key);
  while (std::getline(in, line)) {
    if (line.compare(0, n, key) == 0) return std::stoull(line.substr(n)) * 1024;
  }
  return 0;
}

void BM_LdapMillionUsers(benchmark::State& state) {
  if (!SlapdServer::Installed()) {
    state.SkipWithError("slapd is not installed");
    return;
  }
  const int64_t n = MillionUsers();
  if (n <= 0) {
    state.SkipWithError("set MOXTREL_MILLION_USERS (1000000) to run it");
    return;
  }
  const auto load0 = std::chrono::steady_clock::now();
  SlapdServer s(
      SlapdServer::Options{.ldif = "dn: ou=People," + std::string(SlapdServer::kBase) +
                                   "\nobjectClass: organizationalUnit\nou: People\n\n" +
                                   moxtrel::testing::ManyUsersLdif(static_cast<int>(n), true),
                           .size_limit = 500,
                           .log_operations = true,
                           .max_bytes = 16LL << 30});
  state.counters["load_s"] =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - load0).count();
  moxtrel::backends::ldap::LdapOptions o;
  o.domain = u"CORP";
  o.url = s.url();
  o.base = SlapdServer::kBase;
  o.bind_dn = s.reader_dn();
  o.password = s.reader_password();
  o.page_size = 1000;
  o.allow_plaintext = true;  // a private server on loopback
  auto answered = [&] {
    const std::string log = s.Log();
    double count = 0;
    for (auto at = log.find(" RESULT tag="); at != std::string::npos;
         at = log.find(" RESULT tag=", at + 1)) {
      ++count;
    }
    return count;
  };
  for (auto _ : state) {
    malloc_trim(0);
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
      std::fputs("5", f);  // the peak starts again from here
      std::fclose(f);
    }
    const std::size_t before = StatusBytes("VmRSS:");
    const double requests = answered();
    const auto t0 = std::chrono::steady_clock::now();
    int32_t count = 0;
    std::size_t chars = 0;
    {
      moxtrel::directory::SetCurrentProvider(moxtrel::backends::ldap::MakeLdapProvider(o));
      auto domain = moxtrel::moxDomain::Create();
      domain->Name(u"CORP");
      auto users = domain->Users();
      count = users->Count();
      for (int32_t i = 1; i <= count; ++i) {
        auto user = users->Item(moxtrel::Variant(i));
        chars += user->UserName().size() + user->FullName().size();
      }
      moxtrel::directory::SetCurrentProvider(nullptr);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double peak = static_cast<double>(StatusBytes("VmHWM:") - before);
    if (count != n || chars == 0) state.SkipWithError("the listing is not every user");
    state.SetIterationTime(seconds);
    state.counters["users"] = count;
    state.counters["listing_s"] = seconds;
    state.counters["requests"] = answered() - requests;
    state.counters["peak_bytes"] = peak;
    state.counters["peak_bytes_per_user"] = peak / static_cast<double>(n);
  }
}
BENCHMARK(BM_LdapMillionUsers)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
