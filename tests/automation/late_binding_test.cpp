// Every public class driven through late binding on the embedded directory: name and DISPID
// reach the same C++ member, tables are bound to the right members, and bad calls fail cleanly
// without reaching the directory.
#include <gtest/gtest.h>

#include "late_binding_fixture.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel::testing {
namespace {

using typelib::MemberKind;

class LateBinding : public LateBindingTest {
 protected:
  // A value that compares across two calls: objects by class, since each read may build anew.
  static std::u16string Shown(const Variant& v) {
    if (v.IsObject()) return v.AsObject() ? std::u16string(v.AsObject()->TypeName()) : u"Nothing";
    return std::u16string(v.TypeName()) + u":" + v.Describe();
  }

  struct Outcome {
    std::u16string value;
    int32_t code = 0;
    std::vector<std::u16string> calls;
  };
  Outcome Run(const std::function<Variant()>& f) {
    layer->Journal().Clear();
    Outcome out;
    try {
      out.value = Shown(f());
    } catch (const AutomationError& e) {
      out.code = e.code();
    }
    out.calls = layer->Journal().Members();
    return out;
  }
};

// Each get, and each put or put-by-reference of the value just read, reached once by name and
// once by DISPID, gives the same result and the same directory calls.
TEST_F(LateBinding, NameAndDispIdReachTheSameMember) {
  auto objects = Instances();
  for (const auto& cls : typelib::Library().classes) {
    if (!cls.published) continue;
    SCOPED_TRACE(ToUtf8(cls.coclass.name));
    ASSERT_TRUE(objects.count(cls.coclass.name));
    AutomationObject& object = *objects[cls.coclass.name];
    for (const auto& m : cls.iface.members) {
      if (m.kind == MemberKind::kMethod) continue;
      SCOPED_TRACE(ToUtf8(m.name) + " " + ToUtf8(typelib::KindName(m.kind)));
      std::vector<Variant> args;
      uint16_t flags = kDispatchGet;
      if (m.kind == MemberKind::kGet && !m.params.empty()) {
        args.push_back(Variant(int32_t{1}));  // Item and Exists: the first entry
      } else if (m.kind != MemberKind::kGet) {
        std::vector<Variant> none;
        args.push_back(dispatch::Invoke(object, m.dispid, kDispatchGet, none));
        flags = m.kind == MemberKind::kPut ? kDispatchPut : kDispatchPutRef;
      }
      const auto by_name_call = [&] {
        auto copy = args;
        return dispatch::InvokeByName(object, m.name, flags, copy);
      };
      Run(by_name_call);  // a stale collection lists on its first read only
      auto by_name = Run(by_name_call);
      auto by_id = Run([&] {
        auto copy = args;
        return dispatch::Invoke(object, m.dispid, flags, copy);
      });
      EXPECT_EQ(ToUtf8(by_name.value), ToUtf8(by_id.value));
      EXPECT_EQ(by_name.code, by_id.code);
      EXPECT_EQ(by_name.calls, by_id.calls);
    }
  }
}

// Each table slot is bound to the C++ member of its name: seeded values come back where the
// directory holds them, and writes land in the attribute of the same name.
TEST_F(LateBinding, SlotsAreBoundToTheirOwnMembers) {
  auto o = Instances();
  struct Case {
    const char16_t* cls;
    const char16_t* member;
    Variant expected;
  };
  const Case cases[] = {
      {u"moxUser", u"FullName", Variant(u"Alice Liddell")},
      {u"moxUser", u"Description", Variant(u"Reader")},
      {u"moxUser", u"HomeDirectory", Variant(u"H:\\alice")},
      {u"moxUser", u"LoginScript", Variant(u"go.cmd")},
      {u"moxUser", u"Profile", Variant(u"\\\\SRV\\profiles\\alice")},
      {u"moxUser", u"MaxStorage", Variant(int32_t{100})},
      {u"moxUser", u"UserName", Variant(u"alice")},
      {u"moxUser", u"Domain", Variant(u"CORP")},
      {u"moxUser", u"UserType", Variant(int32_t{2})},
      {u"moxUser", u"Exists", Variant::Boolean(true)},
      {u"moxGroup", u"Description", Variant(u"Everyone")},
      {u"moxGroup", u"Name", Variant(u"Staff")},
      {u"moxGroup", u"GroupType", Variant(int32_t{2})},
      {u"moxServer", u"Division", Variant(u"Research")},
      {u"moxServer", u"Owner", Variant(u"Operations")},
      {u"moxServer", u"OperatingSystem", Variant(u"Windows NT")},
      {u"moxServer", u"OperatingSystemVersion", Variant(u"4.0")},
      {u"moxServer", u"Processor", Variant(u"x86 Family 6")},
      {u"moxServer", u"ProcessorCount", Variant(u"2")},
      {u"moxServer", u"Name", Variant(u"SRV")},
      {u"moxFileShare", u"Path", Variant(u"C:\\docs")},
      {u"moxFileShare", u"Description", Variant(u"Documents")},
      {u"moxFileShare", u"MaxUsers", Variant(int32_t{5})},
      {u"moxFileShare", u"Name", Variant(u"docs")},
      {u"moxPrintQueue", u"Location", Variant(u"Hall")},
      {u"moxPrintQueue", u"Model", Variant(u"LJ4")},
      {u"moxPrintQueue", u"Name", Variant(u"LaserJet")},
      {u"moxPrintQueues", u"Count", Variant(int32_t{1})},
      {u"moxPrintJobs", u"Count", Variant(int32_t{1})},
      {u"moxPrintJob", u"User", Variant(u"bob")},
      {u"moxPrintJob", u"Pages", Variant(int32_t{3})},
      {u"moxPrintJob", u"Description", Variant(u"report")},
      {u"moxService", u"DisplayName", Variant(u"Print Spooler")},
      {u"moxService", u"Path", Variant(u"C:\\spool.exe")},
      {u"moxService", u"LoadOrderGroup", Variant(u"SpoolerGroup")},
      {u"moxService", u"AccountName", Variant(u"LocalSystem")},
      {u"moxService", u"ServiceType", Variant(int32_t{16})},
      {u"moxService", u"StartType", Variant(int32_t{2})},
      {u"moxService", u"ErrorControl", Variant(int32_t{1})},
      {u"moxService", u"Name", Variant(u"Spooler")},
      {u"moxServices", u"Server", Variant(u"SRV")},
      {u"moxServices", u"Count", Variant(int32_t{2})},
      {u"moxServiceDeps", u"Count", Variant(int32_t{1})},
      {u"moxCurrentEnvironment", u"CurrentComputer", Variant(u"SRV")},
      {u"moxCurrentEnvironment", u"CurrentUser", Variant(u"alice")},
      {u"moxCurrentEnvironment", u"CurrentUserPrivilege", Variant(int32_t{2})},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Get(o[c.cls], c.member), c.expected) << ToUtf8(c.cls) << "." << ToUtf8(c.member);
  }
  EXPECT_EQ(Get(o[u"moxServiceDeps"], u"Item", {Variant(int32_t{1})}), Variant(u"RPC"));
  EXPECT_EQ(Get(o[u"moxUsers"], u"Exists", {Variant(u"ALICE")}), Variant::Boolean(true));

