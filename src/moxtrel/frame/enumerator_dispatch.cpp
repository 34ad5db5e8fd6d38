// The enumerator's late-bound surface, for clients that walk a collection by hand. It is
// hidden: for-each reaches it through NewEnum, and no class in the library names it.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/frame/enumerator.h"

namespace moxtrel::typelib {

ClassBinding EnumeratorBinding() {
  return ClassTable<Enumerator>(u"Enumerator")
      .Summary(u"Walks a collection's items in order; For Each reaches it through NewEnum.")
      .Unpublished({u"hidden"})
      .Method(u"Next", 1, Boolean(), {Param(u"vItem", AnyVariant())},
              [](Enumerator& e, CallArgs& a) {
                auto item = e.Next();
                // The item goes out through the by-reference argument; Empty at the end.
                a.Typed<Variant>(0) = item ? std::move(*item) : Variant();
                return item.has_value();
              })
      .Describe(u"Puts the next item in vItem; False, with vItem Empty, past the last.")
      .Method(MOX_MEMBER(Skip), 2, Boolean(), {Param(u"lCount", Long())})
      .Describe(u"Passes over lCount items; False when fewer were left.")
      .Method(MOX_MEMBER(Reset), 3, Void(), {})
      .Describe(u"Starts the walk again from the first item.")
      .Method(MOX_MEMBER(Clone), 4, Object(u"Enumerator"), {})
      .Describe(u"A second enumerator at the same place in the walk.")
      .Build();
}

}  // namespace moxtrel::typelib
