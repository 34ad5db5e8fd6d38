// The type library's own descriptions: every class, member, event and enum member has one,
// and the JSON dump and the one-class listing carry them with each member's return type.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel::testing {
namespace {

// Why `text` does not read as one plain sentence, or empty when it does.
std::string SentenceFault(const std::u16string& text) {
  if (text.empty()) return "no description";
  if (text.find(u'\n') != std::u16string::npos) return "more than one line";
  if (text.back() != u'.') return "no full stop at the end";
  if (text.front() == u' ' || text.back() == u' ') return "blanks around it";
  return {};
}

void CheckInterface(const typelib::InterfaceInfo& iface, std::vector<std::string>& faults) {
  if (auto fault = SentenceFault(iface.description); !fault.empty()) {
    faults.push_back(ToUtf8(iface.name) + ": " + fault);
  }
  for (std::size_t i = 0; i < iface.members.size(); ++i) {
    const auto& m = iface.members[i];
    const std::string where =
        ToUtf8(iface.name) + "." + ToUtf8(m.name) + " (" + ToUtf8(typelib::KindName(m.kind)) + ")";
    if (auto fault = SentenceFault(m.description); !fault.empty()) {
      faults.push_back(where + ": " + fault);
    }
    // A property's slots are one member to a reader, so they say the same.
    if (i > 0 && iface.members[i - 1].name == m.name &&
        iface.members[i - 1].description != m.description) {
      faults.push_back(where + ": says other than its get");
    }
  }
}

// Walks the library as its builder assembles it, before the start-up check, so a gap is named
// here rather than only in the start-up error.
TEST(TypeLibraryDescriptions, EveryClassMemberEventAndEnumIsDescribed) {
  const typelib::TypeLibrary lib = typelib::BuildMoxtrelLibrary();
  std::vector<std::string> faults;
  std::size_t classes = 0;
  for (const auto& c : lib.classes) {
    if (!c.published) continue;
    ++classes;
    if (auto fault = SentenceFault(c.coclass.description); !fault.empty()) {
      faults.push_back(ToUtf8(c.coclass.name) + ": " + fault);
    }
    CheckInterface(c.iface, faults);
  }
  EXPECT_EQ(classes, 17u);
  ASSERT_EQ(lib.dispinterfaces.size(), 1u);
  CheckInterface(lib.dispinterfaces[0], faults);
  CheckInterface(typelib::EnumeratorBinding().iface, faults);
  for (const auto& e : lib.enums) {
    if (auto fault = SentenceFault(e.description); !fault.empty()) {
      faults.push_back(ToUtf8(e.name) + ": " + fault);
    }
    if (e.member_descriptions.size() != e.members.size()) {
      faults.push_back(ToUtf8(e.name) + ": " + std::to_string(e.member_descriptions.size()) +
                       " descriptions for " + std::to_string(e.members.size()) + " members");
      continue;
    }
    for (std::size_t i = 0; i < e.members.size(); ++i) {
      if (auto fault = SentenceFault(e.member_descriptions[i]); !fault.empty()) {
        faults.push_back(ToUtf8(e.name) + ".\"" + ToUtf8(e.members[i].first) + "\": " + fault);
      }
    }
  }
  std::string listed;
  for (const auto& f : faults) listed += "\n  " + f;
  EXPECT_TRUE(faults.empty()) << faults.size() << " undescribed or badly described:" << listed;
  EXPECT_TRUE(typelib::Undescribed(lib).empty());
}

// The start-up check names each gap the way a reader would look it up.
TEST(TypeLibraryDescriptions, UndescribedNamesEachGap) {
  typelib::TypeLibrary lib = typelib::BuildMoxtrelLibrary();
  for (auto& c : lib.classes) {
    if (c.coclass.name == u"moxUser") {
      c.coclass.description.clear();
      for (auto& m : c.iface.members) {
        if (m.name == u"UserName" && m.kind == typelib::MemberKind::kPut) m.description.clear();
      }
    }
  }
  lib.enums[0].member_descriptions.pop_back();
  lib.dispinterfaces[0].members[0].description.clear();
  EXPECT_EQ(
      typelib::Undescribed(lib),
      (std::vector<std::u16string>{u"moxType.\"mox Global\"", u"moxUser",
                                   u"_moxUser.UserName (put)", u"__moxPrintJobs.NewJob (method)"}));
}

const nlohmann::json& MemberJson(const nlohmann::json& doc, const std::string& iface,
                                 const std::string& name, const std::string& kind) {
  for (const auto& i : doc["interfaces"]) {
    if (i["name"] != iface) continue;
    for (const auto& m : i["members"]) {
      if (m["name"] == name && m["kind"] == kind) return m;
    }
  }
  static const nlohmann::json none;
  ADD_FAILURE() << iface << "." << name << " (" << kind << ") is not in the dump";
  return none;
}

// One member in full, a put's empty return, and the descriptions of classes and enums.
TEST(TypeLibraryDescriptions, JsonCarriesReturnTypesAndDescriptions) {
  const auto doc = nlohmann::json::parse(dispatch::TypeLibraryJson());
  const auto& lib = typelib::Library();
  DispId id = 0;
  const auto& user = lib.FindClass(u"moxUser")->iface;
  ASSERT_TRUE(user.FindDispId(u"AddToGroup", id));
  const auto& add = MemberJson(doc, "_moxUser", "AddToGroup", "method");
  EXPECT_EQ(add["dispid"], 0x6003001D);
  EXPECT_EQ(add["returns"], "Boolean");
  EXPECT_EQ(add["hidden"], false);
  EXPECT_EQ(add["description"], ToUtf8(user.ByDispId(id).front()->description));
  EXPECT_EQ(add["params"], nlohmann::json::parse(R"([
      {"name": "sGroup", "type": "String", "byref": true, "optional": false, "default": null},
      {"name": "sServer", "type": "String", "byref": true, "optional": true, "default": ""}])"));

  const auto& rename = MemberJson(doc, "_moxUser", "UserName", "put");
  EXPECT_EQ(rename["returns"], "void");
  EXPECT_EQ(rename["description"], MemberJson(doc, "_moxUser", "UserName", "get")["description"]);
  EXPECT_EQ(MemberJson(doc, "_moxUsers", "Item", "get")["returns"], "moxUser");
  EXPECT_EQ(MemberJson(doc, "_moxService", "Status", "get")["returns"], "enmoxServiceStatus");
  EXPECT_EQ(MemberJson(doc, "_moxUsers", "NewEnum", "get")["hidden"], true);

  for (const auto& i : doc["interfaces"]) {
    EXPECT_FALSE(i["description"].get<std::string>().empty()) << i["name"];
    for (const auto& m : i["members"]) {
      EXPECT_TRUE(m["returns"].is_string()) << i["name"] << "." << m["name"];
    }
  }
  for (const auto& c : doc["coclasses"]) {
    EXPECT_EQ(c["description"],
              ToUtf8(lib.FindClass(FromUtf8(c["name"].get<std::string>()))->coclass.description));
  }
  const auto& events = doc["dispinterfaces"][0];
  EXPECT_FALSE(events["description"].get<std::string>().empty());
  EXPECT_FALSE(events["members"][0]["description"].get<std::string>().empty());
  EXPECT_EQ(events["members"][0]["returns"], "void");
  for (const auto& e : doc["enums"]) {
    EXPECT_FALSE(e["description"].get<std::string>().empty()) << e["name"];
    for (const auto& m : e["members"]) {
      EXPECT_FALSE(m["description"].get<std::string>().empty()) << m["name"];
    }
  }
}

// One class's listing gives the class's sentence and each member's once, under the slots it
// covers; an enum lists its members' sentences beside them.
TEST(TypeLibraryDescriptions, ClassListingShowsDescriptions) {
  const auto& lib = typelib::Library();
  const auto& user = lib.FindClass(u"moxUser");
  DispId id = 0;
  ASSERT_TRUE(user->iface.FindDispId(u"UserName", id));
  const std::string said = ToUtf8(user->iface.ByDispId(id).front()->description);
  const std::string text = ToUtf8(dispatch::TypeLibraryClassText(u"moxUser"));
  const std::string get_put =
      "  0x68030001 get UserName() As String\n"
      "  0x68030001 put UserName(sUserName As String)\n"
      "      ' " +
      said + "\n";
  EXPECT_NE(text.find(get_put), std::string::npos) << text;
  EXPECT_NE(text.find("  ' " + ToUtf8(user->coclass.description) + "\n"), std::string::npos);
  std::size_t sentences = 0;
  for (std::size_t at = text.find("      ' "); at != std::string::npos;
       at = text.find("      ' ", at + 1)) {
    ++sentences;
  }
  EXPECT_EQ(sentences, 32u);  // one per member, not per slot

  const std::string paused = ToUtf8(dispatch::TypeLibraryClassText(u"enmoxServiceStatus"));
  const auto& status = lib.enums[5];
  ASSERT_EQ(status.name, u"enmoxServiceStatus");
  EXPECT_NE(paused.find("  \"mox SVCS Paused\" = 7  ' " + ToUtf8(status.member_descriptions[6])),
            std::string::npos)
      << paused;
}

}  // namespace
}  // namespace moxtrel::testing
