// The enumerator's late-bound surface, for clients that walk a collection by hand. It is
// hidden: for-each reaches it through NewEnum, and no class in the library names it.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/frame/enumerator.h"

namespace moxtrel::typelib {

ClassBinding EnumeratorBinding() {
  return ClassTable<Enumerator>(u"Enumerator")
      .Unpublished({u"hidden"})
      .Method(u"Next", 1, Boolean(), {Param(u"vItem", AnyVariant())},
              [](Enumerator& e, CallArgs& a) {
                auto item = e.Next();
                // The item goes out through the by-reference argument; Empty at the end.
                a.Typed<Variant>(0) = item ? std::move(*item) : Variant();
                return item.has_value();
              })
      .Method(u"Skip", 2, Boolean(), {Param(u"lCount", Long())}, MOX_CALL(Skip, 1))
      .Method(u"Reset", 3, Void(), {}, MOX_CALL(Reset, 0))
      .Method(u"Clone", 4, Object(u"Enumerator"), {}, MOX_CALL(Clone, 0))
      .Build();
}

}  // namespace moxtrel::typelib
