// Date: a date-time held as days since 30 December 1899 (0.0 is the empty date), the way the
// automation runtime holds it. The valid range is 1 January 100 to 31 December 9999.
//
//   Date d = Date::FromCivil(1970, 1, 1);   // 25569.0
//   std::u16string shown = d.ToString();    // u"1/1/1970"
#pragma once

#include <compare>
#include <optional>
#include <string>

namespace moxtrel {

struct Date {
  double value = 0.0;

  static constexpr double kMinDays = -657434.0;  // 1 January 100
  static constexpr double kMaxDays = 2958465.0;  // 31 December 9999

  // True when the value lies inside the representable days (time of day included).
  static bool InRange(double days) noexcept {
    return days > kMinDays - 1.0 && days < kMaxDays + 1.0;
  }
  // Months and days outside their range carry over (month 0 is the December before); throws
  // AutomationError with errc::kOverflow for a result outside the valid range.
  static Date FromCivil(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

  struct Civil {
    int year, month, day, hour, minute, second;
  };
  // Both throw AutomationError with errc::kOverflow for a value outside the valid range.
  Civil ToCivil() const;
  // US English form, as locale 0x409 shows it: "12/31/9999", "1/1/1970 1:05:00 PM", "12:00:00 AM".
  std::u16string ToString() const;

  friend auto operator<=>(const Date&, const Date&) = default;
};

}  // namespace moxtrel
