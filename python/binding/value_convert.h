// Conversions between Python values and Variants: str <-> String (UTF-16, lone surrogates kept),
// bool <-> Boolean, int <-> Long (Double beyond 32 bits), float <-> Double, datetime <-> Date,
// list/tuple -> array -> list, bytes <-> byte array, wrappers <-> objects, None <-> Nothing,
// moxtrel.Empty <-> Empty.
//
//   Variant v = ToVariant(py::int_(42), u"an argument");       // Long 42
//   py::object o = FromVariant(Variant(u"x"));                  // 'x'
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <string_view>

#include "moxtrel/frame/typelib.h"
#include "moxtrel/frame/variant.h"

namespace moxtrel::python {

namespace py = pybind11;

py::str ToPyStr(std::u16string_view text);
// A Python str as UTF-16; anything else raises TypeError naming `what`.
std::u16string FromPyStr(py::handle text, std::u16string_view what);

// `what` names the value in errors ("moxUser.Find argument 1").
Variant ToVariant(py::handle value, std::u16string_view what);
// `type`, when given, turns a value of an enum type into the enum's member.
py::object FromVariant(const Variant& value, const typelib::TypeRef* type = nullptr);

// Defines moxtrel.Empty.
void DefineEmpty(py::module_& m);

}  // namespace moxtrel::python
