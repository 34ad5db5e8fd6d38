// The dispatch layer on a test-only class: lookup, argument checks, write-back, fields,
// enumerators and the failures a late-bound caller can provoke.
#include <gtest/gtest.h>

#include <stdexcept>

#include "dispatch_toy.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/enumerator.h"
#include "moxtrel/frame/error_codes.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using dispatch::GetIDOfName;
using dispatch::Invoke;
using dispatch::InvokeByName;

class DispatchInvokeTest : public ::testing::Test {
 protected:
  DispatchInvokeTest() { RegisterToyClasses(); }
  std::shared_ptr<Toy> toy = Toy::Create();

  Variant Call(std::u16string_view name, uint16_t flags, std::vector<Variant> args = {}) {
    return InvokeByName(*toy, name, flags, args);
  }
};

// Names resolve without regard to case; a get and its put share one DISPID.
TEST_F(DispatchInvokeTest, NamesResolveCaseInsensitively) {
  EXPECT_EQ(GetIDOfName(*toy, u"name"), 0x68030001);
  EXPECT_EQ(GetIDOfName(*toy, u"NAME"), 0x68030001);
  EXPECT_EQ(GetIDOfName(*toy, u"Item"), kDispIdValue);
  EXPECT_EQ(GetIDOfName(*toy, u"NewEnum"), kDispIdNewEnum);
  EXPECT_EQ(ErrorCodeOf([&] { GetIDOfName(*toy, u"Nope"); }), int32_t(errc::kUnknownName));
  EXPECT_EQ(ErrorCodeOf([&] { GetIDOfName(*toy, u""); }), int32_t(errc::kUnknownName));
}

// Gets and puts reach the C++ members; Booleans come back as 16-bit -1/0, enums as Long.
TEST_F(DispatchInvokeTest, PropertiesConvertResults) {
  Call(u"Name", kDispatchPut, {Variant(u"alpha")});
  EXPECT_EQ(toy->Name(), u"alpha");
  EXPECT_EQ(Call(u"Name", kDispatchGet), Variant(u"alpha"));
  toy->flag = true;
  EXPECT_EQ(Call(u"Flag", kDispatchGet), Variant::Boolean(true));
  EXPECT_EQ(Call(u"Flag", kDispatchGet).ToLong(), -1);
  Call(u"Flag", kDispatchPut, {Variant(int32_t{0})});
  EXPECT_FALSE(toy->flag);
  EXPECT_EQ(Call(u"Kind", kDispatchGet), Variant(int32_t{2}));
  // A script that cannot tell a property from a method passes both flags.
  EXPECT_EQ(Call(u"Kind", kDispatchGet | kDispatchMethod), Variant(int32_t{2}));
  EXPECT_EQ(Call(u"Join", kDispatchGet | kDispatchMethod, {Variant(u"a"), Variant(u"b")}),
            Variant(u"a+b"));
}

// Each way of getting the arguments wrong is its own clear error, and the member never runs.
TEST_F(DispatchInvokeTest, BadArgumentsAreRefusedBeforeTheCall) {
  const auto code = [&](std::u16string_view name, uint16_t flags, std::vector<Variant> args) {
    return ErrorCodeOf([&] { InvokeByName(*toy, name, flags, args); });
  };
  EXPECT_EQ(code(u"Join", kDispatchMethod, {}), int32_t(errc::kBadParamCount));
  EXPECT_EQ(code(u"Join", kDispatchMethod, {Variant(u"a"), Variant(u"b"), Variant(u"c")}),
            int32_t(errc::kBadParamCount));
  EXPECT_EQ(code(u"Find", kDispatchMethod, {Variant::Missing(), Variant(int32_t{1})}),
            int32_t(errc::kParamNotOptional));
  EXPECT_EQ(code(u"Find", kDispatchMethod, {Variant(u"x"), Variant(u"not a number")}),
            int32_t(errc::kDispTypeMismatch));
  EXPECT_EQ(code(u"Child", kDispatchPutRef, {Variant(u"text")}), int32_t(errc::kDispTypeMismatch));
  EXPECT_EQ(code(u"Kind", kDispatchPut, {Variant(int32_t{1})}), int32_t(errc::kMemberNotFound));
  EXPECT_EQ(code(u"Name", 0, {}), int32_t(errc::kInvalidArg));
  EXPECT_EQ(toy->find_calls, 0);
  std::vector<Variant> none;
  EXPECT_EQ(ErrorCodeOf([&] { Invoke(*toy, 0x12345, kDispatchGet, none); }),
            int32_t(errc::kMemberNotFound));
}

