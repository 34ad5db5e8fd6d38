// _moxServiceDeps in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/services/class_bindings.h"
#include "moxtrel/services/service_deps.h"

namespace moxtrel::typelib {

ClassBinding moxServiceDepsBinding() {
  return ClassTable<moxServiceDeps>(u"moxServiceDeps")
      .Creatable([] { return moxServiceDeps::Create(); })
      .CollectionMembers(0x68030001, 0x68030000, String())
      .Method(MOX_MEMBER(Add), 0x60030003, Boolean(), {Param(u"sDependency", String())})
      .Method(MOX_MEMBER(Remove), 0x60030004, Boolean(), {Param(u"Index", AnyVariant())})
      .Method(MOX_MEMBER(Refresh), kDispIdRefresh, Boolean(), {})
      .Build();
}

}  // namespace moxtrel::typelib
