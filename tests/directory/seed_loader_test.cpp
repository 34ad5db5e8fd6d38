#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "moxtrel/frame/text.h"
#include "moxtrel/memory/memory_directory.h"

namespace moxtrel::testing {
namespace {

using directory::MemoryDirectory;
using directory::SeedError;

// The first ```json block of the format document, so the documented example stays loadable.
std::string DocumentedExample() {
  std::ifstream in(std::string(MOXTREL_SOURCE_DIR) + "/docs/directory-format.md");
  std::stringstream text;
  text << in.rdbuf();
  std::string doc = text.str();
  auto start = doc.find("```json\n");
  auto end = doc.find("```", start + 8);
  if (start == std::string::npos || end == std::string::npos) return {};
  return doc.substr(start + 8, end - start - 8);
}

// The line a seed error reports, or 0 when the seed loads.
int ErrorLine(const std::string& json, std::string* message = nullptr) {
  try {
    MemoryDirectory::FromJson(json, "t.json");
  } catch (const SeedError& e) {
    if (message) *message = e.what();
    return e.line();
  }
  return 0;
}

// The documented example loads, with every kind of object, typed values and members.
TEST(SeedLoaderTest, LoadsTheDocumentedExample) {
  std::string json = DocumentedExample();
  ASSERT_FALSE(json.empty());
  auto dir = MemoryDirectory::FromJson(json, "directory-format.md");
  EXPECT_EQ(dir->Peek(u"WinNT://CORP/alice,user", u"FullName"), Variant(u"Alice Liddell"));
  EXPECT_TRUE(dir->PasswordMatches(u"WinNT://CORP/alice", u"wonderland"));
  EXPECT_EQ(dir->Peek(u"WinNT://CORP/bob", u"UserFlags").ToLong(), 0x10203);
  EXPECT_EQ(dir->Peek(u"WinNT://CORP/bob", u"AccountExpirationDate"),
            Variant(Date::FromCivil(2030, 12, 31)));
  EXPECT_EQ(dir->Peek(u"WinNT://CORP/bob", u"ObjectSID").AsBytes().size(), 28u);
  EXPECT_EQ(dir->MembersOf(u"WinNT://CORP/Sales"),
            (std::vector<std::u16string>{u"WinNT://CORP/alice", u"WinNT://CORP/bob"}));
  EXPECT_EQ(
      dir->MembersOf(u"WinNT://PC1/Administrators,group"),
      (std::vector<std::u16string>{u"WinNT://CORP/PC1/Administrator", u"WinNT://CORP/Sales"}));
  EXPECT_EQ(dir->Peek(u"WinNT://PC1/LanmanServer/DATA", u"Path"), Variant(u"C:\\data"));
  EXPECT_EQ(dir->Peek(u"WinNT://CORP/PC1/Laser/1,PrintJob", u"Status").ToLong(), 0);
  EXPECT_EQ(dir->Peek(u"WinNT://PC1/Laser", u"PrintDevices"),
            Variant::StringArray({u"LPT1:", u"LPT2:"}));
  EXPECT_EQ(dir->Peek(u"WinNT://PC1/Browser,service", u"Dependencies"),
            Variant::StringArray({u"Spooler"}, 1));
  EXPECT_EQ(dir->Peek(u"WinNT://LONER/Alerter", u"Dependencies"), Variant(u"LanmanServer"));
  EXPECT_EQ(dir->Peek(u"WinNT://PC1/Spooler", u"Status").ToLong(), 4);
  EXPECT_EQ(dir->CanonicalPath(u"WinNT://LONER"), u"WinNT://LONER");
}

// Broken rules and typos name the line they are on.
TEST(SeedLoaderTest, ErrorsNameTheLine) {
  std::string message;
  EXPECT_EQ(ErrorLine(R"({"domains": [
  {"name": "CORP", "users": [
    {"name": "bob"},
    {"name": "BOB"}
  ]}
]})",
                      &message),
            4);
  EXPECT_NE(message.find("t.json:4: user 'BOB' in domain 'CORP'"), std::string::npos) << message;
  EXPECT_NE(message.find("already used"), std::string::npos) << message;
  // A misspelt key.
  EXPECT_EQ(ErrorLine("{\"domains\": [{\"name\": \"CORP\",\n \"users\": [{\"name\": \"a\",\n"
                      " \"FulName\": \"x\"}]}]}",
                      &message),
            3);
  EXPECT_NE(message.find("FulName"), std::string::npos);
  // Wrong value types, bad names, bad dates, numbers out of range.
  EXPECT_EQ(ErrorLine("{\"domains\": [{\"name\": \"CORP\",\n\"MinPasswordLength\": \"six\"}]}"), 2);
  EXPECT_EQ(ErrorLine("{\"domains\": [\n{\"name\": \"CO/RP\"}]}"), 2);
  EXPECT_EQ(ErrorLine("{\"domains\": [{\"name\": \"C\", \"users\": [{\"name\": \"u\",\n"
                      "\"AccountExpirationDate\": \"31.12.2030\"}]}]}",
                      &message),
            2);
  for (const char* form : {"\"YYYY-MM-DD\"", "\"YYYY-MM-DD HH:MM\"", "\"YYYY-MM-DD HH:MM:SS\""}) {
    EXPECT_NE(message.find(form), std::string::npos) << message;  // every accepted form
  }
  // A service's status is one of the run states, 1 to 8.
  for (const char* status : {"0", "9", "-1"}) {
    EXPECT_EQ(ErrorLine(std::string("{\"computers\": [{\"name\": \"PC\", \"services\": [\n"
                                    "{\"name\": \"S\", \"Status\": ") +
                            status + "}]}]}",
                        &message),
              2)
        << status;
    EXPECT_NE(message.find("run state"), std::string::npos) << message;
  }
  EXPECT_EQ(ErrorLine("{\"domains\": [{\"name\": \"C\",\n\"MinPasswordLength\": 9999999999\n}]}"),
            2);
  // A member that does not exist is reported at its own line.
  EXPECT_EQ(ErrorLine("{\"domains\": [{\"name\": \"C\", \"groups\": [{\"name\": \"g\",\n"
                      "\"members\": [\n\"WinNT://C/ghost\"]}]}]}",
                      &message),
            3);
  EXPECT_NE(message.find("ghost"), std::string::npos);
  // A global group holding another domain's user.
  EXPECT_EQ(ErrorLine(R"({"domains": [{"name": "A", "users": [{"name": "u"}]},
{"name": "B", "groups": [{"name": "g", "members": ["WinNT://A/u"]}]}]})"),
            2);
  // Syntax errors carry the parser's position as a line.
  EXPECT_EQ(ErrorLine("{\n\"domains\": [\n{\"name\": \"C\",}\n]}", &message), 3);
  EXPECT_NE(message.find("JSON syntax"), std::string::npos);
  EXPECT_EQ(ErrorLine("{\"domains\": [], \"domains\": []}"), 1);
  EXPECT_EQ(ErrorLine("{\"domain\": []}"), 1);
  EXPECT_EQ(ErrorLine("[]"), 1);
}