// Messages name what failed: the parameter for a mismatch, the property for a read-only put.
TEST_F(DispatchInvokeTest, ErrorsNameTheirSubject) {
  try {
    Call(u"Find", kDispatchMethod, {Variant(u"x"), Variant(u"abc")});
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_NE(e.description().find(u"lType"), std::u16string::npos);
  }
  try {
    Call(u"Kind", kDispatchPut, {Variant(int32_t{1})});
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_NE(e.description().find(u"Toy.Kind"), std::u16string::npos);
  }
}

// A by-reference argument the member changes is written back; one it leaves keeps its type.
TEST_F(DispatchInvokeTest, ByReferenceArgumentsAreWrittenBack) {
  std::vector<Variant> args{Variant(u"  padded  "), Variant(int32_t{1})};
  EXPECT_EQ(InvokeByName(*toy, u"Find", kDispatchMethod, args), Variant::Boolean(true));
  EXPECT_EQ(args[0], Variant(u"padded"));
  std::vector<Variant> numeric{Variant(int32_t{42}), Variant(u"2")};
  InvokeByName(*toy, u"Find", kDispatchMethod, numeric);
  EXPECT_EQ(numeric[0], Variant(int32_t{42}));
  EXPECT_EQ(numeric[1], Variant(u"2"));
  EXPECT_EQ(toy->last_type, 2);
}

// An omitted optional argument takes its default.
TEST_F(DispatchInvokeTest, OptionalArgumentsTakeDefaults) {
  EXPECT_EQ(Call(u"Join", kDispatchMethod, {Variant(u"a")}), Variant(u"a+-"));
  EXPECT_EQ(Call(u"Join", kDispatchMethod, {Variant(u"a"), Variant::Missing()}), Variant(u"a+-"));
}

// A public field is a get and a put-by-reference at one DISPID; a value put is refused.
TEST_F(DispatchInvokeTest, FieldsTakeObjectsByReference) {
  auto other = Toy::Create();
  Call(u"Child", kDispatchPutRef, {Variant(other)});
  EXPECT_EQ(toy->Child(), other);
  EXPECT_EQ(Call(u"Child", kDispatchGet).AsObject(), other);
  Call(u"Child", kDispatchPutRef, {Variant(ObjectPtr())});
  EXPECT_EQ(toy->Child(), nullptr);
  EXPECT_EQ(ErrorCodeOf([&] { Call(u"Child", kDispatchPut, {Variant(u"x")}); }),
            int32_t(errc::kMemberNotFound));
}

// DISPID 0 is the default member; NewEnum hands out an enumerator that dispatches too.
TEST_F(DispatchInvokeTest, DefaultMemberAndEnumerator) {
  std::vector<Variant> index{Variant(int32_t{2})};
  EXPECT_EQ(Invoke(*toy, kDispIdValue, kDispatchGet, index), Variant(u"two"));
  std::vector<Variant> none;
  ObjectPtr e = Invoke(*toy, kDispIdNewEnum, kDispatchGet, none).AsObject();
  ASSERT_NE(std::dynamic_pointer_cast<Enumerator>(e), nullptr);
  std::vector<Variant> item{Variant()};
  EXPECT_EQ(InvokeByName(*e, u"Next", kDispatchMethod, item), Variant::Boolean(true));
  EXPECT_EQ(item[0], Variant(u"one"));
  ObjectPtr clone = InvokeByName(*e, u"Clone", kDispatchMethod, none).AsObject();
  std::vector<Variant> skip{Variant(int32_t{5})};
  EXPECT_EQ(InvokeByName(*e, u"Skip", kDispatchMethod, skip), Variant::Boolean(false));
  EXPECT_EQ(InvokeByName(*e, u"Next", kDispatchMethod, item), Variant::Boolean(false));
  EXPECT_TRUE(item[0].IsEmpty());
  EXPECT_EQ(InvokeByName(*clone, u"Next", kDispatchMethod, item), Variant::Boolean(true));
  EXPECT_EQ(item[0], Variant(u"two"));
  InvokeByName(*e, u"Reset", kDispatchMethod, none);
  InvokeByName(*e, u"Next", kDispatchMethod, item);
  EXPECT_EQ(item[0], Variant(u"one"));
}