  Put(o[u"moxUser"], u"FullName", Variant(u"  Alice L.  "));
  EXPECT_EQ(dir->Peek(alice, u"FullName"), Variant(u"Alice L."));
  Put(o[u"moxUser"], u"HomeDirectory", Variant(u"D:\\home"));
  EXPECT_EQ(dir->Peek(alice, u"HomeDirectory"), Variant(u"D:\\home"));
  EXPECT_EQ(dir->Peek(alice, u"FullName"), Variant(u"Alice L."));
  Put(o[u"moxPrintQueue"], u"Location", Variant(u"Annex"));
  EXPECT_EQ(Get(o[u"moxPrintQueue"], u"Location"), Variant(u"Annex"));
  EXPECT_EQ(Get(o[u"moxPrintQueue"], u"Model"), Variant(u"LJ4"));
  // A Boolean put through late binding reaches the directory as a commit.
  layer->Journal().Clear();
  Put(o[u"moxUser"], u"AccountDisabled", Variant(int32_t{-1}));
  EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo"), 1u);
  EXPECT_EQ(Get(o[u"moxUser"], u"AccountDisabled"), Variant::Boolean(true));
}

// Calls that are wrong at the boundary fail with the dispatch errors and never reach the
// directory; a failing lookup inside a member passes its own error through.
TEST_F(LateBinding, BadCallsFailBeforeTheDirectory) {
  auto user = dispatch::CreateObject(u"moxUser");
  const auto code_and_calls = [&](std::u16string_view name, uint16_t flags,
                                  std::vector<Variant> args) {
    layer->Journal().Clear();
    int32_t code = ErrorCodeOf([&] { dispatch::InvokeByName(*user, name, flags, args); });
    EXPECT_EQ(layer->Journal().Size(), 0u) << layer->Journal().Dump();
    return code;
  };
  EXPECT_EQ(code_and_calls(u"Find", kDispatchMethod, {Variant(u"alice")}),
            int32_t(errc::kBadParamCount));
  EXPECT_EQ(code_and_calls(u"Find", kDispatchMethod,
                           {Variant(u"alice"), Variant::Missing(), Variant(int32_t{2})}),
            int32_t(errc::kParamNotOptional));
  EXPECT_EQ(code_and_calls(u"Find", kDispatchMethod,
                           {Variant(u"alice"), Variant(u"CORP"), Variant(u"global")}),
            int32_t(errc::kDispTypeMismatch));
  EXPECT_EQ(code_and_calls(u"UserType", kDispatchPut, {Variant(int32_t{1})}),
            int32_t(errc::kMemberNotFound));
  EXPECT_EQ(
      code_and_calls(u"Groups", kDispatchPutRef, {Variant(dispatch::CreateObject(u"moxUser"))}),
      int32_t(errc::kDispTypeMismatch));
  EXPECT_EQ(code_and_calls(u"Frobnicate", kDispatchMethod, {}), int32_t(errc::kUnknownName));

  // Found through late binding, then an out-of-range Item through the default member.
  std::vector<Variant> find{Variant(u" alice "), Variant(u"CORP"), Variant(int32_t{2})};
  EXPECT_EQ(dispatch::InvokeByName(*user, u"FIND", kDispatchMethod, find), Variant::Boolean(true));
  auto groups = Obj(Get(user, u"Groups"));
  std::vector<Variant> zero{Variant(int32_t{0})};
  EXPECT_NE(ErrorCodeOf([&] { dispatch::Invoke(*groups, kDispIdValue, kDispatchGet, zero); }), 0);
  std::vector<Variant> first{Variant(int32_t{1})};
  EXPECT_EQ(Shown(dispatch::Invoke(*groups, kDispIdValue, kDispatchGet, first)), u"moxGroup");
}

}  // namespace
}  // namespace moxtrel::testing
