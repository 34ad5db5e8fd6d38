#include "binding/value_convert.h"

#include <datetime.h>

#include <cstdint>
#include <cstring>

#include "binding/module_state.h"
#include "binding/object_wrapper.h"
#include "binding/python_errors.h"
#include "moxtrel/frame/error_codes.h"

namespace moxtrel::python {
namespace {

struct EmptyType {};

[[noreturn]] void TypeError(std::u16string_view what, const std::string& detail) {
  throw py::type_error(ToUtf8(what) + ": " + detail);
}

void EnsureDateTimeApi() {
  if (!PyDateTimeAPI) PyDateTime_IMPORT;
  if (!PyDateTimeAPI) throw py::error_already_set();
}

Variant DateFrom(py::handle value, std::u16string_view what) {
  const bool has_time = PyDateTime_Check(value.ptr());
  if (has_time && !value.attr("tzinfo").is_none()) {
    TypeError(what, "a datetime with a time zone has no Date value; give local (naive) time");
  }
  const int year = PyDateTime_GET_YEAR(value.ptr());
  const int month = PyDateTime_GET_MONTH(value.ptr());
  const int day = PyDateTime_GET_DAY(value.ptr());
  int hour = 0, minute = 0, second = 0;
  if (has_time) {
    hour = PyDateTime_DATE_GET_HOUR(value.ptr());
    minute = PyDateTime_DATE_GET_MINUTE(value.ptr());
    second = PyDateTime_DATE_GET_SECOND(value.ptr());
    // Date holds whole seconds; round rather than cut.
    if (PyDateTime_DATE_GET_MICROSECOND(value.ptr()) >= 500000) ++second;
  }
  return Guarded(what,
                 [&] { return Variant(Date::FromCivil(year, month, day, hour, minute, second)); });
}

py::object DateTo(const Date& date) {
  EnsureDateTimeApi();
  const Date::Civil c = Guarded(u"Date", [&] { return date.ToCivil(); });
  PyObject* out = PyDateTime_FromDateAndTime(c.year, c.month, c.day, c.hour, c.minute, c.second, 0);
  if (!out) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(out);
}

}  // namespace

py::str ToPyStr(std::u16string_view text) {
  const auto size = static_cast<Py_ssize_t>(text.size());
  // ASCII, the common case: copied straight into a compact str, checked on the way.
  PyObject* out = PyUnicode_New(size, 0x7F);
  if (!out) throw py::error_already_set();
  Py_UCS1* data = PyUnicode_1BYTE_DATA(out);
  char16_t bits = 0;
  for (Py_ssize_t i = 0; i < size; ++i) {
    bits |= text[i];
    data[i] = static_cast<Py_UCS1>(text[i]);
  }
  if (bits < 0x80) return py::reinterpret_steal<py::str>(out);
  Py_DECREF(out);
  // Text without surrogates is UCS-2 as it stands, which CPython copies into its narrowest
  // storage; only surrogates need the UTF-16 decoder, to join pairs and keep lone ones.
  bool surrogates = false;
  for (const char16_t c : text) {
    if ((c & 0xF800) == 0xD800) {
      surrogates = true;
      break;
    }
  }
  out = nullptr;
  if (!surrogates) {
    out = PyUnicode_FromKindAndData(PyUnicode_2BYTE_KIND, text.data(), size);
  } else {
    int byte_order = -1;  // little-endian, as char16_t is on this platform
    out = PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(text.data()), size * 2,
                                "surrogatepass", &byte_order);
  }
  if (!out) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(out);
}

std::u16string FromPyStr(py::handle text, std::u16string_view what) {
  if (!PyUnicode_Check(text.ptr())) {
    TypeError(what, std::string("expected str, got ") + Py_TYPE(text.ptr())->tp_name);
  }
  PyObject* bytes = PyUnicode_AsEncodedString(text.ptr(), "utf-16-le", "surrogatepass");
  if (!bytes) throw py::error_already_set();
  const auto held = py::reinterpret_steal<py::bytes>(bytes);
  const auto size = static_cast<std::size_t>(PyBytes_GET_SIZE(bytes));
  std::u16string out(size / 2, u'\0');
  std::memcpy(out.data(), PyBytes_AS_STRING(bytes), size);
  return out;
}

