// Goals 2 and 3: a collection's Item by key and by position, random indexes, against the same
// lookups in an absl::flat_hash_map and a std::vector built here.
#include <absl/container/flat_hash_map.h>

#include "goal_support.h"
#include "moxtrel/frame/keyed_collection.h"

namespace moxtrel::bench {
namespace {

class Member final : public AutomationObject {
 public:
  std::u16string_view TypeName() const noexcept override { return u"Member"; }
};
using MemberPtr = std::shared_ptr<Member>;

// A collection whose listing is a list of names made here, read through the shared Item.
class Members final : public KeyedCollection<MemberPtr> {
 public:
  explicit Members(const std::vector<std::pair<std::u16string, MemberPtr>>* source)
      : KeyedCollection(/*needs_refresh=*/true, /*create_store=*/true), source_(source) {}
  std::u16string_view TypeName() const noexcept override { return u"Members"; }
  bool Refresh() override {
    Store& store = ResetStore();
    for (const auto& [name, member] : *source_) store.Add(member, name);
    MarkCurrent();
    return true;
  }

 private:
  const std::vector<std::pair<std::u16string, MemberPtr>>* source_;
};

constexpr std::size_t kLookups = 4096;

struct Fixture {
  explicit Fixture(int64_t count) {
    for (int64_t i = 0; i < count; ++i) {
      source.emplace_back(UserName(i), std::make_shared<Member>());
    }
    collection = std::make_shared<Members>(&source);
    collection->Count();
    for (int32_t p : RandomPositions(count, kLookups)) {
      positions.push_back(p);
      keys.push_back(source[static_cast<std::size_t>(p)].first);
      key_indexes.emplace_back(keys.back());
      position_indexes.emplace_back(p + 1);
    }
  }
  std::vector<std::pair<std::u16string, MemberPtr>> source;
  std::shared_ptr<Members> collection;
  std::vector<int32_t> positions;
  std::vector<std::u16string> keys;
  std::vector<Variant> key_indexes;
  std::vector<Variant> position_indexes;
};

void ItemByKey(benchmark::State& state) {
  Fixture f(state.range(0));
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.collection->Item(f.key_indexes[i++ % kLookups]));
  }
}

void FlatMapByKey(benchmark::State& state) {
  Fixture f(state.range(0));
  absl::flat_hash_map<std::u16string, MemberPtr> map;
  map.reserve(f.source.size());
  for (const auto& [name, member] : f.source) map.emplace(name, member);
  std::size_t i = 0;
  for (auto _ : state) {
    MemberPtr found = map.find(f.keys[i++ % kLookups])->second;
    benchmark::DoNotOptimize(found);
  }
}

void ItemByPosition(benchmark::State& state) {
  Fixture f(state.range(0));
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.collection->Item(f.position_indexes[i++ % kLookups]));
  }
}

void VectorByPosition(benchmark::State& state) {
  Fixture f(state.range(0));
  std::vector<MemberPtr> items;
  for (const auto& entry : f.source) items.push_back(entry.second);
  std::size_t i = 0;
  for (auto _ : state) {
    MemberPtr found = items[static_cast<std::size_t>(f.positions[i++ % kLookups])];
    benchmark::DoNotOptimize(found);
  }
}

}  // namespace

void RegisterStoreGoals() {
  const int64_t small = Size(1000), large = Size(1000000, 1000);
  Shape(benchmark::RegisterBenchmark("Goal2/ItemByKey", ItemByKey))->Arg(small)->Arg(large);
  Shape(benchmark::RegisterBenchmark("Goal2/FlatMapByKey", FlatMapByKey))->Arg(small)->Arg(large);
  Shape(benchmark::RegisterBenchmark("Goal3/ItemByPosition", ItemByPosition))
      ->Arg(small)
      ->Arg(large);
  Shape(benchmark::RegisterBenchmark("Goal3/VectorByPosition", VectorByPosition))
      ->Arg(small)
      ->Arg(large);
}

}  // namespace moxtrel::bench
