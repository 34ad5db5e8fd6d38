#include "moxtrel/frame/variant.h"

#include <gtest/gtest.h>

#include "support/directory_fixture.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/call_args.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel {
namespace {

using testing::ErrorCodeOf;

TEST(VariantTest, DateConversionByNumericValueAndOverflow) {
  EXPECT_EQ(Variant(int32_t{2958465}).ToDate().value, 2958465.0);
  EXPECT_EQ(Variant(int32_t{-657434}).ToDate().value, -657434.0);
  EXPECT_EQ(Variant(int32_t{1}).ToDate().value, 1.0);
  EXPECT_EQ(ErrorCodeOf([] { Variant(int32_t{2958466}).ToDate(); }), int32_t(errc::kOverflow));
  EXPECT_EQ(ErrorCodeOf([] { Variant(int32_t{-657435}).ToDate(); }), int32_t(errc::kOverflow));
  EXPECT_EQ(ErrorCodeOf([] { Variant(ByteArray{}).ToDate(); }), int32_t(errc::kTypeMismatch));
}

// A Date made outside the range overflows at every conversion instead of computing a civil
// date from it; describing it for a message still works.
TEST(VariantTest, OutOfRangeDatesOverflowWhenConverted) {
  for (double days : {1e15, -1e300, Date::kMaxDays + 1.0}) {
    const Variant v(Date{days});
    EXPECT_EQ(ErrorCodeOf([&] { v.ToDate(); }), int32_t(errc::kOverflow)) << days;
    EXPECT_EQ(ErrorCodeOf([&] { v.ToString(); }), int32_t(errc::kOverflow)) << days;
    EXPECT_EQ(ErrorCodeOf([&] { FromVariant<std::u16string>(v); }), int32_t(errc::kOverflow));
    EXPECT_FALSE(v.Describe().empty());
  }
  EXPECT_EQ(ErrorCodeOf([] { Date::FromCivil(2147483647, 1, 1); }), int32_t(errc::kOverflow));
  EXPECT_EQ(Date::FromCivil(2000, -1, 1).value, Date::FromCivil(1999, 11, 1).value);
  EXPECT_EQ(Date::FromCivil(2000, 14, 0).value, Date::FromCivil(2001, 1, 31).value);
}

TEST(VariantTest, LongAndBooleanConversions) {
  EXPECT_EQ(Variant(2.5).ToLong(), 2);  // banker's rounding
  EXPECT_EQ(Variant(3.5).ToLong(), 4);
  EXPECT_EQ(Variant(u" 42 ").ToLong(), 42);
  // Hex text is "&H" and hex digits only: no sign, no blank inside.
  EXPECT_EQ(Variant(u"&H1F").ToLong(), 31);
  EXPECT_EQ(ErrorCodeOf([] { Variant(u"&H-1").ToLong(); }), int32_t(errc::kTypeMismatch));
  EXPECT_EQ(ErrorCodeOf([] { Variant(u"&H 10").ToLong(); }), int32_t(errc::kTypeMismatch));
  EXPECT_EQ(Variant::Boolean(true).ToLong(), -1);
  EXPECT_EQ(ErrorCodeOf([] { Variant(3e10).ToLong(); }), int32_t(errc::kOverflow));
  EXPECT_EQ(ErrorCodeOf([] { Variant(u"abc").ToLong(); }), int32_t(errc::kTypeMismatch));
  EXPECT_EQ(ErrorCodeOf([] { Variant::Missing().ToLong(); }), int32_t(errc::kTypeMismatch));
  EXPECT_TRUE(Variant(u"true").ToBool());
  EXPECT_FALSE(Variant(u"0").ToBool());
  EXPECT_TRUE(Variant(int16_t{2}).ToBool());
  EXPECT_EQ(Variant::Boolean(true).ToVariantBool(), kVariantTrue);
  EXPECT_EQ(ErrorCodeOf([] { Variant(u"maybe").ToBool(); }), int32_t(errc::kTypeMismatch));
}

TEST(VariantTest, StringConversions) {
  EXPECT_EQ(Variant().ToString(), u"");
  EXPECT_EQ(Variant::Boolean(false).ToString(), u"False");
  EXPECT_EQ(Variant(int32_t{-7}).ToString(), u"-7");
  EXPECT_EQ(Variant(0.1).ToString(), u"0.1");
  EXPECT_EQ(Variant(Date::FromCivil(1970, 1, 1)).ToString(), u"1/1/1970");
  EXPECT_EQ(Variant(Date{0.5}).ToString(), u"12:00:00 PM");
  EXPECT_EQ(Variant(Date::FromCivil(9999, 12, 31, 13, 5, 0)).ToString(), u"12/31/9999 1:05:00 PM");
  EXPECT_EQ(ErrorCodeOf([] { Variant(VariantArray{}).ToString(); }), int32_t(errc::kTypeMismatch));
}

TEST(DateTest, CivilRoundTrip) {
  EXPECT_EQ(Date::FromCivil(1899, 12, 30).value, 0.0);
  EXPECT_EQ(Date::FromCivil(1970, 1, 1).value, 25569.0);
  EXPECT_EQ(Date::FromCivil(9999, 12, 31).value, Date::kMaxDays);
  EXPECT_EQ(Date::FromCivil(100, 1, 1).value, Date::kMinDays);
  auto c = Date{Date::kMaxDays}.ToCivil();
  EXPECT_EQ(c.year, 9999);
  EXPECT_EQ(c.month, 12);
  EXPECT_EQ(c.day, 31);
}

TEST(TextTest, TrimOnlyRemovesSpaces) {
  EXPECT_EQ(Trim(u"  a b  "), u"a b");
  EXPECT_EQ(Trim(u"\ta "), u"\ta");
  EXPECT_EQ(Trim(u"   "), u"");
  EXPECT_EQ(FromUtf8(ToUtf8(u"Ärger 𝄞")), u"Ärger 𝄞");
  EXPECT_EQ(FromUtf8("\xff"), u"\xfffd");
}

}  // namespace
}  // namespace moxtrel
