// Pair 1: 100,000 users on a private slapd (size limit 500, read as an ordinary account). The
// library takes a domain's Users.Count, then walks the users reading UserName and FullName; the
// native side is `ldapsearch -E pr=1000/noprompt` fetching uid and displayName of the same
// entries. Requests are what slapd answered, counted in its own operations log.
#include <malloc.h>

#include <cstdio>
#include <memory>
#include <string>

#include "moxtrel/accounts/domain.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/backends/ldap/ldap_provider.h"
#include "moxtrel/directory/provider.h"
#include "pair_support.h"
#include "support/slapd_server.h"

namespace moxtrel::bench {
namespace {

using testing::SlapdServer;

constexpr int kPage = 1000;

int64_t Users() {
  return Size(100000, 1000);
}

// n users with a full name, written as fast as the fixture's own list.
std::string UsersLdif(int64_t n) {
  std::string out;
  out.reserve(static_cast<std::size_t>(n) * 300);
  out += "dn: ou=People," + std::string(SlapdServer::kBase) +
         "\nobjectClass: organizationalUnit\nou: People\n\n";
  char entry[512];
  for (int64_t i = 1; i <= n; ++i) {
    const int len = std::snprintf(
        entry, sizeof entry,
        "dn: uid=user%07lld,ou=People,%s\nobjectClass: inetOrgPerson\nobjectClass: "
        "posixAccount\nobjectClass: shadowAccount\nuid: user%07lld\ncn: user%07lld\nsn: "
        "Number %lld\ndisplayName: User Number %lld\nuidNumber: %lld\ngidNumber: 100\n"
        "homeDirectory: /home/user%07lld\n\n",
        static_cast<long long>(i), SlapdServer::kBase, static_cast<long long>(i),
        static_cast<long long>(i), static_cast<long long>(i), static_cast<long long>(i),
        static_cast<long long>(20000 + i), static_cast<long long>(i));
    out.append(entry, static_cast<std::size_t>(len));
  }
  return out;
}

SlapdServer* Server() {
  static std::unique_ptr<SlapdServer> server = []() -> std::unique_ptr<SlapdServer> {
    if (!SlapdServer::Installed()) return nullptr;
    return std::make_unique<SlapdServer>(SlapdServer::Options{
        .ldif = UsersLdif(Users()), .size_limit = 500, .log_operations = true});
  }();
  return server.get();
}

// Requests slapd has answered so far: one result line each.
double Answered(const SlapdServer& s) {
  const std::string log = s.Log();
  double n = 0;
  for (auto at = log.find(" RESULT tag="); at != std::string::npos;
       at = log.find(" RESULT tag=", at + 1)) {
    ++n;
  }
  return n;
}

pid_t ServerPid(const SlapdServer& s) {
  std::FILE* f = std::fopen((s.folder() + "/slapd.pid").c_str(), "r");
  long pid = 0;
  if (f) {
    if (std::fscanf(f, "%ld", &pid) != 1) pid = 0;
    std::fclose(f);
  }
  return static_cast<pid_t>(pid);
}

void Library(benchmark::State& state) {
  SlapdServer* s = Server();
  if (!s) {
    state.SkipWithError("slapd is not installed");
    return;
  }
  const int64_t n = Users();
  backends::ldap::LdapOptions o;
  o.domain = u"CORP";
  o.url = s->url();
  o.base = SlapdServer::kBase;
  o.bind_dn = s->reader_dn();
  o.password = s->reader_password();
  o.allow_plaintext = true;  // as ldapsearch -x beside it, on loopback
  o.page_size = kPage;
  SideMeter meter(state, ServerPid(*s));
  double peak = 0;
  for (auto _ : state) {
    malloc_trim(0);
    ResetPeak();
    const std::size_t before = ResidentBytes();
    const double answered = Answered(*s);
    meter.Begin();
    {
      directory::SetCurrentProvider(backends::ldap::MakeLdapProvider(o));
      auto domain = moxDomain::Create();
      domain->Name(u"CORP");
      auto users = domain->Users();
      const int32_t count = users->Count();
      std::size_t chars = 0;
      for (int32_t i = 1; i <= count; ++i) {
        auto user = users->Item(Variant(i));
        chars += user->UserName().size() + user->FullName().size();
      }
      benchmark::DoNotOptimize(chars);
      if (count != n || chars == 0) state.SkipWithError("the listing is not every user");
      const std::size_t top = PeakResidentBytes();
      peak = std::max(peak, top > before ? static_cast<double>(top - before) : 0.0);
      directory::SetCurrentProvider(nullptr);
    }
    meter.End();
    meter.AddRequests(Answered(*s) - answered);
  }
  meter.SetPeakBytes(peak);
  state.counters["users"] = static_cast<double>(n);
  state.counters["peak_bytes_per_user"] = peak / static_cast<double>(n);
  // Every page, plus the bind and a few more.
  const double pages = static_cast<double>((n + kPage - 1) / kPage);
  meter.Report(1.5, pages + 5, 1024.0 * static_cast<double>(n));
}

void Native(benchmark::State& state) {
  SlapdServer* s = Server();
  if (!s) {
    state.SkipWithError("slapd is not installed");
    return;
  }
  SideMeter meter(state, ServerPid(*s));
  const std::string out = s->folder() + "/ldapsearch.out";
  for (auto _ : state) {
    const double answered = Answered(*s);
    meter.Begin();
    const ToolRun run = RunTool(
        {"ldapsearch", "-x", "-LLL", "-H", s->url(), "-D", s->reader_dn(), "-y",
         s->folder() + "/reader.secret", "-b", "ou=People," + std::string(SlapdServer::kBase), "-E",
         "pr=" + std::to_string(kPage) + "/noprompt", "(objectClass=posixAccount)", "uid",
         "displayName"},
        out);
    meter.AddClientCpu(run.cpu_s);
    meter.End();
    meter.AddRequests(Answered(*s) - answered);
  }
  meter.Report();
}

BENCHMARK(Library)->Name("Pair1/ldap_users/Library")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Native)->Name("Pair1/ldap_users/Native")->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace moxtrel::bench