// A job's "name" is loaded, never dropped: it follows the rules of every name, and a chosen
// number is skipped by the jobs numbered after it.
TEST(SeedLoaderTest, JobsKeepTheirNames) {
  auto seed = [](const std::string& jobs) {
    return "{\"computers\": [{\"name\": \"PC\", \"printQueues\": [{\"name\": \"Q\",\n"
           "\"jobs\": [\n" +
           jobs + "]}]}]}";
  };
  auto dir = MemoryDirectory::FromJson(
      seed("{\"name\": \"2\", \"User\": \"ann\"}, {}, {}, {\"name\": \"report\"}, {}"), "t.json");
  EXPECT_EQ(dir->Peek(u"WinNT://PC/Q/2,PrintJob", u"User"), Variant(u"ann"));
  EXPECT_EQ(dir->Peek(u"WinNT://PC/Q/2,PrintJob", u"Position").ToLong(), 1);
  for (const char16_t* job :
       {u"WinNT://PC/Q/1", u"WinNT://PC/Q/3", u"WinNT://PC/Q/report", u"WinNT://PC/Q/4"}) {
    EXPECT_TRUE(dir->Contains(job)) << ToUtf8(job);
  }
  EXPECT_FALSE(dir->Contains(u"WinNT://PC/Q/5"));
  EXPECT_EQ(dir->SubmitJob(u"WinNT://PC/Q"), u"WinNT://PC/Q/5");

  std::string message;
  EXPECT_EQ(ErrorLine(seed("{},\n{\"name\": \"a/b\"}"), &message), 4);
  EXPECT_NE(message.find("print job 'a/b' in print queue 'Q'"), std::string::npos) << message;
  EXPECT_NE(message.find("is not valid"), std::string::npos) << message;
  EXPECT_EQ(ErrorLine(seed("{\"name\": \"x\"},\n{\"name\": \"X\"}"), &message), 4);
  EXPECT_NE(message.find("already used"), std::string::npos) << message;
  EXPECT_EQ(ErrorLine(seed("{\"name\": 7}"), &message), 3);
  EXPECT_NE(message.find("expected a string"), std::string::npos) << message;
  EXPECT_EQ(ErrorLine(seed("{\"name\": \"\"}"), &message), 3);
  EXPECT_NE(message.find("is empty"), std::string::npos) << message;
}

