#include "binding/module_definition.h"

#include <pybind11/stl.h>

#include "binding/dispid_cache.h"
#include "binding/event_delivery.h"
#include "binding/member_text.h"
#include "binding/module_state.h"
#include "binding/object_wrapper.h"
#include "binding/provider_setup.h"
#include "binding/python_errors.h"
#include "binding/trapped_failures.h"
#include "binding/value_convert.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/typelib.h"
#include "moxtrel/host/near_names.h"

namespace moxtrel::python {
namespace {

const char* KindText(typelib::TypeKind kind) {
  switch (kind) {
    case typelib::TypeKind::kVoid:
      return "void";
    case typelib::TypeKind::kString:
      return "string";
    case typelib::TypeKind::kLong:
      return "long";
    case typelib::TypeKind::kBoolean:
      return "boolean";
    case typelib::TypeKind::kDate:
      return "date";
    case typelib::TypeKind::kDouble:
      return "double";
    case typelib::TypeKind::kVariant:
      return "variant";
    case typelib::TypeKind::kObject:
      return "object";
    case typelib::TypeKind::kEnum:
      return "enum";
  }
  return "variant";
}

py::dict TypeDict(const typelib::TypeRef& type) {
  py::dict out;
  out["kind"] = KindText(type.kind);
  out["name"] = ToPyStr(type.name);
  return out;
}

py::dict MemberDict(const typelib::MemberInfo& m) {
  py::list params;
  for (const auto& p : m.params) {
    py::dict param;
    param["name"] = ToPyStr(p.name);
    param["type"] = TypeDict(p.type);
    param["optional"] = p.optional;
    param["default"] =
        p.default_value.IsEmpty() ? py::object(py::none()) : FromVariant(p.default_value);
    params.append(param);
  }
  py::dict out;
  out["name"] = ToPyStr(m.name);
  out["kind"] = ToPyStr(typelib::KindName(m.kind));
  out["dispid"] = m.dispid;
  out["hidden"] = m.hidden;
  out["result"] = TypeDict(m.result);
  out["params"] = params;
  out["signature"] = ToPyStr(SignatureOf(m));
  return out;
}

// The type library as plain data, for the stub generator.
py::dict LibraryDict() {
  const typelib::TypeLibrary& lib = typelib::Library();
  py::list enums;
  for (const auto& e : lib.enums) {
    py::list members;
    for (const auto& [name, value] : e.members) {
      members.append(py::make_tuple(ToPyStr(name), ToPyStr(IdentifierOf(name)), value));
    }
    py::dict d;
    d["name"] = ToPyStr(e.name);
    d["members"] = members;
    enums.append(d);
  }
  py::list classes;
  for (const auto& c : lib.classes) {
    if (!c.published) continue;
    py::list members, events;
    for (const auto& m : c.iface.members) members.append(MemberDict(m));
    for (const auto& d : lib.dispinterfaces) {
      if (d.name != c.coclass.source) continue;
      for (const auto& e : d.members) events.append(MemberDict(e));
    }
    py::dict d;
    d["name"] = ToPyStr(c.coclass.name);
    d["creatable"] = c.coclass.creatable;
    d["appobject"] = c.coclass.appobject;
    d["members"] = members;
    d["events"] = events;
    classes.append(d);
  }
  py::dict out;
  out["name"] = ToPyStr(lib.name);
  out["helpstring"] = ToPyStr(lib.helpstring);
  out["version"] = std::to_string(lib.major) + "." + std::to_string(lib.minor);
  out["enums"] = enums;
  out["classes"] = classes;
  return out;
}

void DefineConstants(py::module_& m) {
  py::module_ constants =
      m.def_submodule("constants",
                      "The type library's enums as enum.IntEnum classes, and every member by its "
                      "name without blanks (moxSVCSRunning).");
  py::object int_enum = py::module_::import("enum").attr("IntEnum");
  for (const auto& e : typelib::Library().enums) {
    py::list members;
    for (const auto& [name, value] : e.members) {
      members.append(py::make_tuple(ToPyStr(IdentifierOf(name)), value));
    }
    py::object cls = int_enum(ToPyStr(e.name), members, py::arg("module") = "moxtrel.constants");
    cls.attr("__doc__") = ToPyStr(EnumDoc(e));
    constants.attr(ToPyStr(e.name)) = cls;
    State().enums[ToPyStr(e.name)] = cls;
    for (const auto& [name, value] : e.members) {
      constants.attr(ToPyStr(IdentifierOf(name))) = cls.attr(ToPyStr(IdentifierOf(name)));
    }
  }
}

// CreateObject, with the near class named when the class is misspelt.
ObjectPtr CreateSuggesting(const std::u16string& name) {
  try {
    return dispatch::CreateObject(name);
  } catch (const AutomationError& e) {
    if (static_cast<uint32_t>(e.code()) != errc::kClassNotRegistered) throw;
    const auto near = host::ClosestClassName(name);
    if (!near) throw;
    throw AutomationError(e.code(), e.description() + u"; did you mean '" + *near + u"'?");
  }
}

}  // namespace

void DefineModule(py::module_& m) {
  ResetState();
  ForgetNameObjects();
  State().module = m;
  m.doc() = "The Moxtrel object model, late-bound through its dispatch layer.";
  DefineErrors(m);
  DefineEmpty(m);
  DefineConstants(m);
  DefineObjectTypes(m);
  DefineEventTypes(m);
  DefineProviderFunctions(m);
  DefineTrappedFailures(m);

  m.def(
      "create",
      [](py::handle class_name) {
        const std::u16string name = FromPyStr(class_name, u"create class_name");
        EnsureProvider();
        return Wrap(Guarded(u"create", [&] { return CreateSuggesting(name); }));
      },
      py::arg("class_name"),
      "Creates an object of a creatable class: \"moxDomain\" or \"Moxtrel.moxDomain\".");
  m.def(
      "app",
      [] {
        EnsureProvider();
        return Wrap(Guarded(u"app", [] { return dispatch::AppObject(); }));
      },
      "The global application object (moxCurrentEnvironment).");
  m.def(
      "classes",
      [] {
        py::list out;
        for (const auto& name : dispatch::RegisteredClasses()) out.append(ToPyStr(name));
        return out;
      },
      "The registered class names (\"Moxtrel.moxUser\", ...).");
  m.def("_library", &LibraryDict, "The type library as plain data (for the stub generator).");
  m.def("_live_wrappers", &LiveWrappers, "Wrappers alive now (for lifetime tests).");
}

}  // namespace moxtrel::python
