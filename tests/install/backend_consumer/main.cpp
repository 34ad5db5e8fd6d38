// A program built against the installed core and one backend, as a client that wants only LDAP
// builds it: one line registers the backend, configurations may then name it, and a backend it
// did not link is unknown to them.
#include <moxtrel/backends/configuration.h>
#include <moxtrel/backends/ldap/ldap_backend.h>
#include <moxtrel/moxtrel.h>

#include <cstdio>

int main() {
  using namespace moxtrel;
  directory::BackendRegistry::Global().Add(backends::ldap::LdapBackendType());
  try {
    directory::CheckConfiguration(
        "[domains.CORP]\nldap = \"ldaps://127.0.0.1:1\"\nbase = \"dc=corp,dc=example\"\n",
        "consumer.toml");
    std::printf("ldap section checked\n");
    directory::CheckConfiguration("[computers.PC1]\nprinting = \"cups\"\n", "consumer.toml");
    std::printf("a printing section was accepted without the cups backend\n");
    return 1;
  } catch (const directory::ConfigurationError& e) {
    std::printf("without cups: %s\n", e.what());
  }
  // The embedded directory is the core's own backend: always there.
  directory::SetCurrentProvider(
      directory::ParseConfiguration("[computers.PC1]\naccounts = \"memory\"\n", "consumer.toml"));
  auto server = moxServer::Create();
  server->Name(u"PC1");
  std::printf("PC1 exists %d\n", server->Exists() ? 1 : 0);
  return 0;
}
