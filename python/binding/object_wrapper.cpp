#include "binding/object_wrapper.h"

#include <pybind11/stl.h>

#include <string>
#include <utility>
#include <vector>

#include "binding/dispid_cache.h"
#include "binding/event_delivery.h"
#include "binding/member_text.h"
#include "binding/module_state.h"
#include "binding/object_repr.h"
#include "binding/python_errors.h"
#include "binding/value_convert.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"
#include "moxtrel/host/near_names.h"

namespace moxtrel::python {
namespace {

// The object Wrap is making a wrapper for, taken by Object.__init__; empty otherwise, so Python
// code cannot make a wrapper of its own. Passed this way rather than as an argument, which would
// cost a Python object per wrapper. Used under the GIL.
ObjectPtr& PendingObject() {
  static auto* pending = new ObjectPtr;
  return *pending;
}

// What a callable member needs, copied from the type library so it never dangles.
struct MemberView {
  std::u16string name;
  DispId dispid = 0;
  std::vector<typelib::ParamInfo> params;
  typelib::TypeRef result;
  std::u16string description;
};

// obj.Find, obj.Item: a member called with arguments.
struct BoundMember {
  ObjectPtr object;
  MemberView member;
};

// Walks a collection through its enumerator's Next.
struct ItemIterator {
  ObjectPtr enumerator;
  DispId next = 0;
  std::u16string source;
};

std::u16string TypeOf(const AutomationObject& object) {
  return std::u16string(object.TypeName());
}

bool IsPlainGet(const typelib::MemberInfo& m) {
  return m.kind == typelib::MemberKind::kGet && m.params.empty();
}

[[noreturn]] void RaiseUnknown(const AutomationObject& object, std::u16string_view name) {
  std::u16string text = TypeOf(object) + u" has no member '" + std::u16string(name) + u"'";
  if (const auto near =
          host::ClosestMemberName(name, dispatch::InterfaceOf(object), EventsOf(object))) {
    text += u"; did you mean '" + *near + u"'?";
  }
  RaiseErrorAs(State().member_error, static_cast<int32_t>(errc::kUnknownName),
               TypeOf(object) + u"." + std::u16string(name), text);
}

std::vector<const typelib::MemberInfo*> SlotsOf(const AutomationObject& object, DispId id);

// The DISPID of `spelling`, or -1 with `event` set when the name is one of the object's events;
// `get` is set to the member's get without parameters when it has one.
DispId Lookup(const AutomationObject& object, const std::string& spelling,
              const typelib::MemberInfo** event, const typelib::MemberInfo** get = nullptr) {
  const typelib::InterfaceInfo* iface = dispatch::InterfaceOf(object);
  if (const NameEntry* hit = CachedName(iface, spelling)) {
    *event = hit->event;
    if (get) *get = hit->get;
    return hit->id;
  }
  const std::u16string name = FromUtf8(spelling);
  *event = nullptr;
  try {
    const DispId id = dispatch::GetIDOfName(object, name);
    NameEntry entry{id, nullptr, nullptr};
    for (const auto* slot : SlotsOf(object, id)) {
      if (IsPlainGet(*slot)) {
        entry.get = slot;
        break;
      }
    }
    RememberName(iface, spelling, entry);
    if (get) *get = entry.get;
    return id;
  } catch (const AutomationError& e) {
    if (static_cast<uint32_t>(e.code()) != errc::kUnknownName) {
      RaiseError(e, TypeOf(object) + u"." + name);
    }
  }
  *event = FindEvent(EventsOf(object), name);
  if (!*event) RaiseUnknown(object, name);
  RememberName(iface, spelling, NameEntry{-1, *event, nullptr});
  return -1;
}

// A wrong argument count names the member's signature, so the fix is in the message.
AutomationError WithSignature(const AutomationError& e, const typelib::MemberInfo& member) {
  if (static_cast<uint32_t>(e.code()) != errc::kBadParamCount) return e;
  return AutomationError(e.code(), e.description() + u"; the signature is " + SignatureOf(member));
}

typelib::MemberInfo InfoOf(const MemberView& view) {
  typelib::MemberInfo info;
  info.name = view.name;
  info.params = view.params;
  info.result = view.result;
  info.description = view.description;
  return info;
}

std::vector<const typelib::MemberInfo*> SlotsOf(const AutomationObject& object, DispId id) {
  const typelib::InterfaceInfo* iface = dispatch::InterfaceOf(object);
  return iface ? iface->ByDispId(id) : std::vector<const typelib::MemberInfo*>{};
}

std::vector<Variant> BuildArgs(const MemberView& m, const py::args& args, const py::kwargs& kwargs,
                               const std::u16string& source) {
  std::vector<Variant> values;
  values.reserve(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) {
    values.push_back(ToVariant(args[i], source + u" argument " + DecimalText(int64_t(i + 1))));
  }
  for (const auto& [key, value] : kwargs) {
    const std::u16string name = FromPyStr(key, source);
    std::size_t index = m.params.size();
    for (std::size_t i = 0; i < m.params.size(); ++i) {
      if (EqualsNoCase(m.params[i].name, name)) index = i;
    }
    if (index == m.params.size()) {
      throw py::type_error(ToUtf8(source + u"() has no parameter '" + name + u"'"));
    }
    if (index < args.size()) {
      throw py::type_error(ToUtf8(source + u"() got two values for " + m.params[index].name));
    }
    if (values.size() <= index) values.resize(index + 1, Variant::Missing());
    values[index] = ToVariant(value, source + u" argument " + m.params[index].name);
  }
  return values;
}

py::object CallMember(const BoundMember& self, const py::args& args, const py::kwargs& kwargs,
                      bool byref) {
  const MemberView& m = self.member;
  const std::u16string source = TypeOf(*self.object) + u"." + m.name;
  std::vector<Variant> values = BuildArgs(m, args, kwargs, source);
  const Variant result = Guarded(source, [&] {
    try {
      return dispatch::Invoke(*self.object, m.dispid, kDispatchMethod | kDispatchGet, values);
    } catch (const AutomationError& e) {
      throw WithSignature(e, InfoOf(m));
    }
  });
  py::object out = FromVariant(result, &m.result);
  if (!byref) return out;
  // The result, then every argument as the member left it.
  py::tuple all(1 + values.size());
  all[0] = out;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const typelib::TypeRef* type = i < m.params.size() ? &m.params[i].type : nullptr;
    all[i + 1] = values[i].IsMissing() ? State().empty : FromVariant(values[i], type);
  }
  return all;
}

py::object GetAttr(DispatchObject& self, const std::string& name) {
  if (name.empty() || name[0] == '_') throw py::attribute_error(name);
  const AutomationObject& object = *self.object;
  const typelib::MemberInfo* event = nullptr;
  const typelib::MemberInfo* get = nullptr;
  const DispId id = Lookup(object, name, &event, &get);
  if (event) return EventSlotFor(self.object, *event);
  if (get) {
    std::vector<Variant> none;
    Variant value;
    try {
      value = dispatch::Invoke(*self.object, id, kDispatchGet, none);
    } catch (...) {
      // The member's name for the error is put together only when the read failed.
      Guarded(TypeOf(object) + u"." + get->name, []() -> Variant { throw; });
    }
    return FromVariant(value, &get->result);
  }
  const auto slots = SlotsOf(object, id);
  for (const auto* slot : slots) {
    if (slot->kind == typelib::MemberKind::kMethod || slot->kind == typelib::MemberKind::kGet) {
      return py::cast(BoundMember{
          self.object, MemberView{slot->name, id, slot->params, slot->result, slot->description}});
    }
  }
  const std::u16string wanted = FromUtf8(name);
  RaiseErrorAs(State().member_error, static_cast<int32_t>(errc::kMemberNotFound),
               TypeOf(object) + u"." + wanted, wanted + u" can be set but not read");
}

void SetAttr(DispatchObject& self, const std::string& name, py::handle value) {
  if (name.empty() || name[0] == '_') {
    throw py::attribute_error("moxtrel objects take no attribute " + name);
  }
  const AutomationObject& object = *self.object;
  const std::u16string wanted = FromUtf8(name);
  const typelib::MemberInfo* event = nullptr;
  const DispId id = Lookup(object, name, &event);
  const std::u16string source = TypeOf(object) + u"." + (event ? event->name : wanted);
  if (event) {
    RaiseErrorAs(State().member_error, static_cast<int32_t>(errc::kMemberNotFound), source,
                 event->name + u" is an event: use ." + event->name + u".connect(handler)");
  }
  bool put = false, putref = false;
  for (const auto* slot : SlotsOf(object, id)) {
    put = put || slot->kind == typelib::MemberKind::kPut;
    putref = putref || slot->kind == typelib::MemberKind::kPutRef;
  }
  std::vector<Variant> args{ToVariant(value, source)};
  const uint16_t flags = putref && (!put || args[0].IsObject()) ? kDispatchPutRef : kDispatchPut;
  Guarded(source, [&] { return dispatch::Invoke(*self.object, id, flags, args); });
}

ItemIterator Iterate(DispatchObject& self) {
  const std::u16string source = TypeOf(*self.object) + u".NewEnum";
  if (SlotsOf(*self.object, kDispIdNewEnum).empty()) {
    throw py::type_error("'" + ToUtf8(TypeOf(*self.object)) + "' object is not iterable");
  }
  std::vector<Variant> none;
  const Variant walker = Guarded(source, [&] {
    return dispatch::Invoke(*self.object, kDispIdNewEnum, kDispatchGet | kDispatchMethod, none);
  });
  if (!walker.IsObject() || !walker.AsObject()) {
    RaiseError(AutomationError(errc::kFail, u"NewEnum gave no enumerator"), source);
  }
  const DispId next =
      Guarded(source, [&] { return dispatch::GetIDOfName(*walker.AsObject(), u"Next"); });
  return ItemIterator{walker.AsObject(), next, source};
}

py::object NextItem(ItemIterator& it) {
  std::vector<Variant> item{Variant()};
  const Variant more = Guarded(
      it.source, [&] { return dispatch::Invoke(*it.enumerator, it.next, kDispatchMethod, item); });
  if (!more.ToBool()) throw py::stop_iteration();
  return FromVariant(item[0]);
}

py::object DefaultMember(DispatchObject& self, const py::args& args) {
  const std::u16string source = TypeOf(*self.object) + u".Item";
  std::vector<Variant> values;
  for (std::size_t i = 0; i < args.size(); ++i) values.push_back(ToVariant(args[i], source));
  const auto slots = SlotsOf(*self.object, kDispIdValue);
  const Variant value = Guarded(source, [&] {
    try {
      return dispatch::Invoke(*self.object, kDispIdValue, kDispatchGet | kDispatchMethod, values);
    } catch (const AutomationError& e) {
      if (slots.empty()) throw;
      throw WithSignature(e, *slots.front());
    }
  });
  return FromVariant(value, slots.empty() ? nullptr : &slots.front()->result);
}

py::list Dir(DispatchObject& self) {
  py::list out;
  for (const auto& name :
       host::ObjectMemberNames(dispatch::InterfaceOf(*self.object), EventsOf(*self.object))) {
    out.append(ToPyStr(name));
  }
  return out;
}

const typelib::InterfaceInfo* EventsOfClass(const typelib::ClassBinding& binding) {
  if (binding.coclass.source.empty()) return nullptr;
  for (const auto& d : typelib::Library().dispinterfaces) {
    if (EqualsNoCase(d.name, binding.coclass.source)) return &d;
  }
  return nullptr;
}

PyObject* FastGetAttr(PyObject* self, PyObject* name);

py::object MakeClass(std::u16string_view name, std::u16string_view description,
                     const typelib::InterfaceInfo* iface, const typelib::InterfaceInfo* events) {
  py::dict ns;
  ns["__doc__"] = ToPyStr(ClassDoc(name, description, iface, events));
  ns["__slots__"] = py::tuple();
  ns["__module__"] = "moxtrel";
  py::object cls = py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(&PyType_Type))(
      ToPyStr(name), py::make_tuple(State().object_type), ns);
  // The class took a __getattr__ hook from Object; reads take the direct path instead.
  auto* type = reinterpret_cast<PyTypeObject*>(cls.ptr());
  type->tp_getattro = &FastGetAttr;
  PyType_Modified(type);
  State().classes[ToPyStr(name)] = cls;
  return cls;
}

