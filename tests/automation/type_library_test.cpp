// The library against the published interface descriptions: every class's slots in order with
// kinds and DISPIDs, the coclasses, enums, event interface and the JSON dump.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel::testing {
namespace {

using Slots = std::vector<std::string>;

// "Name kind dispid", one entry per slot; a get/put row of the description is two entries.
Slots SlotsOf(const typelib::InterfaceInfo& iface) {
  Slots out;
  for (const auto& m : iface.members) {
    out.push_back(ToUtf8(m.name) + " " + ToUtf8(typelib::KindName(m.kind)) + " " +
                  std::to_string(m.dispid));
  }
  return out;
}

std::string S(const char* name, const char* kind, int64_t dispid) {
  return std::string(name) + " " + kind + " " + std::to_string(static_cast<int32_t>(dispid));
}
void GetPut(Slots& s, const char* name, int64_t dispid) {
  s.push_back(S(name, "get", dispid));
  s.push_back(S(name, "put", dispid));
}
void Field(Slots& s, const char* name, int64_t dispid) {
  s.push_back(S(name, "get", dispid));
  s.push_back(S(name, "putref", dispid));
}

Slots Expected(const std::string& cls) {
  Slots s;
  if (cls == "moxDomain") {
    Field(s, "Users", 0x40030003);
    Field(s, "Groups", 0x40030004);
    Field(s, "Servers", 0x40030005);
    s.push_back(S("Exists", "get", 0x68030002));
    s.push_back(S("GUID", "get", 0x68030001));
    GetPut(s, "Name", 0x68030000);
  } else if (cls == "moxUser") {
    Field(s, "Groups", 0x40030006);
    GetPut(s, "AccountDisabled", 0x6803001B);
    GetPut(s, "AccountExpirationDate", 0x6803001A);
    GetPut(s, "AccountLocked", 0x68030019);
    GetPut(s, "Description", 0x68030017);
    s.push_back(S("Domain", "get", 0x68030016));
    s.push_back(S("Exists", "get", 0x68030015));
    GetPut(s, "FullName", 0x68030014);
    s.push_back(S("GUID", "get", 0x68030013));
    GetPut(s, "HomeDirDrive", 0x68030012);
    GetPut(s, "HomeDirectory", 0x68030011);
    s.push_back(S("LastLogin", "get", 0x68030010));
    s.push_back(S("LastLogoff", "get", 0x6803000F));
    GetPut(s, "LoginScript", 0x6803000E);
    GetPut(s, "MaxStorage", 0x6803000D);
    s.push_back(S("PasswordAge", "get", 0x6803000C));
    GetPut(s, "PasswordCantChange", 0x6803000B);
    GetPut(s, "PasswordDoesntExpire", 0x6803000A);
    GetPut(s, "PasswordExpirationDate", 0x68030009);
    s.push_back(S("PasswordExpired", "get", 0x68030008));
    s.push_back(S("PasswordMinimumLength", "get", 0x68030007));
    GetPut(s, "PasswordRequired", 0x68030006);
    GetPut(s, "Profile", 0x68030005);
    s.push_back(S("Server", "get", 0x68030004));
    GetPut(s, "MustChangePasswordNextLogon", 0x68030003);
    s.push_back(S("SID", "get", 0x68030002));
    GetPut(s, "UserName", 0x68030001);
    s.push_back(S("UserType", "get", 0x68030000));
    s.push_back(S("SetPassword", "method", 0x6003001C));
    s.push_back(S("AddToGroup", "method", 0x6003001D));
    s.push_back(S("RemoveFromGroup", "method", 0x6003001E));
    s.push_back(S("Find", "method", 0x6003001F));
  } else if (cls == "moxUsers" || cls == "moxGroups") {
    const int64_t base = cls == "moxUsers" ? 0 : 1;
    s.push_back(S("Count", "get", 0x68030005 + base));
    s.push_back(S("Exists", "get", 0x68030003 + base));
    s.push_back(S("Item", "get", 0));
    s.push_back(S("NewEnum", "get", -4));
    s.push_back(S("Add", "method", 0x60030006 + base));
    s.push_back(S("Remove", "method", 0x60030007 + base));
    s.push_back(S("Refresh", "method", -550));
  } else if (cls == "moxGroup") {
    Field(s, "Users", 0x40030006);
    Field(s, "Groups", 0x40030007);
    GetPut(s, "Description", 0x68030005);
    s.push_back(S("Domain", "get", 0x68030004));
    s.push_back(S("Exists", "get", 0x68030003));
    s.push_back(S("GroupType", "get", 0x68030002));
    GetPut(s, "Name", 0x68030001);
    s.push_back(S("Server", "get", 0x68030000));
    s.push_back(S("AddToLocalGroup", "method", 0x60030007));
    s.push_back(S("RemoveFromLocalGroup", "method", 0x60030008));
    s.push_back(S("Find", "method", 0x60030009));
  } else if (cls == "moxServer") {
    Field(s, "Users", 0x40030003);
    Field(s, "Groups", 0x40030004);
    Field(s, "FileShares", 0x40030005);
    Field(s, "PrintQueues", 0x40030006);
    s.push_back(S("Division", "get", 0x68030008));
    s.push_back(S("Exists", "get", 0x68030007));
    s.push_back(S("GUID", "get", 0x68030006));
    GetPut(s, "Name", 0x68030005);
    s.push_back(S("OperatingSystem", "get", 0x68030004));
    s.push_back(S("OperatingSystemVersion", "get", 0x68030003));
    s.push_back(S("Owner", "get", 0x68030002));
    s.push_back(S("Processor", "get", 0x68030001));
    s.push_back(S("ProcessorCount", "get", 0x68030000));
    s.push_back(S("Shutdown", "method", 0x60030009));
  } else if (cls == "moxServers") {
    s.push_back(S("Count", "get", 0x68030002));
    s.push_back(S("Exists", "get", 0x68030000));
    s.push_back(S("Item", "get", 0));
    s.push_back(S("NewEnum", "get", -4));
    s.push_back(S("Refresh", "method", -550));
  } else if (cls == "moxFileShare") {
    s.push_back(S("Exists", "get", 0x68030007));
    s.push_back(S("Name", "get", 0x68030006));
    GetPut(s, "Description", 0x68030005);
    s.push_back(S("CurrentUsers", "get", 0x68030004));
    s.push_back(S("GUID", "get", 0x68030003));
    GetPut(s, "MaxUsers", 0x68030002);
    s.push_back(S("Path", "get", 0x68030001));
    s.push_back(S("Server", "get", 0x68030000));
    s.push_back(S("Find", "method", 0x60030009));
  } else if (cls == "moxFileShares") {
    s.push_back(S("Count", "get", 0x68030002));
    s.push_back(S("Exists", "get", 0x68030001));
    s.push_back(S("Item", "get", 0));
    s.push_back(S("NewEnum", "get", -4));
    s.push_back(S("Add", "method", 0x60030003));
    s.push_back(S("Remove", "method", 0x60030004));
    s.push_back(S("Refresh", "method", -550));
  } else if (cls == "moxPrintQueue") {
    Field(s, "PrintJobs", 0x40030004);
    GetPut(s, "DataType", 0x6803000D);
    GetPut(s, "DefaultJobPriority", 0x6803000C);
    GetPut(s, "Description", 0x6803000B);
    s.push_back(S("Exists", "get", 0x6803000A));
    GetPut(s, "Model", 0x68030009);
    GetPut(s, "Location", 0x68030008);
    s.push_back(S("Name", "get", 0x68030007));
    s.push_back(S("Path", "get", 0x68030006));
    s.push_back(S("PrintDevices", "get", 0x68030005));
    GetPut(s, "PrintProcessor", 0x68030004);
    GetPut(s, "Priority", 0x68030003);
    s.push_back(S("Server", "get", 0x68030002));
    GetPut(s, "StartTime", 0x68030001);
    GetPut(s, "UntilTime", 0x68030000);
    s.push_back(S("Find", "method", 0x6003000F));
  } else if (cls == "moxPrintQueues") {
    s.push_back(S("Count", "get", 0x68030001));
    s.push_back(S("Item", "get", 0));
    s.push_back(S("NewEnum", "get", -4));
    s.push_back(S("Remove", "method", 0x60030002));
    s.push_back(S("Refresh", "method", -550));
  } else if (cls == "moxPrintJob") {
    GetPut(s, "Description", 0x68030009);
    s.push_back(S("HostPrintQueue", "get", 0x68030008));
    s.push_back(S("Name", "get", 0x68030007));
    s.push_back(S("Pages", "get", 0x68030006));
    GetPut(s, "Priority", 0x68030005);
    s.push_back(S("Size", "get", 0x68030004));
    GetPut(s, "StartTime", 0x68030003);
    s.push_back(S("TimeSubmitted", "get", 0x68030002));
    GetPut(s, "UntilTime", 0x68030001);
    s.push_back(S("User", "get", 0x68030000));
  } else if (cls == "moxPrintJobs") {
    GetPut(s, "AutoUpdate", 0x68030001);
    s.push_back(S("Count", "get", 0x68030000));
    s.push_back(S("Item", "get", 0));
    s.push_back(S("NewEnum", "get", -4));
    s.push_back(S("Remove", "method", 0x60030003));
    s.push_back(S("Refresh", "method", -550));
  } else if (cls == "moxService") {
    Field(s, "Dependencies", 0x40030004);
    GetPut(s, "ErrorControl", 0x6803000A);
    s.push_back(S("Exists", "get", 0x68030009));
    GetPut(s, "DisplayName", 0x68030008);
    GetPut(s, "LoadOrderGroup", 0x68030007);
    s.push_back(S("Name", "get", 0x68030006));
    GetPut(s, "Path", 0x68030005);
    s.push_back(S("Server", "get", 0x68030004));
    GetPut(s, "AccountName", 0x68030003);
    s.push_back(S("Status", "get", 0x68030002));
    GetPut(s, "ServiceType", 0x68030001);
    GetPut(s, "StartType", 0x68030000);
    s.push_back(S("Find", "method", 0x6003000B));
    s.push_back(S("Continue", "method", 0x6003000C));
    s.push_back(S("Pause", "method", 0x6003000D));
    s.push_back(S("SetPassword", "method", 0x6003000E));
    s.push_back(S("Start", "method", 0x6003000F));
    s.push_back(S("StopSvc", "method", 0x60030010));
  } else if (cls == "moxServices") {
    s.push_back(S("Count", "get", 0x68030002));
    s.push_back(S("Exists", "get", 0x68030001));
    s.push_back(S("Item", "get", 0));
    s.push_back(S("NewEnum", "get", -4));
    GetPut(s, "Server", 0x68030000);
    s.push_back(S("Add", "method", 0x60030003));
    s.push_back(S("Remove", "method", 0x60030004));
    s.push_back(S("Refresh", "method", -550));
  } else if (cls == "moxServiceDeps") {
    s.push_back(S("Count", "get", 0x68030001));
    s.push_back(S("Exists", "get", 0x68030000));
    s.push_back(S("Item", "get", 0));
    s.push_back(S("NewEnum", "get", -4));
    s.push_back(S("Add", "method", 0x60030003));
    s.push_back(S("Remove", "method", 0x60030004));
    s.push_back(S("Refresh", "method", -550));
  } else if (cls == "moxCurrentEnvironment") {
    s.push_back(S("CurrentComputer", "get", 0x68030003));
    s.push_back(S("CurrentDomain", "get", 0x68030002));
    s.push_back(S("CurrentUser", "get", 0x68030001));
    s.push_back(S("CurrentUserPrivilege", "get", 0x68030000));
  }
  return s;
}

struct CoClass {
  const char* name;
  bool creatable;
};
const CoClass kClasses[] = {
    {"moxDomain", true},      {"moxUser", true},
    {"moxUsers", false},      {"moxGroup", true},
    {"moxGroups", false},     {"moxServer", true},
    {"moxServers", false},    {"moxFileShare", true},
    {"moxFileShares", true},  {"moxPrintQueues", false},
    {"moxPrintQueue", true},  {"moxPrintJobs", false},
    {"moxPrintJob", false},   {"moxCurrentEnvironment", true},
    {"moxServices", true},    {"moxService", true},
    {"moxServiceDeps", true},
};

// Every public class is present with its slots in order, kinds and DISPIDs as described,
// and its interface is a hidden, non-extensible, dual, automation-compatible one.
TEST(TypeLibrary, EveryClassMatchesItsInterfaceDescription) {
  const auto& lib = typelib::Library();
  std::size_t published = 0;
  for (const auto& c : lib.classes) published += c.published ? 1 : 0;
  EXPECT_EQ(published, std::size(kClasses));
  for (const auto& expected : kClasses) {
    SCOPED_TRACE(expected.name);
    const auto* cls = lib.FindClass(FromUtf8(expected.name));
    ASSERT_NE(cls, nullptr);
    EXPECT_TRUE(cls->published);
    EXPECT_EQ(cls->coclass.creatable, expected.creatable);
    EXPECT_EQ(cls->coclass.appobject, std::string(expected.name) == "moxCurrentEnvironment");
    EXPECT_EQ(cls->coclass.interface, u"_" + FromUtf8(expected.name));
    EXPECT_EQ(cls->iface.flags, (std::vector<std::u16string>{u"hidden", u"nonextensible", u"dual",
                                                             u"oleautomation"}));
    EXPECT_EQ(SlotsOf(cls->iface), Expected(expected.name));
    EXPECT_TRUE(typelib::CheckInterface(cls->iface).empty());
    for (const auto& m : cls->iface.members) {
      EXPECT_EQ(m.hidden, m.dispid == kDispIdNewEnum) << ToUtf8(m.name);
      for (const auto& p : m.params) EXPECT_TRUE(p.by_ref) << ToUtf8(m.name);
    }
  }
  EXPECT_EQ(lib.FindClass(u"moxPrintJobs")->coclass.source, u"__moxPrintJobs");
  // Library-internal classes and friend members stay out.
  EXPECT_EQ(lib.FindClass(u"KestStdTimer"), nullptr);
  EXPECT_EQ(lib.FindClass(u"clsTim"), nullptr);
  DispId id;
  EXPECT_FALSE(lib.FindClass(u"moxUsers")->iface.FindDispId(u"SetDomainName", id));
  EXPECT_FALSE(lib.FindClass(u"moxUser")->iface.FindDispId(u"BindFromProvider", id));
}

// Optional parameters carry the defaults the descriptions give.
TEST(TypeLibrary, OptionalParametersAndDefaults) {
  const auto& lib = typelib::Library();
  const auto params = [&](const char16_t* cls, const char16_t* member) {
    DispId id = 0;
    const auto& iface = lib.FindClass(cls)->iface;
    EXPECT_TRUE(iface.FindDispId(member, id));
    return iface.ByDispId(id).front()->params;
  };
  auto add = params(u"moxServices", u"Add");
  ASSERT_EQ(add.size(), 5u);
  EXPECT_FALSE(add[1].optional);
  EXPECT_EQ(add[3].default_value, Variant(int32_t{16}));
  EXPECT_EQ(add[4].default_value, Variant(int32_t{2}));
  EXPECT_EQ(add[4].type.name, u"enmoxServiceStartType");
  auto shares = params(u"moxFileShares", u"Add");
  EXPECT_EQ(shares[3].name, u"lMaxUsers");
  EXPECT_EQ(shares[3].default_value, Variant(int32_t{-1}));
  auto find = params(u"moxUser", u"Find");
  EXPECT_EQ(find[2].name, u"lUserType");
  EXPECT_FALSE(find[2].optional);
  EXPECT_TRUE(params(u"moxUser", u"AddToGroup")[1].optional);
  EXPECT_FALSE(params(u"moxGroup", u"AddToLocalGroup")[1].optional);
  EXPECT_TRUE(params(u"moxService", u"Find")[1].optional);
}

// The dump has the agreed shape and carries the library attributes, enums and event interface.
TEST(TypeLibrary, JsonDumpHasTheAgreedShape) {
  const auto doc = nlohmann::json::parse(dispatch::TypeLibraryJson());
  EXPECT_EQ(doc["library"]["name"], "MoxtrelLib");
  EXPECT_EQ(doc["library"]["helpstring"], "Moxtrel Library");
  EXPECT_EQ(doc["library"]["version"], "1.2");
  EXPECT_EQ(doc["library"]["lcid"], 0x409);
  ASSERT_EQ(doc["enums"].size(), 6u);
  bool running = false;
  for (const auto& e : doc["enums"]) {
    for (const auto& m : e["members"]) {
      if (m["name"] == "mox SVCS Running")
        running = e["name"] == "enmoxServiceStatus" && m["value"] == 4;
    }
  }
  EXPECT_TRUE(running);
  ASSERT_EQ(doc["interfaces"].size(), std::size(kClasses));
  ASSERT_EQ(doc["coclasses"].size(), std::size(kClasses));
  for (const auto& iface : doc["interfaces"]) {
    for (const auto& m : iface["members"]) {
      EXPECT_TRUE(m["kind"] == "get" || m["kind"] == "put" || m["kind"] == "putref" ||
                  m["kind"] == "method");
      EXPECT_TRUE(m["dispid"].is_number_integer());
      for (const auto& p : m["params"]) {
        for (const char* key : {"name", "type", "byref", "optional", "default"}) {
          EXPECT_TRUE(p.contains(key)) << key;
        }
      }
    }
  }
  const auto& users = doc["interfaces"][2];
  EXPECT_EQ(users["name"], "_moxUsers");
  EXPECT_EQ(users["members"][3]["dispid"], -4);
  EXPECT_EQ(users["members"][6]["dispid"], -550);
  ASSERT_EQ(doc["dispinterfaces"].size(), 1u);
  const auto& events = doc["dispinterfaces"][0];
  EXPECT_EQ(events["name"], "__moxPrintJobs");
  EXPECT_EQ(events["flags"], nlohmann::json({"hidden", "nonextensible"}));
  ASSERT_EQ(events["members"].size(), 1u);
  EXPECT_EQ(events["members"][0]["name"], "NewJob");
  EXPECT_EQ(events["members"][0]["dispid"], 1);
  std::vector<std::string> names;
  for (const auto& p : events["members"][0]["params"]) {
    names.push_back(p["name"]);
    EXPECT_TRUE(p["byref"].get<bool>());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"sName", "sUserName", "sDescription", "sPages",
                                             "sSize", "dTimeSubmitted"}));
  for (const auto& c : doc["coclasses"]) {
    EXPECT_EQ(c["source"].is_null(), c["name"] != "moxPrintJobs");
  }
}

// The readable listing names every interface and the enum members as quoted.
TEST(TypeLibrary, TextListingIsReadable) {
  const std::string text = ToUtf8(dispatch::TypeLibraryText());
  EXPECT_NE(text.find("library MoxtrelLib \"Moxtrel Library\" version 1.2 lcid 0x00000409"),
            std::string::npos);
  EXPECT_NE(text.find("\"mox Global\" = 2"), std::string::npos);
  EXPECT_NE(text.find("interface _moxServiceDeps"), std::string::npos);
  EXPECT_NE(text.find("dispinterface __moxPrintJobs"), std::string::npos);
  EXPECT_NE(text.find("0x6003001D method AddToGroup(sGroup As String, [sServer As String = \"\"]) "
                      "As Boolean"),
            std::string::npos);
  EXPECT_EQ(text.find("Enumerator"), std::string::npos);
}

}  // namespace
}  // namespace moxtrel::testing
