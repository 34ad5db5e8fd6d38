// _moxServiceDeps in slot order.
#include "moxtrel/automation/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/services/service_deps.h"

namespace moxtrel::typelib {

ClassBinding moxServiceDepsBinding() {
  return ClassTable<moxServiceDeps>(u"moxServiceDeps")
      .Creatable([] { return moxServiceDeps::Create(); })
      .Get(u"Count", 0x68030001, Long(), MOX_GET(Count))
      .Get(u"Exists", 0x68030000, Boolean(), MOX_CALL(Exists, 1), {Param(u"Index", AnyVariant())})
      .Get(u"Item", kDispIdValue, String(), MOX_CALL(Item, 1), {Param(u"Index", AnyVariant())})
      .Get(u"NewEnum", kDispIdNewEnum, Object(u"IUnknown"), MOX_GET(NewEnum))
      .Hidden()
      .Method(u"Add", 0x60030003, Boolean(), {Param(u"sDependency", String())}, MOX_CALL(Add, 1))
      .Method(u"Remove", 0x60030004, Boolean(), {Param(u"Index", AnyVariant())},
              MOX_CALL(Remove, 1))
      .Method(u"Refresh", kDispIdRefresh, Boolean(), {}, MOX_CALL(Refresh, 0))
      .Build();
}

}  // namespace moxtrel::typelib