py::object ClassFor(const AutomationObject& object) {
  const py::str key = ToPyStr(object.TypeName());
  if (State().classes.contains(key)) return State().classes[key];
  const typelib::ClassBinding* binding = typelib::BindingForType(object.TypeName());
  return MakeClass(object.TypeName(), binding ? binding->coclass.description : u"",
                   dispatch::InterfaceOf(object), EventsOf(object));
}

// The collector sees through a wrapper to the handlers of its object's events when the wrapper
// holds the object's last reference: a handler that refers to its own source then makes a
// cycle the collector can find and break, instead of a leak with a timer still running.
// While anything else holds the object, its handlers stay reachable from there.
// A wrapper not yet initialised (collected inside its own __init__) has nothing to show.
DispatchObject* WrapperOf(PyObject* self) noexcept {
  try {
    return py::handle(self).cast<DispatchObject*>();
  } catch (...) {
    return nullptr;
  }
}

int Traverse(PyObject* self, visitproc visit, void* arg) {
  Py_VISIT(Py_TYPE(self));
  auto* wrapper = WrapperOf(self);
  if (!wrapper || !wrapper->object || wrapper->object.use_count() != 1) return 0;
  return VisitHandlers(wrapper->object.get(), visit, arg);
}

int Clear(PyObject* self) {
  auto* wrapper = WrapperOf(self);
  if (wrapper && wrapper->object && wrapper->object.use_count() == 1) {
    try {
      ClearHandlers(wrapper->object.get());
    } catch (...) {
      // Out of memory copying the list: the cycle stays, which is a leak, not a crash.
    }
  }
  return 0;
}

