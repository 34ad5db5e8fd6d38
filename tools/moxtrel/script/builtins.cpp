#include "builtins.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <functional>
#include <map>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "operators.h"
#include "script_error.h"
#include "script_limits.h"

namespace moxtrel::script {
namespace {

using Args = std::vector<Variant>;
using Fn = std::function<Variant(const Args&)>;

struct Builtin {
  std::string signature;
  size_t min, max;
  Fn fn;
};

std::u16string Str(const Variant& v) {
  return Show(v);
}

int32_t Pos(const Variant& v, const char16_t* what) {
  const int32_t n = v.ToLong();
  if (n < 0) {
    throw RuntimeError(errc::kInvalidProcedureCall, std::u16string(u"Invalid procedure call: ") +
                                                        what + u" must not be negative");
  }
  return n;
}

Variant Mid(const Args& a) {
  const std::u16string s = Str(a[0]);
  const int32_t start = a[1].ToLong();
  if (start < 1) {
    throw RuntimeError(errc::kInvalidProcedureCall, u"Invalid procedure call: Mid starts at 1");
  }
  if (static_cast<size_t>(start) > s.size()) return Variant(std::u16string());
  const size_t len = a.size() > 2 && !a[2].IsMissing()
                         ? static_cast<size_t>(Pos(a[2], u"the length"))
                         : std::u16string::npos;
  return Variant(s.substr(static_cast<size_t>(start - 1), len));
}

Variant InStr(const Args& a) {
  // InStr(s, find) or InStr(start, s, find)
  size_t start = 0;
  const Variant* s = &a[0];
  const Variant* f = &a[1];
  if (a.size() == 3) {
    const int32_t st = a[0].ToLong();
    if (st < 1) {
      throw RuntimeError(errc::kInvalidProcedureCall, u"Invalid procedure call: InStr starts at 1");
    }
    start = static_cast<size_t>(st - 1);
    s = &a[1];
    f = &a[2];
  }
  const std::u16string hay = Str(*s), needle = Str(*f);
  if (start > hay.size()) return Variant(int32_t{0});
  const size_t at = hay.find(needle, start);
  return Variant(at == std::u16string::npos ? int32_t{0} : static_cast<int32_t>(at + 1));
}

Variant Replace(const Args& a) {
  std::u16string s = Str(a[0]);
  const std::u16string find = Str(a[1]), with = Str(a[2]);
  if (find.empty()) return Variant(s);
  std::u16string out;
  size_t from = 0;
  for (size_t at; (at = s.find(find, from)) != std::u16string::npos; from = at + find.size()) {
    CheckStringLength(out.size() + (at - from) + with.size());
    out.append(s, from, at - from).append(with);
  }
  CheckStringLength(out.size() + (s.size() - from));
  return Variant(out.append(s, from));
}

Variant Hex(const Args& a) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", static_cast<uint32_t>(a[0].ToLong()));
  return Variant(FromUtf8(buf));
}

Variant Convert(const Variant& v, const char16_t* target, const std::function<Variant()>& f) {
  if (v.IsObject() || v.IsArray()) {
    throw RuntimeError(errc::kTypeMismatch, std::u16string(u"Type mismatch: cannot convert ") +
                                                v.TypeName() + u" to " + target);
  }
  return f();
}

Variant Split(const Args& a) {
  const std::u16string s = Str(a[0]);
  const std::u16string sep = a.size() > 1 && !a[1].IsMissing() ? Str(a[1]) : u" ";
  std::vector<std::u16string> parts;
  if (sep.empty()) {
    parts.push_back(s);
  } else {
    size_t from = 0;
    for (size_t at; (at = s.find(sep, from)) != std::u16string::npos; from = at + sep.size()) {
      parts.push_back(s.substr(from, at - from));
      CheckArrayLength(parts.size() + 1);
    }
    parts.push_back(s.substr(from));
  }
  return Variant::StringArray(parts);
}

Variant Join(const Args& a) {
  const VariantArray& arr = a[0].AsArray();
  const std::u16string sep = a.size() > 1 && !a[1].IsMissing() ? Str(a[1]) : u" ";
  std::u16string out;
  for (size_t i = 0; i < arr.items.size(); ++i) {
    const std::u16string item = Str(arr.items[i]);
    CheckStringLength(out.size() + (i ? sep.size() : 0) + item.size());
    if (i) out += sep;
    out += item;
  }
  return Variant(out);
}

Variant Now(const Args&) {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return Variant(Date::FromCivil(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                                 tm.tm_min, tm.tm_sec));
}

Variant DatePart(const Variant& v, int part) {
  const Date::Civil c = v.ToDate().ToCivil();
  const int fields[] = {c.year, c.month, c.day, c.hour, c.minute, c.second};
  return Variant(static_cast<int32_t>(fields[part]));
}

const std::map<std::u16string, Builtin, NoCaseLess>& Table() {
  static const std::map<std::u16string, Builtin, NoCaseLess> table = {
      {u"Len",
       {"Len(s)", 1, 1,
        [](const Args& a) { return Variant(static_cast<int32_t>(Str(a[0]).size())); }}},
      {u"UCase", {"UCase(s)", 1, 1, [](const Args& a) { return Variant(ToUpper(Str(a[0]))); }}},
      {u"LCase", {"LCase(s)", 1, 1, [](const Args& a) { return Variant(ToLower(Str(a[0]))); }}},
      {u"Trim", {"Trim(s)", 1, 1, [](const Args& a) { return Variant(Trim(Str(a[0]))); }}},
      {u"LTrim",
       {"LTrim(s)", 1, 1,
        [](const Args& a) {
          std::u16string s = Str(a[0]);
          return Variant(s.substr(std::min(s.size(), s.find_first_not_of(u' '))));
        }}},
      {u"RTrim",
       {"RTrim(s)", 1, 1,
        [](const Args& a) {
          std::u16string s = Str(a[0]);
          const size_t end = s.find_last_not_of(u' ');
          return Variant(end == std::u16string::npos ? std::u16string() : s.substr(0, end + 1));
        }}},
      {u"Left",
       {"Left(s, n)", 2, 2,
        [](const Args& a) {
          return Variant(Str(a[0]).substr(0, static_cast<size_t>(Pos(a[1], u"the length"))));
        }}},
      {u"Right",
       {"Right(s, n)", 2, 2,
        [](const Args& a) {
          const std::u16string s = Str(a[0]);
          const size_t n = std::min(s.size(), static_cast<size_t>(Pos(a[1], u"the length")));
          return Variant(s.substr(s.size() - n));
        }}},
      {u"Mid", {"Mid(s, start, [length])", 2, 3, Mid}},
      {u"InStr", {"InStr([start], s, find)", 2, 3, InStr}},
      {u"Replace", {"Replace(s, find, with)", 3, 3, Replace}},
      {u"Space",
       {"Space(n)", 1, 1,
        [](const Args& a) {
          const auto n = static_cast<size_t>(Pos(a[0], u"the count"));
          CheckStringLength(n);
          return Variant(std::u16string(n, u' '));
        }}},
      {u"String",
       {"String(n, char)", 2, 2,
        [](const Args& a) {
          const std::u16string c = Str(a[1]);
          if (c.empty())
            throw RuntimeError(errc::kInvalidProcedureCall,
                               u"Invalid procedure call: String needs a character");
          const auto n = static_cast<size_t>(Pos(a[0], u"the count"));
          CheckStringLength(n);
          return Variant(std::u16string(n, c[0]));
        }}},
      {u"Chr",
       {"Chr(code)", 1, 1,
        [](const Args& a) {
          const int32_t c = a[0].ToLong();
          if (c < 0 || c > 0xFFFF)
            throw RuntimeError(errc::kInvalidProcedureCall,
                               u"Invalid procedure call: Chr takes 0 to 65535");
          return Variant(std::u16string(1, static_cast<char16_t>(c)));
        }}},
      {u"Asc",
       {"Asc(s)", 1, 1,
        [](const Args& a) {
          const std::u16string s = Str(a[0]);
          if (s.empty())
            throw RuntimeError(errc::kInvalidProcedureCall,
                               u"Invalid procedure call: Asc of an empty string");
          return Variant(static_cast<int32_t>(s[0]));
        }}},
      {u"CStr",
       {"CStr(v)", 1, 1,
        [](const Args& a) {
          return Convert(a[0], u"String", [&] { return Variant(a[0].ToString()); });
        }}},
      {u"CLng",
       {"CLng(v)", 1, 1,
        [](const Args& a) {
          return Convert(a[0], u"Long", [&] { return Variant(a[0].ToLong()); });
        }}},
      {u"CInt",
       {"CInt(v)", 1, 1,
        [](const Args& a) {
          return Convert(a[0], u"Integer", [&] { return Variant(a[0].ToInteger()); });
        }}},
      {u"CDbl",
       {"CDbl(v)", 1, 1,
        [](const Args& a) {
          return Convert(a[0], u"Double", [&] { return Variant(a[0].ToDouble()); });
        }}},
      {u"CBool",
       {"CBool(v)", 1, 1,
        [](const Args& a) {
          return Convert(a[0], u"Boolean", [&] { return Variant::Boolean(a[0].ToBool()); });
        }}},
      {u"CDate",
       {"CDate(v)", 1, 1,
        [](const Args& a) {
          return Convert(a[0], u"Date", [&] { return Variant(a[0].ToDate()); });
        }}},
      {u"Hex", {"Hex(n)", 1, 1, Hex}},
      // Both values are evaluated before the choice, as with any function's arguments.
      {u"IIf",
       {"IIf(condition, ifTrue, ifFalse)", 3, 3,
        [](const Args& a) { return Truth(a[0]) ? a[1] : a[2]; }}},
      {u"Abs",
       {"Abs(n)", 1, 1,
        [](const Args& a) {
          if (a[0].type() == VarType::kLong && a[0].ToLong() != INT32_MIN)
            return Variant(std::abs(a[0].ToLong()));
          return Variant(std::fabs(a[0].ToDouble()));
        }}},
      {u"Int",
       {"Int(n)", 1, 1,
        [](const Args& a) {
          const double d = std::floor(a[0].ToDouble());
          return std::fabs(d) < 2147483648.0 ? Variant(static_cast<int32_t>(d)) : Variant(d);
        }}},
      {u"IsEmpty",
       {"IsEmpty(v)", 1, 1, [](const Args& a) { return Variant::Boolean(a[0].IsEmpty()); }}},
      {u"IsObject",
       {"IsObject(v)", 1, 1, [](const Args& a) { return Variant::Boolean(a[0].IsObject()); }}},
      {u"IsArray",
       {"IsArray(v)", 1, 1, [](const Args& a) { return Variant::Boolean(a[0].IsArray()); }}},
      {u"IsNumeric",
       {"IsNumeric(v)", 1, 1,
        [](const Args& a) {
          if (a[0].IsNumeric()) return Variant::Boolean(true);
          if (!a[0].IsString()) return Variant::Boolean(false);
          try {
            a[0].ToDouble();
            return Variant::Boolean(true);
          } catch (const AutomationError&) {
            return Variant::Boolean(false);
          }
        }}},
      {u"TypeName",
       {"TypeName(v)", 1, 1,
        [](const Args& a) {
          if (a[0].IsObject()) {
            return Variant(a[0].AsObject() ? std::u16string(a[0].AsObject()->TypeName())
                                           : u"Nothing");
          }
          return Variant(std::u16string(a[0].TypeName()));
        }}},
      {u"DateSerial",
       {"DateSerial(year, month, day)", 3, 3,
        [](const Args& a) {
          return Variant(Date::FromCivil(a[0].ToLong(), a[1].ToLong(), a[2].ToLong()));
        }}},
      {u"TimeSerial",
       {"TimeSerial(hour, minute, second)", 3, 3,
        [](const Args& a) {
          const double days =
              (a[0].ToLong() * 3600.0 + a[1].ToLong() * 60.0 + a[2].ToLong()) / 86400.0;
          if (!Date::InRange(days)) {
            throw RuntimeError(errc::kOverflow, u"Overflow: the time is outside the date range");
          }
          return Variant(Date{days});
        }}},
      {u"Year", {"Year(d)", 1, 1, [](const Args& a) { return DatePart(a[0], 0); }}},
      {u"Month", {"Month(d)", 1, 1, [](const Args& a) { return DatePart(a[0], 1); }}},
      {u"Day", {"Day(d)", 1, 1, [](const Args& a) { return DatePart(a[0], 2); }}},
      {u"Hour", {"Hour(d)", 1, 1, [](const Args& a) { return DatePart(a[0], 3); }}},
      {u"Minute", {"Minute(d)", 1, 1, [](const Args& a) { return DatePart(a[0], 4); }}},
      {u"Second", {"Second(d)", 1, 1, [](const Args& a) { return DatePart(a[0], 5); }}},
      {u"Now", {"Now()", 0, 0, Now}},
      {u"Array",
       {"Array(v, ...)", 0, 1000,
        [](const Args& a) {
          VariantArray arr;
          arr.items = a;
          for (auto& v : arr.items)
            if (v.IsMissing()) v = Variant();
          return Variant(std::move(arr));
        }}},
      {u"Split", {"Split(s, [separator])", 1, 2, Split}},
      {u"Join", {"Join(array, [separator])", 1, 2, Join}},
      {u"UBound",
       {"UBound(array)", 1, 1,
        [](const Args& a) {
          const VariantArray& arr = a[0].AsArray();
          return Variant(
              static_cast<int32_t>(arr.lower_bound + static_cast<int32_t>(arr.items.size()) - 1));
        }}},
      {u"LBound",
       {"LBound(array)", 1, 1, [](const Args& a) { return Variant(a[0].AsArray().lower_bound); }}},
  };
  return table;
}

}  // namespace

