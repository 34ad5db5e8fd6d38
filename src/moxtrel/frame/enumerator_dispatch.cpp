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
      .Method(MOX_MEMBER(Skip), 2, Boolean(), {Param(u"lCount", Long())})
      .Method(MOX_MEMBER(Reset), 3, Void(), {})
      .Method(MOX_MEMBER(Clone), 4, Object(u"Enumerator"), {})
      .Build();
}

}  // namespace moxtrel::typelib