// A file that cannot be read is a seed error naming why: missing, a folder, or a device.
TEST(SeedLoaderTest, UnreadableFilesAreSeedErrors) {
  try {
    MemoryDirectory::FromFile("/nonexistent/seed.json");
    ADD_FAILURE() << "a missing file loaded";
  } catch (const SeedError& e) {
    // The system's words, and no line number where no line was read.
    EXPECT_EQ(std::string(e.what()),
              "/nonexistent/seed.json: the file cannot be read: No such file or directory");
  }
  try {
    MemoryDirectory::FromFile("/");
    ADD_FAILURE() << "a folder loaded";
  } catch (const SeedError& e) {
    EXPECT_NE(std::string(e.what()).find("Is a directory"), std::string::npos) << e.what();
  }
  try {
    MemoryDirectory::FromFile("/dev/zero");
    ADD_FAILURE() << "an endless file loaded";
  } catch (const SeedError& e) {
    EXPECT_NE(std::string(e.what()).find("Is a character device, not a regular file"),
              std::string::npos)
        << e.what();
  }
}

// Deep nesting is refused with a seed error instead of exhausting the stack, while building
// or while destroying the half-built tree; nesting within the limit still parses.
TEST(SeedLoaderTest, NestingIsLimited) {
  std::string message;
  EXPECT_EQ(ErrorLine(std::string(400000, '['), &message), 1);
  EXPECT_NE(message.find("nest deeper than 256"), std::string::npos) << message;
  std::string objects;
  for (int i = 0; i < 300; ++i) objects += "{\"a\":\n";
  EXPECT_EQ(ErrorLine(objects, &message), 257);
  // 255 arrays inside the seed object: a type error from the loader, not a nesting error.
  const std::string deep = "{\"domains\": [" + std::string(254, '[') + std::string(255, ']') + "}";
  ErrorLine(deep, &message);
  EXPECT_EQ(message.find("nest deeper"), std::string::npos) << message;
}

// An object with many keys is read whole, and a repeat among them is still found.
TEST(SeedLoaderTest, ManyKeysAndALateRepeat) {
  std::string json = "{\"comment\": {";
  for (int i = 0; i < 40000; ++i)
    json += "\"k" + std::to_string(i) + "\": " + std::to_string(i) + ",";
  std::string repeated = json + "\"k39999\": 0}}";
  json.back() = '}';
  json += "}";
  EXPECT_EQ(ErrorLine(json), 0);
  std::string message;
  EXPECT_EQ(ErrorLine(repeated, &message), 1);
  EXPECT_NE(message.find("\"k39999\" is given twice"), std::string::npos) << message;
}

}  // namespace
}  // namespace moxtrel::testing
