#include <gtest/gtest.h>

#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/platform/thread_timers.h"
#include "script/script_error.h"
#include "script_runner.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

class ScriptObjectTest : public DirectoryTest {
 protected:
  ScriptObjectTest() {
    corp = build.AddDomain(u"CORP");
    alice = build.AddUser(corp, u"alice", {{u"FullName", u"Alice"}});
    build.AddUser(corp, u"bob");
    sales = build.AddGroup(corp, u"Sales");
    pc1 = build.AddComputer(corp, u"PC1");
    laser = build.AddPrintQueue(pc1, u"Laser");
  }
  ScriptResult Run(const std::string& text) { return RunScript(text, dir); }

  std::u16string corp, alice, sales, pc1, laser;
};

// One member expression met by objects of several classes reads each one's own member: Name
// has another DISPID in a group than in a domain, and a user has no Name at all.
TEST_F(ScriptObjectTest, MemberCallSitesFollowTheClassTheyMeet) {
  auto r =
      Run("Set d = New moxDomain\nd.Name = \"CORP\"\nSet g = New moxGroup\n"
          "g.Find \"Sales\", \"CORP\"\nSet u = New moxUser\nu.Find \"alice\", \"CORP\", moxGlobal\n"
          "On Error Resume Next\n"
          "For Each o In Array(d, g, d, u, g)\n  n = \"-\"\n  n = o.Name\n  Print n\nNext\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "CORP\nSales\nCORP\n-\nSales\n");
}

// A property put from a script is one provider write committed with SetInfo.
TEST_F(ScriptObjectTest, PropertyPutCommitsThroughTheProvider) {
  auto r =
      Run("Set u = CreateObject(\"Moxtrel.moxUser\")\n"
          "Print u.Find(\"alice\", \"CORP\", [mox Global]), u.FullName\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "True Alice\n");
  layer->Journal().Clear();
  r =
      Run("Set u = New moxUser\nu.Find \"alice\", \"CORP\", moxGlobal\n"
          "u.FullName = \"Alice Liddell\"\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(layer->Journal().Count(u"IADsUser.FullName.put"), 1u) << layer->Journal().Dump();
  EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo"), 1u);
  EXPECT_EQ(dir->Peek(alice, u"FullName"), Variant(u"Alice Liddell"));
}

// A collection's default member takes a key or a position, through the property that
// returned it; a missing key is an error that names the member and its code.
TEST_F(ScriptObjectTest, DefaultMemberByKeyAndPosition) {
  auto r =
      Run("Set d = New moxDomain\nd.Name = \"CORP\"\n"
          "Print d.Users(\"ALICE\").UserName, d.Users(2).UserName, d.Users.Item(1).UserName\n"
          "Set us = d.Users\nPrint us(\"bob\").UserName, us.Exists(\"zed\")\n"
          "Print d.Users(\"zed\").FullName\n");
  EXPECT_EQ(r.out, "alice bob alice\nbob False\n");
  EXPECT_EQ(r.code, static_cast<int32_t>(errc::kInvalidProcedureCall));
  EXPECT_EQ(r.error.rfind("t.mox:6: d.Users.Item: ", 0), 0u) << r.error;
  EXPECT_NE(r.error.find("(0x800A0005)"), std::string::npos) << r.error;
}

// For Each walks a collection through its enumerator.
TEST_F(ScriptObjectTest, ForEachOverCollection) {
  auto r = Run(
      "Set d = New moxDomain\nd.Name = \"CORP\"\nFor Each u In d.Users\nPrint u.UserName\nNext\n"
      "For Each x In d\nNext\n");
  EXPECT_EQ(r.out, "alice\nbob\n");
  EXPECT_NE(r.error.find("t.mox:6: d.NewEnum:"), std::string::npos) << r.error;
}

// Unknown members, wrong argument counts and arguments that do not convert are reported
// with the member's name and the dispatch layer's code.
TEST_F(ScriptObjectTest, BadCallsReportMemberAndCode) {
  auto unknown = Run("Set u = New moxUser\nPrint u.Nope\n");
  EXPECT_EQ(unknown.code, static_cast<int32_t>(errc::kUnknownName));
  EXPECT_EQ(unknown.error.rfind("t.mox:2: u.Nope: ", 0), 0u) << unknown.error;

  auto count = Run("Set u = New moxUser\nu.SetPassword \"a\", \"b\"\n");
  EXPECT_EQ(count.code, static_cast<int32_t>(errc::kBadParamCount)) << count.error;
  EXPECT_EQ(count.error.rfind("t.mox:2: u.SetPassword: ", 0), 0u) << count.error;

  auto type = Run("Set u = New moxUser\nPrint u.Find(\"alice\", \"CORP\", \"global\")\n");
  EXPECT_EQ(type.code, static_cast<int32_t>(errc::kDispTypeMismatch)) << type.error;

  auto nothing = Run("Set u = Nothing\nPrint u.UserName\n");
  EXPECT_EQ(nothing.error, "t.mox:2: u.UserName: Object required: 'u' is Nothing (0x800A01A8)");

  auto not_creatable = Run("Set x = CreateObject(\"Moxtrel.NoSuchThing\")\n");
  EXPECT_EQ(not_creatable.code, static_cast<int32_t>(errc::kClassNotRegistered))
      << not_creatable.error;

  auto enum_name = Run("Print [mox Nonsense]\n");
  EXPECT_EQ(enum_name.code, static_cast<int32_t>(script::kVariableUndefined));
}

// An omitted optional argument reaches the member as omitted, not as an empty string.
TEST_F(ScriptObjectTest, OmittedOptionalArgument) {
  auto r =
      Run("Set u = New moxUser\nu.Find \"alice\", \"CORP\", 2\nPrint u.AddToGroup(\"Sales\", )\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "True\n");
  EXPECT_EQ(dir->MembersOf(sales).size(), 1u);
}

// The global object's members are names of their own.
TEST_F(ScriptObjectTest, GlobalObjectMembers) {
  auto r = Run("Set e = New moxCurrentEnvironment\nPrint CurrentComputer = e.CurrentComputer\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "True\n");
}

// A connected Sub hears NewJob once per finished job while the script pumps messages.
TEST_F(ScriptObjectTest, NewJobReachesConnectedSub) {
  platform::ManualTime time;
  auto r =
      Run("Sub OnNewJob(sName, sUserName, sDescription, sPages, sSize, dTimeSubmitted)\n"
          "  Print \"new job\", sUserName, sDescription, sPages\n"
          "End Sub\n"
          "Set q = New moxPrintQueue\nq.Find \"Laser\", \"PC1\"\n"
          "Set jobs = q.PrintJobs\nConnect jobs, \"OnNewJob\"\njobs.AutoUpdate = 250\n"
          "job = Directory.SubmitJob(\"WinNT://CORP/PC1/Laser\", \"report.pdf\", \"alice\", 12)\n"
          "Pump 600\nPrint \"spooling:\", jobs.Count\n"
          "Directory.FinishSpooling job\nPump 600\nPump 600\n"
          "Disconnect jobs\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "spooling: 1\nnew job alice report.pdf 12\n");
}

// A handler whose parameters do not fit the event stops the script at the statement that
// raised the event, with a message naming both.
TEST_F(ScriptObjectTest, HandlerErrorsSurface) {
  build.AddPrintJob(laser, {{u"Status", int32_t{0}}});
  auto r =
      Run("Sub OnNewJob(sName)\nEnd Sub\n"
          "Set q = New moxPrintQueue\nq.Find \"Laser\", \"PC1\"\n"
          "Set jobs = q.PrintJobs\nConnect jobs, \"OnNewJob\"\njobs.AutoUpdate = 250\n"
          "jobs.Refresh\nPrint \"not reached\"\n");
  EXPECT_EQ(r.code, static_cast<int32_t>(script::kWrongArgCount));
  EXPECT_EQ(
      r.error.rfind(
          "t.mox:8: OnNewJob: The handler OnNewJob takes 1 parameter but the event NewJob passes 6",
          0),
      0u)
      << r.error;
  EXPECT_EQ(Run("Connect Nothing, \"X\"\n").code, static_cast<int32_t>(errc::kObjectRequired));
  EXPECT_EQ(Run("Set q = New moxPrintQueue\nConnect q, \"Missing\"\n").code,
            static_cast<int32_t>(script::kSubNotDefined));
}

// The Directory hooks check their arguments and pass directory errors on.
TEST_F(ScriptObjectTest, DirectoryHooks) {
  auto r =
      Run("Print Directory.Contains(\"WinNT://CORP/alice\")\n"
          "Directory.SubmitJob \"WinNT://CORP/PC1/Nope\", \"a\", \"b\", 1\n");
  EXPECT_EQ(r.out, "True\n");
  EXPECT_NE(r.code, 0);
  EXPECT_EQ(r.error.rfind("t.mox:2: Directory.SubmitJob: ", 0), 0u) << r.error;
  EXPECT_EQ(Run("Directory.SubmitJob \"x\"\n").code, static_cast<int32_t>(script::kWrongArgCount));
  EXPECT_EQ(RunScript("Print Directory.Contains(\"x\")\n").code,
            static_cast<int32_t>(script::kVariableUndefined));
}

// SubmitJob passes the job's attributes to the directory as given; Set puts a reference into
// a public object field, and a plain assignment of an object there is refused.
TEST_F(ScriptObjectTest, SubmitJobAttributesAndReferencePut) {
  auto r =
      Run("Print Directory.SubmitJob(\"WinNT://CORP/PC1/Laser\", \"a.pdf\", \"bob\", 3, 999, "
          "#2024-03-04 10:00#)\n");
  ASSERT_EQ(r.error, "");
  const std::u16string job = FromUtf8(r.out.substr(0, r.out.size() - 1));
  EXPECT_EQ(dir->Peek(job, u"Size"), Variant(int32_t{999}));
  EXPECT_EQ(dir->Peek(job, u"User"), Variant(u"bob"));
  EXPECT_EQ(dir->Peek(job, u"TimeSubmitted"), Variant(Date::FromCivil(2024, 3, 4, 10, 0)));

  auto field =
      Run("Set a = New moxDomain : a.Name = \"CORP\"\nSet b = New moxDomain : b.Name = \"CORP\"\n"
          "Print a.Users Is b.Users\nSet a.Users = b.Users\nPrint a.Users Is b.Users\n"
          "a.Users = b.Users\n");
  EXPECT_EQ(field.out, "False\nTrue\n");
  EXPECT_EQ(field.code, static_cast<int32_t>(errc::kObjectRequired));
  EXPECT_EQ(field.error.rfind("t.mox:6: a.Users: Assigning an object needs Set", 0), 0u)
      << field.error;
}

}  // namespace
}  // namespace moxtrel::testing