namespace {

// Arrays inside arrays deeper than this are refused: a list that holds itself must not recurse
// until the stack runs out.
constexpr int kMaxNesting = 32;

Variant Convert(py::handle value, std::u16string_view what, int depth);

}  // namespace

Variant ToVariant(py::handle value, std::u16string_view what) {
  return Convert(value, what, 0);
}

namespace {

Variant Convert(py::handle value, std::u16string_view what, int depth) {
  PyObject* p = value.ptr();
  if (p == Py_None) return Variant(ObjectPtr());
  if (value.is(State().empty)) return Variant();
  if (PyBool_Check(p)) return Variant::Boolean(p == Py_True);
  if (PyLong_Check(p)) {
    int overflow = 0;
    const long long n = PyLong_AsLongLongAndOverflow(p, &overflow);
    if (n == -1 && PyErr_Occurred()) throw py::error_already_set();
    if (overflow == 0 && n >= INT32_MIN && n <= INT32_MAX) return Variant(static_cast<int32_t>(n));
    // Beyond 32 bits an integer travels as a Double, as long as no digit is lost.
    constexpr long long kExact = 1LL << 53;
    if (overflow != 0 || n > kExact || n < -kExact) {
      RaiseError(AutomationError(errc::kOverflow, u"the integer is too large for a Double"), what);
    }
    return Variant(static_cast<double>(n));
  }
  if (PyFloat_Check(p)) return Variant(PyFloat_AS_DOUBLE(p));
  if (PyUnicode_Check(p)) return Variant(FromPyStr(value, what));
  EnsureDateTimeApi();
  if (PyDate_Check(p)) return DateFrom(value, what);
  if (PyBytes_Check(p) || PyByteArray_Check(p)) {
    const std::string bytes = py::bytes(py::reinterpret_borrow<py::object>(value));
    return Variant(ByteArray(bytes.begin(), bytes.end()));
  }
  if (PyList_Check(p) || PyTuple_Check(p)) {
    if (depth >= kMaxNesting) {
      throw py::value_error(ToUtf8(what) + ": arrays nest deeper than " +
                            std::to_string(kMaxNesting) + " levels");
    }
    VariantArray array;
    const auto items = py::reinterpret_borrow<py::sequence>(value);
    array.items.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
      array.items.push_back(Convert(items[i], what, depth + 1));
    }
    return Variant(std::move(array));
  }
  if (ObjectPtr object = Unwrap(value)) return Variant(std::move(object));
  TypeError(what, std::string("a ") + Py_TYPE(p)->tp_name + " has no automation value");
}

}  // namespace

py::object FromVariant(const Variant& value, const typelib::TypeRef* type) {
  switch (value.type()) {
    case VarType::kEmpty:
    case VarType::kMissing:
      return State().empty;
    case VarType::kBoolean:
      return py::bool_(value.ToBool());
    case VarType::kInteger:
    case VarType::kLong: {
      const int32_t n = value.ToLong();
      if (type && type->kind == typelib::TypeKind::kEnum &&
          State().enums.contains(ToPyStr(type->name))) {
        py::object cls = State().enums[ToPyStr(type->name)];
        // A value the enum does not name stays a plain int.
        if (cls.attr("_value2member_map_").contains(py::int_(n))) return cls(n);
      }
      return py::int_(n);
    }
    case VarType::kDouble:
      return py::float_(value.ToDouble());
    case VarType::kDate:
      // A provider's date outside the Date range is an overflow, raised as moxtrel.Error.
      return DateTo(Guarded(u"Date", [&] { return value.ToDate(); }));
    case VarType::kString:
      return ToPyStr(value.AsString());
    case VarType::kObject:
      return Wrap(value.AsObject());
    case VarType::kByteArray: {
      const ByteArray& bytes = value.AsBytes();
      return py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    case VarType::kArray: {
      py::list out;
      for (const Variant& item : value.AsArray().items) out.append(FromVariant(item));
      return out;
    }
  }
  return State().empty;
}

void DefineEmpty(py::module_& m) {
  py::class_<EmptyType>(m, "EmptyType", "The type of moxtrel.Empty, an uninitialised value.")
      .def("__repr__", [](const EmptyType&) { return "Empty"; })
      .def("__bool__", [](const EmptyType&) { return false; });
  State().empty = py::cast(EmptyType{});
  m.attr("Empty") = State().empty;
}

}  // namespace moxtrel::python