// Attribute reads of a wrapper: a member name goes straight to GetAttr, without the failed
// lookup in the type and the AttributeError that reaching __getattr__ costs first. Names with a
// leading underscore, and any name the type itself holds, are looked up the usual way.
PyObject* FastGetAttr(PyObject* self, PyObject* name) {
  Py_ssize_t size = 0;
  const char* text = PyUnicode_Check(name) ? PyUnicode_AsUTF8AndSize(name, &size) : nullptr;
  if (!text) {
    PyErr_Clear();
    return PyObject_GenericGetAttr(self, name);
  }
  if (size == 0 || text[0] == '_' || _PyType_Lookup(Py_TYPE(self), name)) {
    return PyObject_GenericGetAttr(self, name);
  }
  try {
    auto& wrapper = py::handle(self).cast<DispatchObject&>();
    return GetAttr(wrapper, std::string(text, static_cast<std::size_t>(size))).release().ptr();
  } catch (py::error_already_set& e) {
    e.restore();
  } catch (const py::builtin_exception& e) {
    e.set_error();
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& e) {
    PyErr_SetString(PyExc_RuntimeError, e.what());
  }
  return nullptr;
}

void EnableCollection(PyHeapTypeObject* heap_type) {
  PyTypeObject* type = &heap_type->ht_type;
  type->tp_flags |= Py_TPFLAGS_HAVE_GC;
  type->tp_traverse = &Traverse;
  type->tp_clear = &Clear;
}

}  // namespace

