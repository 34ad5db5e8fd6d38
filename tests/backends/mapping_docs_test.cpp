// Each backend's page shows its property mapping as tables; the rows of those tables are the
// text the mapping rows carry, so the page and the code cannot tell different stories.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "moxtrel/backends/cups/print_mapping.h"
#include "moxtrel/backends/files/account_mapping.h"
#include "moxtrel/backends/ldap/ldap_mapping.h"
#include "moxtrel/backends/samba/share_mapping.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::testing {
namespace {

using directory::ObjectKind;

struct DocRow {
  std::vector<std::string> names;  // the properties the first cell names
  std::vector<std::string> cells;  // the cells after it
};

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// "`HomeDirDrive`, `Profile`" names two properties; "`Status` (`Get("Status")`)" one;
// "`Pause()` / `Resume()`" is one row of its own.
std::vector<std::string> NamesOf(const std::string& cell) {
  if (cell.find(" / ") != std::string::npos) return {cell};
  std::string bare;
  int depth = 0;
  for (char c : cell) {
    if (c == '(') ++depth;
    if (depth == 0 && c != '`') bare += c;
    if (c == ')' && depth > 0) --depth;
  }
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= bare.size()) {
    const std::size_t comma = std::min(bare.find(',', start), bare.size());
    if (std::string name = Trim(bare.substr(start, comma - start)); !name.empty()) {
      names.push_back(name);
    }
    start = comma + 1;
  }
  return names;
}

// The rows of the one table of `doc` under a heading ending in `heading` (headings joined by
// " / " from the page's title down).
std::vector<DocRow> TableOf(const std::string& doc, const std::string& heading) {
  std::ifstream in(std::string(MOXTREL_SOURCE_DIR) + "/docs/" + doc);
  EXPECT_TRUE(in) << doc;
  std::vector<std::string> headings;
  std::vector<std::vector<DocRow>> found;
  bool in_table = false, wanted = false;
  std::string line;
  while (std::getline(in, line)) {
    if (line.starts_with("#")) {
      const std::size_t level = line.find_first_not_of('#');
      headings.resize(level - 1);
      headings.push_back(Trim(line.substr(level)));
      in_table = false;
      continue;
    }
    if (!line.starts_with("|")) {
      in_table = false;
      continue;
    }
    if (!in_table) {  // the header row
      in_table = true;
      std::string path;
      for (const auto& h : headings) path += (path.empty() ? "" : " / ") + h;
      wanted = path.ends_with(heading) && line.starts_with("| Property");
      if (wanted) found.emplace_back();
      continue;
    }
    if (!wanted || line.starts_with("|---")) continue;
    std::vector<std::string> cells;
    std::size_t start = 1;
    for (std::size_t bar; (bar = line.find('|', start)) != std::string::npos; start = bar + 1) {
      cells.push_back(Trim(line.substr(start, bar - start)));
    }
    DocRow row{NamesOf(cells.front()), {cells.begin() + 1, cells.end()}};
    found.back().push_back(std::move(row));
  }
  EXPECT_EQ(found.size(), 1u) << doc << ": " << heading;
  return found.empty() ? std::vector<DocRow>{} : found.front();
}

// Every code row is in the table with its text, and the table names nothing else but
// `elsewhere`, the rows the handles rather than the mapping serve.
template <class Row>
void ExpectDocumented(const std::string& doc, const std::string& heading, std::span<const Row> rows,
                      const std::set<std::string>& elsewhere) {
  SCOPED_TRACE(doc + ": " + heading);
  const std::vector<DocRow> table = TableOf(doc, heading);
  std::map<std::string, const DocRow*> by_name;
  for (const auto& row : table) {
    for (const auto& name : row.names) {
      EXPECT_TRUE(by_name.emplace(name, &row).second) << name << " is shown twice";
    }
  }
  ASSERT_FALSE(rows.empty());
  for (const Row& row : rows) {
    std::string name, source, write;  // empty for a table without a Write column
    if constexpr (requires { row.property; }) {
      name = ToUtf8(row.property);
    } else {
      name = ToUtf8(row.name);
    }
    source = ToUtf8(row.source);
    if constexpr (requires { row.write; }) write = ToUtf8(row.write);
    const auto it = by_name.find(name);
    if (it == by_name.end()) {
      ADD_FAILURE() << name << " has a mapping row but no row in the table";
      continue;
    }
    const DocRow& shown = *it->second;
    ASSERT_FALSE(shown.cells.empty()) << name;
    EXPECT_EQ(shown.cells[0], source) << name;
    // A table without a Write column leaves the rows' write text empty.
    EXPECT_EQ(shown.cells.size() > 1 ? shown.cells[1] : std::string(), write) << name;
    EXPECT_LE(shown.cells.size(), 2u) << name;
    by_name.erase(it);
  }
  std::set<std::string> left;
  for (const auto& [name, row] : by_name) left.insert(name);
  EXPECT_EQ(left, elsewhere);
}

