#include "moxtrel/frame/date.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel {
namespace {

// Days from 1970-01-01 for a proleptic Gregorian date (Howard Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

constexpr int64_t kEpochOffset = 25569;  // 1970-01-01 in automation days

[[noreturn]] void OutOfRange() {
  throw AutomationError(errc::kOverflow,
                        u"Overflow: a date must lie between 1 January 100 and 31 December 9999");
}

}  // namespace

Date Date::FromCivil(int year, int month, int day, int hour, int minute, int second) {
  // Months and days beyond their usual range carry into the year and month: month 0 is the
  // December before, day 0 the last day of the month before.
  const int64_t months = int64_t{year} * 12 + (int64_t{month} - 1);
  const int64_t y = months >= 0 ? months / 12 : (months - 11) / 12;
  const auto m = static_cast<unsigned>(months - y * 12 + 1);
  const double days =
      static_cast<double>(DaysFromCivil(y, m, 1) + (int64_t{day} - 1) + kEpochOffset);
  const double time = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
  // Automation dates before day 0 keep the time of day positive in magnitude.
  const Date date{days >= 0 ? days + time : days - time};
  if (!InRange(date.value)) OutOfRange();
  return date;
}

Date::Civil Date::ToCivil() const {
  if (!InRange(value)) OutOfRange();
  const double whole = std::trunc(value);
  double frac = std::fabs(value - whole);
  int64_t secs = static_cast<int64_t>(std::llround(frac * 86400.0));
  int64_t day = static_cast<int64_t>(whole);
  if (secs >= 86400) {
    secs -= 86400;
    day += value >= 0 ? 1 : -1;
  }
  Civil c{};
  CivilFromDays(day - kEpochOffset, c.year, c.month, c.day);
  c.hour = static_cast<int>(secs / 3600);
  c.minute = static_cast<int>((secs / 60) % 60);
  c.second = static_cast<int>(secs % 60);
  return c;
}

std::u16string Date::ToString() const {
  const Civil c = ToCivil();
  const bool has_date = std::trunc(value) != 0.0;
  const bool has_time = c.hour != 0 || c.minute != 0 || c.second != 0;
  char buf[64];
  std::string out;
  if (has_date) {
    std::snprintf(buf, sizeof buf, "%d/%d/%d", c.month, c.day, c.year);
    out = buf;
  }
  if (has_time || !has_date) {
    const int h12 = c.hour % 12 == 0 ? 12 : c.hour % 12;
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", h12, c.minute, c.second,
                  c.hour < 12 ? "AM" : "PM");
    if (!out.empty()) out += ' ';
    out += buf;
  }
  return FromUtf8(out);
}

}  // namespace moxtrel