DispatchObject::~DispatchObject() {
  if (!object || !self) return;
  auto& live = State().live;
  auto it = live.find(object.get());
  if (it != live.end() && it->second == self) live.erase(it);
}

py::object Wrap(const ObjectPtr& object) {
  if (!object) return py::none();
  auto& live = State().live;
  if (auto it = live.find(object.get()); it != live.end()) {
    return py::reinterpret_borrow<py::object>(it->second);
  }
  const py::object cls = ClassFor(*object);
  // A wrapper made while this one is constructed (a finaliser run by the collector) takes its own
  // object and leaves this one pending again.
  ObjectPtr outer = std::exchange(PendingObject(), object);
  py::object wrapper;
  try {
    wrapper = cls();
  } catch (...) {
    PendingObject() = std::move(outer);
    throw;
  }
  PendingObject() = std::move(outer);
  wrapper.cast<DispatchObject&>().self = wrapper.ptr();
  live[object.get()] = wrapper.ptr();
  return wrapper;
}

ObjectPtr Unwrap(py::handle value) {
  if (!State().object_type || !py::isinstance(value, State().object_type)) return nullptr;
  return value.cast<DispatchObject&>().object;
}

std::size_t LiveWrappers() {
  return State().live.size();
}

void DefineObjectTypes(py::module_& m) {
  py::class_<DispatchObject> object(
      m, "Object",
      "The base class of every moxtrel object; see help() of an object for its members.",
      py::custom_type_setup(&EnableCollection));
  object
      .def(py::init([] {
             ObjectPtr object = std::exchange(PendingObject(), nullptr);
             if (!object) throw py::type_error("moxtrel.Object needs an object");
             return std::make_unique<DispatchObject>(std::move(object));
           }),
           "Made by moxtrel itself; use moxtrel.create(class_name).")
      .def("__getattr__", &GetAttr)
      .def("__setattr__", &SetAttr)
      .def("__dir__", &Dir)
      .def("__iter__", &Iterate)
      .def("__call__", &DefaultMember)
      .def("__getitem__", [](DispatchObject& self,
                             py::object key) { return DefaultMember(self, py::make_tuple(key)); })
      .def("__repr__", [](const DispatchObject& self) { return ReprOf(*self.object); });
  State().object_type = object;

  py::class_<BoundMember>(m, "Member", "A member called with arguments, as obj.Find(...).")
      .def("__call__",
           [](const BoundMember& self, const py::args& args, const py::kwargs& kwargs) {
             return CallMember(self, args, kwargs, false);
           })
      .def(
          "byref",
          [](const BoundMember& self, const py::args& args, const py::kwargs& kwargs) {
            return CallMember(self, args, kwargs, true);
          },
          "Calls the member and returns (result, arg1, arg2, ...) with every argument as the "
          "member left it.")
      .def_property_readonly(
          "__doc__",
          [](const BoundMember& self) { return ToPyStr(MemberDoc(InfoOf(self.member))); })
      .def("__repr__", [](const BoundMember& self) {
        return "<member " + ToUtf8(TypeOf(*self.object) + u"." + self.member.name) + ">";
      });

  py::class_<ItemIterator>(m, "ItemIterator", "Walks a collection through its enumerator.")
      .def("__iter__", [](py::object self) { return self; })
      .def("__next__", &NextItem);

  // One Python class per library class, so help(), isinstance() and the stubs agree.
  for (const auto& binding : typelib::Library().classes) {
    if (!binding.published) continue;
    m.attr(ToPyStr(binding.coclass.name)) = MakeClass(
        binding.coclass.name, binding.coclass.description, &binding.iface, EventsOfClass(binding));
  }
}

}  // namespace moxtrel::python
