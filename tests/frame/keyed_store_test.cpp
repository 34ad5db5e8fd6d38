#include "moxtrel/frame/keyed_store.h"

#include <gtest/gtest.h>

#include "support/directory_fixture.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"

namespace moxtrel {
namespace {

using Store = KeyedStore<std::u16string>;

std::shared_ptr<Store> Make(std::initializer_list<const char16_t*> keys) {
  auto store = Store::Create();
  for (auto k : keys) store->Add(std::u16string(k) + u"-item", k);
  return store;
}

using testing::ErrorCodeOf;

// Positions are 1-based in insertion order; keys ignore case, non-ASCII letters included.
TEST(KeyedStoreTest, FindsByPositionAndByKeyWithoutRegardToCase) {
  auto store = Make({u"alice", u"Ärger", u"Σοφία"});
  EXPECT_EQ(store->Count(), 3);
  EXPECT_EQ(store->Item(Variant(int32_t{1})), u"alice-item");
  EXPECT_EQ(store->Item(Variant(int16_t{3})), u"Σοφία-item");
  EXPECT_EQ(store->Item(Variant(2.0)), u"Ärger-item");
  EXPECT_EQ(store->Item(Variant(u"ALICE")), u"alice-item");
  EXPECT_EQ(store->Item(Variant(u"äRGER")), u"Ärger-item");
  EXPECT_EQ(store->Item(Variant(u"ΣΟΦΊΑ")), u"Σοφία-item");
}

// A string made of digits is a key, never a position.
TEST(KeyedStoreTest, DigitStringIsAKey) {
  auto store = Make({u"x", u"1"});
  EXPECT_EQ(store->Item(Variant(u"1")), u"1-item");
  EXPECT_EQ(store->Item(Variant(int32_t{1})), u"x-item");
  EXPECT_FALSE(store->Exists(Variant(u"2")));
}

TEST(KeyedStoreTest, BadIndexesFailWithDistinctErrors) {
  auto store = Make({u"a", u"b"});
  EXPECT_EQ(ErrorCodeOf([&] { store->Item(Variant(int32_t{0})); }),
            int32_t(errc::kSubscriptOutOfRange));
  EXPECT_EQ(ErrorCodeOf([&] { store->Item(Variant(int32_t{3})); }),
            int32_t(errc::kSubscriptOutOfRange));
  EXPECT_EQ(ErrorCodeOf([&] { store->Item(Variant(u"zz")); }),
            int32_t(errc::kInvalidProcedureCall));
  EXPECT_EQ(ErrorCodeOf([&] { store->Item(Variant()); }), int32_t(errc::kTypeMismatch));
  EXPECT_EQ(ErrorCodeOf([&] { store->Item(Variant(ByteArray{1})); }), int32_t(errc::kTypeMismatch));
  EXPECT_FALSE(store->Exists(Variant(int32_t{0})));
  EXPECT_FALSE(store->Exists(Variant::Missing()));
}

TEST(KeyedStoreTest, DuplicateKeyFailsAndAddsNothing) {
  auto store = Make({u"Bob"});
  EXPECT_EQ(ErrorCodeOf([&] { store->Add(u"again", u"BOB"); }), int32_t(errc::kDuplicateKey));
  EXPECT_EQ(store->Count(), 1);
  EXPECT_EQ(store->Item(Variant(u"bob")), u"Bob-item");
  // The refused key's text is gone: the next key is found by its own text.
  store->Add(u"Carol-item", u"Carol");
  EXPECT_EQ(store->Item(Variant(u"CAROL")), u"Carol-item");
  EXPECT_EQ(store->Item(Variant(int32_t{2})), u"Carol-item");
  EXPECT_FALSE(store->Exists(Variant(u"BOBCarol")));
}

TEST(KeyedStoreTest, RemoveReindexesLaterEntries) {
  auto store = Make({u"a", u"b", u"c"});
  store->Remove(Variant(u"B"));
  EXPECT_EQ(store->Count(), 2);
  EXPECT_EQ(store->Item(Variant(int32_t{2})), u"c-item");
  EXPECT_EQ(store->Item(Variant(u"c")), u"c-item");
  EXPECT_FALSE(store->Exists(Variant(u"b")));
  store->Add(u"b2", u"b");  // the key is free again
  EXPECT_EQ(store->Item(Variant(int32_t{3})), u"b2");
}

// An enumerator keeps its store alive and goes on visiting it after the owner dropped it.
// Through many growths of the index and removals from the middle, every key still finds its
// own entry in its new position, without regard to case, and a repeat is still refused.
TEST(KeyedStoreTest, LargeStoreKeepsKeysAndPositionsThroughGrowthAndRemoval) {
  auto store = Store::Create();
  constexpr int32_t kCount = 5000;
  store->Reserve(16);  // less than needed: the index grows while entries are added
  for (int32_t i = 0; i < kCount; ++i) {
    store->Add(DecimalText(i), u"Key" + DecimalText(i));
  }
  EXPECT_EQ(ErrorCodeOf([&] { store->Add(u"again", u"KEY4999"); }),
            static_cast<int32_t>(errc::kDuplicateKey));
  for (int32_t i = kCount - 1; i >= 0; i -= 7) store->Remove(Variant(u"kEy" + DecimalText(i)));
  int32_t position = 1;
  for (int32_t i = 0; i < kCount; ++i) {
    const std::u16string key = u"KEY" + DecimalText(i);
    if ((kCount - 1 - i) % 7 == 0) {
      EXPECT_FALSE(store->Exists(Variant(key))) << i;
      continue;
    }
    ASSERT_EQ(store->Item(Variant(key)), DecimalText(i));
    ASSERT_EQ(store->Item(Variant(position)), DecimalText(i));
    ++position;
  }
  EXPECT_EQ(store->Count(), position - 1);
  store->Add(u"back", u"key4999");  // a removed key may be used again
  EXPECT_EQ(store->Item(Variant(store->Count())), u"back");
}

TEST(KeyedStoreTest, EnumeratorOutlivesItsStore) {
  auto store = Make({u"a", u"b", u"c"});
  auto e = store->NewEnum();
  std::weak_ptr<Store> weak = store;
  store.reset();
  ASSERT_FALSE(weak.expired());
  EXPECT_EQ(e->Next()->AsString(), u"a-item");
  auto clone = e->Clone();
  EXPECT_TRUE(e->Skip(1));
  EXPECT_EQ(e->Next()->AsString(), u"c-item");
  EXPECT_FALSE(e->Next().has_value());
  EXPECT_FALSE(e->Skip(1));
  EXPECT_EQ(clone->Next()->AsString(), u"b-item");
  e->Reset();
  EXPECT_EQ(e->Next(5).size(), 3u);
  e.reset();
  clone.reset();
  EXPECT_TRUE(weak.expired());
}

}  // namespace
}  // namespace moxtrel
