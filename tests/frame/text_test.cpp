// Keys compared without regard to case across Unicode: equality, hash and order agree, for
// letters beyond the old hand-made table (Latin Extended-B, Armenian, final sigma, Deseret).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <unordered_set>

#include "moxtrel/frame/keyed_store.h"
#include "moxtrel/frame/text.h"
#include "support/directory_fixture.h"

namespace moxtrel {
namespace {

TEST(CaseFoldingTest, LettersThatDifferOnlyInCaseAreOneKey) {
  const std::pair<std::u16string, std::u16string> same[] = {
      {u"ǆemal", u"Ǆemal"},              // Latin Extended-B digraph, small and capital
      {u"ǅemal", u"ǆemal"},              // and its title-case form
      {u"Ամալյա", u"աՄԱԼՅԱ"},            // Armenian
      {u"ΣΊΣΥΦΟΣ", u"σίσυφος"},          // final sigma folds with sigma
      {u"Ärger", u"äRGER"},              // Latin-1
      {u"\U00010400x", u"\U00010428X"},  // Deseret, outside the BMP
      {u"ADMIN", u"admin"},
      // The Kelvin sign folds to an ASCII k: hashed alike whichever word of the name holds it.
      {u"administrator\u212A", u"ADMINISTRATORk"},
      {u"ab\u212Acdefgh", u"ABkCDEFGH"},
  };
  for (const auto& [a, b] : same) {
    EXPECT_TRUE(EqualsNoCase(a, b)) << ToUtf8(a);
    EXPECT_EQ(NoCaseHash{}(a), NoCaseHash{}(b)) << ToUtf8(a);
    EXPECT_FALSE(NoCaseLess{}(a, b) || NoCaseLess{}(b, a)) << ToUtf8(a);
    EXPECT_EQ(FoldCase(a), FoldCase(b)) << ToUtf8(a);
  }
  EXPECT_FALSE(EqualsNoCase(u"ǆemal", u"dzemal"));
  EXPECT_FALSE(EqualsNoCase(u"admin", u"admins"));
  EXPECT_FALSE(EqualsNoCase(u"admin", u"admiN\u0301"));
  EXPECT_TRUE(NoCaseLess{}(u"Alpha", u"beta"));
  EXPECT_TRUE(NoCaseLess{}(u"ab", u"ABC"));
  EXPECT_FALSE(NoCaseLess{}(u"ABC", u"ab"));
  // The order goes on past an ASCII start into other letters, which fold alike on both sides.
  EXPECT_TRUE(NoCaseLess{}(u"xÄa", u"XäB"));
  EXPECT_TRUE(NoCaseLess{}(u"xz", u"xä"));
  EXPECT_TRUE(NoCaseLess{}(u"Ka", u"\u212Ab"));  // the Kelvin sign folds to k
  EXPECT_FALSE(NoCaseLess{}(u"\u212Ab", u"Ka"));
  // A lone surrogate compares as itself and does not break the walk.
  EXPECT_TRUE(EqualsNoCase(std::u16string(1, char16_t(0xD800)) + u"A",
                           std::u16string(1, char16_t(0xD800)) + u"a"));

  std::unordered_set<std::u16string, NoCaseHash, NoCaseEqual> set{u"ǆemal", u"Ǆemal", u"ǅemal"};
  EXPECT_EQ(set.size(), 1u);
  std::map<std::u16string, int, NoCaseLess> ordered{{u"ΣΊΣΥΦΟΣ", 1}, {u"σίσυφος", 2}};
  EXPECT_EQ(ordered.size(), 1u);

  // A keyed store refuses the second spelling as a duplicate key.
  auto store = KeyedStore<int>::Create();
  store->Add(1, u"ǆemal");
  EXPECT_NE(testing::ErrorCodeOf([&] { store->Add(2, u"Ǆemal"); }), 0);
  EXPECT_EQ(store->Count(), 1);
}

// Numbers to text and back: hex is upper case and padded; parsing takes the whole text or
// nothing, so a sign in hex, a blank or a trailing letter is refused rather than skipped.
TEST(NumberTextTest, FormatsAndParsesWholeNumbersOnly) {
  EXPECT_EQ(HexText(0x80020003u, 8, true), u"0x80020003");
  EXPECT_EQ(HexText(0x2A, 8, true), u"0x0000002A");
  EXPECT_EQ(HexText(255), u"FF");
  EXPECT_EQ(HexText(0), u"0");
  EXPECT_EQ(HexText(UINT64_MAX), u"FFFFFFFFFFFFFFFF");
  const uint8_t bytes[] = {0x01, 0x05, 0xAB, 0xFF};
  EXPECT_EQ(HexBytes(bytes), u"0105ABFF");
  EXPECT_EQ(HexBytes({}), u"");
  EXPECT_EQ(DecimalText(-42), u"-42");
  EXPECT_EQ(DecimalText(INT64_MIN), u"-9223372036854775808");

  EXPECT_EQ(ParseHex(u"10"), 16u);
  EXPECT_EQ(ParseHex(u"ffFFffFF"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseHex(u"FFFFFFFFFFFFFFFF"), UINT64_MAX);
  for (const char16_t* bad :
       {u"-1", u" 10", u"10 ", u"", u"+1", u"0x10", u"1G", u"1٠", u"10000000000000000"}) {
    EXPECT_FALSE(ParseHex(bad).has_value()) << ToUtf8(bad);
  }
  EXPECT_EQ(ParseDecimal(u"-12"), -12);
  EXPECT_EQ(ParseDecimal(u"9223372036854775807"), INT64_MAX);
  for (const char16_t* bad : {u"9223372036854775808", u"1.5", u"+3", u" 3", u"3x", u"", u"-"}) {
    EXPECT_FALSE(ParseDecimal(bad).has_value()) << ToUtf8(bad);
  }
}

// Lower and upper case map letters, not fold them: final sigma stays final, µ stays µ.
TEST(CaseMappingTest, LowerAndUpperMapLetterByLetter) {
  EXPECT_EQ(ToLower(u"ÄRGER Ǆ ΣΊΣΥΦΟΣ"), u"ärger ǆ σίσυφοσ");
  EXPECT_EQ(ToLower(u"ς µ"), u"ς µ");
  EXPECT_EQ(ToUpper(u"straße ǆ"), u"STRAßE Ǆ");  // simple mapping keeps ß
}

}  // namespace
}  // namespace moxtrel