bool IsPureBuiltin(std::u16string_view name) {
  return Table().count(name) > 0;
}

bool CallPureBuiltin(std::u16string_view name, std::vector<Variant>& args, Variant& result) {
  auto it = Table().find(name);
  if (it == Table().end()) return false;
  const Builtin& b = it->second;
  size_t given = args.size();
  while (given > b.min && args[given - 1].IsMissing()) --given;
  if (given < b.min || given > b.max) {
    throw RuntimeError(kWrongArgCount, u"Wrong number of arguments: " + it->first + u" takes " +
                                           FromUtf8(b.signature) + u", got " +
                                           FromUtf8(std::to_string(args.size())) +
                                           (args.size() == 1 ? u" argument" : u" arguments"));
  }
  for (size_t i = 0; i < b.min; ++i) {
    if (args[i].IsMissing()) {
      throw RuntimeError(
          errc::kParamNotOptional,
          it->first + u": argument " + FromUtf8(std::to_string(i + 1)) + u" is not optional");
    }
  }
  args.resize(given);
  try {
    result = b.fn(args);
  } catch (const AutomationError& e) {
    throw RuntimeError(e.code(), it->first + u": " + e.description());
  }
  return true;
}

std::vector<std::string> PureBuiltinSignatures() {
  std::vector<std::string> out;
  for (const auto& [name, b] : Table()) out.push_back(b.signature);
  return out;
}

}  // namespace moxtrel::script
