#include "moxtrel/services/service_deps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "moxtrel/services/service.h"
#include "services/services_fixture.h"

namespace moxtrel::testing {
namespace {

class ServiceDepsTest : public ServicesTest {
 protected:
  // The dependency list of a bound service whose Dependencies value is `value`; the journal
  // starts empty.
  std::shared_ptr<moxServiceDeps> DepsOf(const Variant& value,
                                         const std::u16string& name = u"Spooler") {
    path = build.AddService(pc1, name, {{u"Dependencies", value}});
    service = moxService::Create();
    EXPECT_TRUE(service->Find(name));
    layer->Journal().Clear();
    return service->Dependencies();
  }
  Variant Stored() const { return dir->Peek(path, u"Dependencies"); }
  static std::vector<std::u16string> Names(moxServiceDeps& deps) {
    std::vector<std::u16string> names;
    for (int32_t i = 1; i <= deps.Count(); ++i) names.push_back(deps.Item(Variant(i)));
    return names;
  }
  static Variant Array(std::vector<std::u16string> names, int32_t lower_bound = 0) {
    return Variant::StringArray(names, lower_bound);
  }

  std::u16string path;
  std::shared_ptr<moxService> service;
};

using Strings = std::vector<std::u16string>;

// Both forms of the value are listed: an array of any lower bound in index order, and a
// single string as one name.
TEST_F(ServiceDepsTest, ListsBothValueForms) {
  auto deps = DepsOf(Array({u"RpcSs", u"HTTP"}, 1));
  EXPECT_EQ(Names(*deps), (Strings{u"RpcSs", u"HTTP"}));
  EXPECT_TRUE(deps->Exists(Variant(u"rpcss")));
  EXPECT_FALSE(deps->Exists(Variant(int32_t{0})));
  EXPECT_NE(ErrorCodeOf([&] { deps->Item(Variant(u"Nope")); }), 0);
  // Reading once lists the value once.
  EXPECT_EQ(layer->Journal().Count(u"IADsService.Dependencies"), 1u);

  auto single = DepsOf(Variant(u"Tcpip"), u"Browser");
  EXPECT_EQ(Names(*single), (Strings{u"Tcpip"}));
}

// Add and Remove write the whole list back in the form its size calls for and commit it.
TEST_F(ServiceDepsTest, WriteBackForms) {
  auto deps = DepsOf(Variant(u"RpcSs"));
  ASSERT_TRUE(deps->Add(u" HTTP "));
  EXPECT_EQ(Stored(), Array({u"RpcSs", u" HTTP "}));
  EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo"), 1u);

  ASSERT_TRUE(deps->Remove(Variant(int32_t{1})));
  EXPECT_EQ(Stored(), Variant(u" HTTP "));
  EXPECT_EQ(Names(*deps), (Strings{u" HTTP "}));

  ASSERT_TRUE(deps->Remove(Variant(u" http ")));
  EXPECT_EQ(Stored(), Variant(VariantArray{}));
  EXPECT_EQ(deps->Count(), 0);
  EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo"), 3u);
}

// A name already listed in another letter case is refused without a write; Remove works only
// on a list that has been read.
TEST_F(ServiceDepsTest, DuplicatesAndUnreadListsAreRefused) {
  auto deps = DepsOf(Array({u"RpcSs", u"HTTP"}));
  EXPECT_FALSE(deps->Remove(Variant(u"HTTP")));
  EXPECT_EQ(layer->Journal().Size(), 0u);
  EXPECT_FALSE(deps->Add(u"rpcss"));
  EXPECT_EQ(layer->Journal().Count(u"Dependencies.put"), 0u);
  EXPECT_FALSE(deps->Remove(Variant(u"Nope")));
  EXPECT_TRUE(deps->Remove(Variant(u"HTTP")));
  EXPECT_EQ(Stored(), Variant(u"RpcSs"));
}

// A value holding a name twice lists up to the repeat; writing that shortened list back would
// delete the names after it, so Add and Remove refuse and leave the value as it was.
TEST_F(ServiceDepsTest, ShortenedListIsNeverWrittenBack) {
  const Variant value = Array({u"A", u"B", u"a", u"C"});
  auto deps = DepsOf(value);
  EXPECT_TRUE(deps->Refresh());
  EXPECT_EQ(Names(*deps), (Strings{u"A", u"B"}));
  EXPECT_FALSE(deps->Add(u"D"));
  EXPECT_FALSE(deps->Remove(Variant(u"B")));
  EXPECT_EQ(layer->Journal().Count(u"Dependencies.put"), 0u);
  EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo"), 0u);
  EXPECT_EQ(Stored(), value);
}

// A read that fails part-way refuses edits until a complete read, which then keeps every name.
TEST_F(ServiceDepsTest, FailedReadBlocksEditsUntilACompleteRead) {
  auto deps = DepsOf(Array({u"A", u"B"}));
  FailNext(u"IADsService.Dependencies");
  EXPECT_EQ(deps->Count(), 0);
  EXPECT_FALSE(deps->Add(u"C"));
  EXPECT_EQ(Stored(), Array({u"A", u"B"}));
  EXPECT_TRUE(deps->Refresh());
  EXPECT_TRUE(deps->Add(u"C"));
  EXPECT_EQ(Stored(), Array({u"A", u"B", u"C"}));
}

// Two lists of one service (from two service objects): the second, read before the first wrote,
// refuses to write its stale copy back (which would erase the first one's name); read afresh, it
// works.
TEST_F(ServiceDepsTest, StaleListNeverOverwritesAnotherWrite) {
  auto first = DepsOf(Array({u"A", u"B"}));
  auto other = moxService::Create();
  ASSERT_TRUE(other->Find(u"Spooler"));
  auto second = other->Dependencies();
  ASSERT_NE(first, second);
  EXPECT_EQ(first->Count(), 2);
  EXPECT_EQ(second->Count(), 2);
  ASSERT_TRUE(first->Add(u"C"));
  EXPECT_EQ(Stored(), Array({u"A", u"B", u"C"}));
  layer->Journal().Clear();
  EXPECT_FALSE(second->Remove(Variant(u"A")));
  EXPECT_EQ(layer->Journal().Count(u"Dependencies.put"), 0u);
  EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo"), 0u);
  EXPECT_EQ(Stored(), Array({u"A", u"B", u"C"}));
  // The refusal marks the list stale: it reads the new value and then edits it.
  EXPECT_EQ(Names(*second), (Strings{u"A", u"B", u"C"}));
  EXPECT_TRUE(second->Remove(Variant(u"A")));
  EXPECT_EQ(Stored(), Array({u"B", u"C"}));
  // The first list's copy is now stale in turn; Add reads afresh before it writes.
  EXPECT_TRUE(first->Add(u"D"));
  EXPECT_EQ(Stored(), Array({u"B", u"C", u"D"}));
  // A value changed behind both lists is caught the same way.
  dir->Poke(path, u"Dependencies", Variant(u"Z"));
  layer->Journal().Clear();
  EXPECT_FALSE(first->Remove(Variant(u"B")));
  EXPECT_EQ(layer->Journal().Count(u"Dependencies.put"), 0u);
  EXPECT_EQ(Stored(), Variant(u"Z"));
}

// A refused write or commit gives False.
TEST_F(ServiceDepsTest, RefusedWriteReturnsFalse) {
  auto deps = DepsOf(Variant(u"A"));
  FailNext(u"Dependencies.put");
  EXPECT_FALSE(deps->Add(u"B"));
  EXPECT_EQ(Stored(), Variant(u"A"));
  FailNext(u"IADs.SetInfo");
  EXPECT_FALSE(deps->Add(u"B"));
  EXPECT_EQ(Stored(), Variant(u"A"));
}

// A list without a service answers empty, even by position, and never reads.
TEST_F(ServiceDepsTest, ListWithoutServiceIsEmpty) {
  auto deps = moxServiceDeps::Create();
  EXPECT_EQ(deps->Count(), 0);
  EXPECT_EQ(deps->Item(Variant(int32_t{1})), u"");
  EXPECT_FALSE(deps->Exists(Variant(int32_t{1})));
  EXPECT_FALSE(deps->Add(u"A"));
  EXPECT_FALSE(deps->Remove(Variant(int32_t{1})));
  EXPECT_FALSE(deps->Refresh());
  EXPECT_FALSE(deps->NewEnum()->Next().has_value());
  EXPECT_EQ(layer->Journal().Size(), 0u);
}

}  // namespace
}  // namespace moxtrel::testing