TEST(MappingDocsTest, TheFilesBackendsTablesAreItsRows) {
  namespace files = backends::files;
  ExpectDocumented("local-accounts.md", "Property mapping / Users", files::UserProperties(), {});
  ExpectDocumented("local-accounts.md", "Property mapping / Groups", files::GroupProperties(),
                   {"members"});
  ExpectDocumented("local-accounts.md", "Property mapping / The computer",
                   files::ComputerProperties(), {});
}

TEST(MappingDocsTest, TheLdapBackendsTablesAreItsRows) {
  using backends::ldap::LdapSchema;
  using backends::ldap::PropertiesOf;
  const std::string rfc = "The rfc2307 profile / ", dc = "The dc profile / ";
  ExpectDocumented("ldap.md", rfc + "Users", PropertiesOf(LdapSchema::kRfc2307, ObjectKind::kUser),
                   {"Name", "Groups", "SetPassword"});
  ExpectDocumented("ldap.md", rfc + "Groups",
                   PropertiesOf(LdapSchema::kRfc2307, ObjectKind::kGroup), {"Name", "Members"});
  ExpectDocumented("ldap.md", rfc + "Computers",
                   PropertiesOf(LdapSchema::kRfc2307, ObjectKind::kComputer), {"Name"});
  ExpectDocumented("ldap.md", rfc + "The domain",
                   PropertiesOf(LdapSchema::kRfc2307, ObjectKind::kDomain), {});
  ExpectDocumented("ldap.md", dc + "Users", PropertiesOf(LdapSchema::kDc, ObjectKind::kUser),
                   {"Name", "Groups", "SetPassword"});
  ExpectDocumented("ldap.md", dc + "Groups", PropertiesOf(LdapSchema::kDc, ObjectKind::kGroup),
                   {"Name", "Members"});
  ExpectDocumented("ldap.md", dc + "Computers",
                   PropertiesOf(LdapSchema::kDc, ObjectKind::kComputer), {"Name"});
  ExpectDocumented("ldap.md", dc + "The domain", PropertiesOf(LdapSchema::kDc, ObjectKind::kDomain),
                   {});
}

TEST(MappingDocsTest, TheCupsBackendsTablesAreItsRows) {
  namespace cups = backends::cups;
  ExpectDocumented("printing.md", "Mapping / Print queue (`IADsPrintQueue`)",
                   cups::QueueProperties(), {"Name"});
  ExpectDocumented("printing.md", "Mapping / Print job (`IADsPrintJob`, `IADsPrintJobOperations`)",
                   cups::JobProperties(), {"Name", "`Pause()` / `Resume()`"});
}

TEST(MappingDocsTest, TheSambaBackendsTableIsItsRows) {
  ExpectDocumented(
      "shares.md", "Mapping",
      std::span<const backends::samba::ShareProperty>(backends::samba::kShareProperties),
      {"Name", "GUID"});
}

// The table reader itself: names split as the pages write them.
TEST(MappingDocsTest, RowNamesAreReadAsThePagesWriteThem) {
  EXPECT_EQ(NamesOf("`HomeDirDrive`, `Profile`"),
            (std::vector<std::string>{"HomeDirDrive", "Profile"}));
  EXPECT_EQ(NamesOf("`Status` (`Get(\"Status\")`)"), std::vector<std::string>{"Status"});
  EXPECT_EQ(NamesOf("`PasswordAge` (`passwordAge`)"), std::vector<std::string>{"PasswordAge"});
  EXPECT_EQ(NamesOf("LastLogin, LastLogoff"),
            (std::vector<std::string>{"LastLogin", "LastLogoff"}));
}

}  // namespace
}  // namespace moxtrel::testing
