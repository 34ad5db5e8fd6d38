#include "moxtrel/servers/servers.h"

#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_paths.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/variant.h"

namespace moxtrel {

std::shared_ptr<moxServers> moxServers::Create() {
  return std::shared_ptr<moxServers>(new moxServers);
}

void moxServers::SetDomainName(const std::u16string& name) {
  domain_ = Trim(name);
  MarkStale();
}

bool moxServers::Refresh() {
  if (domain_.empty()) {
    // Only a domain object gives the collection its domain; say so rather than bind a bad path.
    throw AutomationError(errc::kInvalidProcedureCall,
                          u"moxServers: no domain is set, so there are no computers to list");
  }
  auto domain = directory::Bind<directory::IADsDomain>(directory::DomainPath(domain_));
  domain->Filter(Variant::StringArray({u"Computer"}));
  Store& store = ResetStore();
  auto computers = domain->NewEnum();
  while (auto element = computers->Next()) {
    auto computer = directory::As<directory::IADsComputer>(element);
    auto server = moxServer::Create();
    // A computer that cannot be bound is still listed, as an unbound server.
    server->Name(domain_ + u"/" + computer->Name());
    store.Add(server, server->Name());
  }
  MarkCurrent();
  return true;
}

}  // namespace moxtrel
