// moxServers: the computers of one domain, each a bound moxServer named and keyed by the domain "/"
// computer pair (CORP/PC1). Only a domain object creates it; it lists on first read. A computer the
// domain lists but that cannot be bound is kept, unbound.
//
//   auto servers = domain->Servers();
//   for (int32_t i = 1; i <= servers->Count(); ++i) use(servers->Item(Variant(i)));
//   auto pc1 = servers->Item(Variant(u"corp/pc1"));   // keys ignore case
#pragma once

#include <memory>
#include <string>

#include "moxtrel/frame/keyed_collection.h"
#include "moxtrel/servers/server.h"

namespace moxtrel {

class moxDomain;

class moxServers final : public KeyedCollection<std::shared_ptr<moxServer>> {
 public:
  static std::shared_ptr<moxServers> Create();

  std::u16string_view TypeName() const noexcept override { return u"moxServers"; }

  // Lists the domain's computers into a new store; every failure reaches the caller.
  bool Refresh() override;

 private:
  friend class moxDomain;

  moxServers() : KeyedCollection(false, false) {}

  void SetDomainName(const std::u16string& name);

  std::u16string domain_;
};

}  // namespace moxtrel