// Member failures reach the caller as AutomationError, whatever the member threw.
TEST_F(DispatchInvokeTest, MemberFailuresBecomeAutomationErrors) {
  EXPECT_EQ(ErrorCodeOf([&] { Call(u"Fail", kDispatchMethod, {Variant(u"boom")}); }),
            int32_t(errc::kAccessDenied));
  EXPECT_EQ(ErrorCodeOf([&] { Call(u"Fail", kDispatchMethod, {Variant(u"")}); }),
            int32_t(errc::kFail));
}

// A table with two slots of one kind at one DISPID is refused when it is registered.
TEST(DispatchTableCheck, DuplicateDispIdsAreRefused) {
  auto bad = ClassTable<Toy>(u"BadToy")
                 .Get(u"A", 5, typelib::Long(), [](Toy& t, CallArgs&) { return t.Kind(); })
                 .Get(u"B", 5, typelib::Long(), [](Toy& t, CallArgs&) { return t.Kind(); })
                 .Build();
  EXPECT_FALSE(typelib::CheckInterface(bad.iface).empty());
  EXPECT_EQ(ErrorCodeOf([&] { typelib::RegisterExtraClass(bad); }), int32_t(errc::kFail));
  auto renamed = ClassTable<Toy>(u"BadToy2")
                     .Get(u"A", 5, typelib::Long(), [](Toy& t, CallArgs&) { return t.Kind(); })
                     .Put(u"A", 6, typelib::Long(), [](Toy&, CallArgs&) {})
                     .Build();
  EXPECT_FALSE(typelib::CheckInterface(renamed.iface).empty());
}

// A slot whose parameter count the C++ member does not take exactly is refused at
// registration: too many, too few, or fewer than a member with a defaulted parameter takes.
TEST(DispatchTableCheck, ArityMismatchesAreRefused) {
  using typelib::String;
  const auto refused = [](typelib::ClassBinding binding) {
    EXPECT_FALSE(binding.problems.empty());
    return ErrorCodeOf([&] { typelib::RegisterExtraClass(std::move(binding)); });
  };
  EXPECT_EQ(refused(ClassTable<Toy>(u"ArityToy1")
                        .Method(MOX_MEMBER(Fail), 1, typelib::Void(),
                                {Param(u"a", String()), Param(u"b", String())})
                        .Build()),
            int32_t(errc::kFail));
  EXPECT_EQ(refused(ClassTable<Toy>(u"ArityToy2")
                        .Method(MOX_MEMBER(Join), 1, String(), {Param(u"a", String())})
                        .Build()),
            int32_t(errc::kFail));
  EXPECT_EQ(refused(ClassTable<Toy>(u"ArityToy3")
                        .Method(MOX_MEMBER(Pad), 1, String(), {Param(u"a", String())})
                        .Build()),
            int32_t(errc::kFail));
  EXPECT_EQ(refused(ClassTable<Toy>(u"ArityToy4").Get(MOX_MEMBER(Item), 1, String()).Build()),
            int32_t(errc::kFail));
  // The same members with the right counts are accepted.
  auto sound =
      ClassTable<Toy>(u"ArityToy5")
          .Method(MOX_MEMBER(Pad), 1, String(), {Param(u"a", String()), Param(u"b", String())})
          .Get(MOX_MEMBER(Item), 2, typelib::AnyVariant(), {Param(u"Index", typelib::AnyVariant())})
          .Property(MOX_MEMBER(Name), 3, String())
          .Build();
  EXPECT_TRUE(sound.problems.empty());
  EXPECT_NO_THROW(typelib::RegisterExtraClass(std::move(sound)));
}

}  // namespace
}  // namespace moxtrel::testing
