#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "script/interpreter.h"
#include "script/parser.h"
#include "support/directory_fixture.h"
#include "support/faults.h"

namespace moxtrel::testing {
namespace {

class JsonOutputTest : public DirectoryTest {
 protected:
  JsonOutputTest() {
    const auto corp = build.AddDomain(u"CORP");
    build.AddUser(corp, u"alice", {{u"FullName", u"Alice"}});
    build.AddUser(corp, u"bob", {{u"FullName", u"Bob"}});
  }
  // Each line the script printed, parsed.
  std::vector<nlohmann::json> Run(const std::string& text) {
    std::ostringstream out;
    script::Interpreter interpreter(
        {.out = &out, .directory = nullptr, .pump = nullptr, .json_output = true});
    interpreter.Run(script::Parse(text, "j.mox"));
    std::vector<nlohmann::json> docs;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) docs.push_back(nlohmann::json::parse(line));
    return docs;
  }
};

// A collection prints its items with their properties; objects inside an item show their
// class only, and Nothing is null.
TEST_F(JsonOutputTest, CollectionsListTheirItems) {
  auto docs = Run("Set d = New moxDomain\nd.Name = \"CORP\"\nPrint d.Users\nPrint Nothing\n");
  ASSERT_EQ(docs.size(), 2u);
  const auto& users = docs[0];
  EXPECT_EQ(users["class"], "moxUsers");
  EXPECT_EQ(users["properties"]["Count"], 2);
  ASSERT_EQ(users["items"].size(), 2u);
  EXPECT_EQ(users["items"][0]["class"], "moxUser");
  EXPECT_EQ(users["items"][0]["properties"]["UserName"], "alice");
  EXPECT_EQ(users["items"][1]["properties"]["FullName"], "Bob");
  EXPECT_EQ(users["items"][1]["properties"]["Groups"], nlohmann::json({{"class", "moxGroups"}}));
  EXPECT_TRUE(docs[1].is_null());
}

// A property whose read fails is reported under "errors", and the document stays valid JSON;
// the script's own objects print too.
TEST_F(JsonOutputTest, FailedReadsAreListedAsErrors) {
  std::ostringstream out;
  script::Interpreter interpreter(
      {.out = &out, .directory = nullptr, .pump = nullptr, .json_output = true});
  interpreter.Run(script::Parse("Set u = GetObject(\"WinNT://CORP/alice,user\")\n", "j.mox"));
  FailOn(layer->Faults(), u"IADsUser.FullName", {}, 1, true);
  interpreter.Run(script::Parse(
      "Print u\nOn Error Resume Next\nErr.Raise 5, \"src\", \"text\"\nPrint Err\n", "j.mox"));
  std::istringstream lines(out.str());
  std::string line;
  ASSERT_TRUE(std::getline(lines, line));
  const auto user = nlohmann::json::parse(line);
  EXPECT_EQ(user["class"], "moxUser");
  EXPECT_EQ(user["properties"]["UserName"], "alice");
  EXPECT_FALSE(user["properties"].contains("FullName")) << line;
  ASSERT_TRUE(user["errors"]["FullName"].is_string()) << line;
  EXPECT_NE(user["errors"]["FullName"].get<std::string>(), "");

  ASSERT_TRUE(std::getline(lines, line));
  const auto err = nlohmann::json::parse(line);
  EXPECT_EQ(err["class"], "ErrObject");
  EXPECT_EQ(err["properties"],
            nlohmann::json::parse(R"({"Number": 5, "Description": "text", "Source": "src"})"));
}

// The empty date is null wherever it appears (a value, an array item, an object's property);
// any other date, the first day of the range included, is ISO 8601 text.
TEST_F(JsonOutputTest, EmptyDatesAreNull) {
  auto docs = Run(
      "Print CDate(0)\nPrint Array(CDate(0), DateSerial(2024, 3, 1))\nPrint DateSerial(100, 1, 1)\n"
      "Print CDate(0.5)\nPrint GetObject(\"WinNT://CORP/alice,user\")\n");
  ASSERT_EQ(docs.size(), 5u);
  EXPECT_TRUE(docs[0].is_null()) << docs[0];
  EXPECT_EQ(docs[1], nlohmann::json::parse(R"([null, "2024-03-01T00:00:00"])"));
  EXPECT_EQ(docs[2], "0100-01-01T00:00:00");
  EXPECT_EQ(docs[3], "1899-12-30T12:00:00");  // noon of the zero day is a time, not empty
  const auto& properties = docs[4]["properties"];
  ASSERT_TRUE(properties.contains("LastLogin")) << docs[4];
  EXPECT_TRUE(properties["LastLogin"].is_null()) << docs[4];
}

}  // namespace
}  // namespace moxtrel::testing
