// Random names, call kinds and argument lists thrown at Invoke: every outcome is a result or
// an AutomationError, never a crash or another exception (run under the sanitizers too).
#include <gtest/gtest.h>

#include <random>

#include "late_binding_fixture.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel::testing {
namespace {

class DispatchFuzz : public LateBindingTest {
 protected:
  Variant RandomArg(std::mt19937& rng, const std::vector<ObjectPtr>& pool) {
    switch (rng() % 12) {
      case 0:
        return Variant();
      case 1:
        return Variant::Missing();
      case 2:
        return Variant(static_cast<int32_t>(rng() % 5) - 1);
      case 3:
        return Variant(static_cast<int32_t>(rng()));
      case 4:
        return Variant::Boolean(rng() % 2);
      case 5:
        return Variant(rng() % 2 ? 1e300 : -0.5);
      case 6:
        return Variant(Date{static_cast<double>(rng() % 80000)});
      case 7:
        return Variant(rng() % 2 ? u"alice" : u"  Staff ");
      case 8:
        return Variant(u"x/\\\"*,:;<>|?=+[]" + FromUtf8(std::to_string(rng() % 100)));
      case 9:
        return Variant(pool[rng() % pool.size()]);
      case 10:
        return Variant(VariantArray{1, {Variant(u"a"), Variant(int32_t{1})}});
      default:
        return Variant(ByteArray{1, 2, 3});
    }
  }
};

// A bounded, seeded run over every class, its members and the enumerators it hands out.
TEST_F(DispatchFuzz, RandomCallsNeverCrash) {
  std::vector<std::u16string> names{u"",     u"Nope",  u"item",  u"NEWENUM",  u"next",
                                    u"skip", u"reset", u"clone", u"_NewEnum", u"Find "};
  for (const auto& cls : typelib::Library().classes) {
    for (const auto& m : cls.iface.members) names.push_back(m.name);
  }
  std::vector<ObjectPtr> pool;
  for (auto& [name, object] : Instances()) pool.push_back(object);
  std::mt19937 rng(20240607);
  int errors = 0, results = 0;
  for (int i = 0; i < 4000; ++i) {
    ObjectPtr target = pool[rng() % pool.size()];
    std::vector<Variant> args(rng() % 7);
    for (auto& a : args) a = RandomArg(rng, pool);
    const uint16_t flags = rng() % 8 == 0 ? static_cast<uint16_t>(rng()) : rng() % 16;
    try {
      Variant result =
          rng() % 3 == 0
              ? dispatch::Invoke(
                    *target, static_cast<DispId>(rng() % 2 == 0 ? 0x68030000 + rng() % 40 : rng()),
                    flags, args)
              : dispatch::InvokeByName(*target, names[rng() % names.size()], flags, args);
      ++results;
      if (result.IsObject() && result.AsObject() && pool.size() < 64)
        pool.push_back(result.AsObject());
    } catch (const AutomationError& e) {
      ++errors;
      EXPECT_FALSE(e.description().empty());
    }
  }
  EXPECT_GT(results, 0);
  EXPECT_GT(errors, 0);
}

}  // namespace
}  // namespace moxtrel::testing
