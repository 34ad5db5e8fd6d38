#include "binding/object_wrapper.h"

#include <pybind11/stl.h>
#include <structmember.h>

#include <cstddef>
#include <deque>
#include <new>
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

// A wrapper: a plain CPython object holding its automation object alive. The head is kept
// apart so the weak-reference list has a well-defined offset.
struct WrapperHead {
  PyObject_HEAD PyObject* weakrefs;
};
struct WrapperObject : WrapperHead {
  ObjectPtr object;
};

WrapperObject* AsWrapper(PyObject* self) {
  return static_cast<WrapperObject*>(reinterpret_cast<WrapperHead*>(self));
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

// Walks a collection through its enumerator's Next; `item` is the by-reference argument, kept
// from one call to the next.
struct IteratorState {
  ObjectPtr enumerator;
  DispId next = 0;
  std::u16string source;
  std::vector<Variant> item;
};
struct IteratorObject {
  PyObject_HEAD IteratorState state;
};

// Runs the body of a slot of a plain CPython type: a C++ exception becomes the Python error it
// stands for, and `failed` is returned.
template <class F>
auto SlotCall(F&& body, decltype(body()) failed) noexcept -> decltype(body()) {
  try {
    return body();
  } catch (py::error_already_set& e) {
    e.restore();
  } catch (const py::builtin_exception& e) {
    e.set_error();
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& e) {
    PyErr_SetString(PyExc_RuntimeError, e.what());
  }
  return failed;
}

std::u16string TypeOf(const AutomationObject& object) {
  return std::u16string(object.TypeName());
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

// The str an attribute read gave, to be kept by identity on its class: `version` is the class's
// version tag when it was found to hold no attribute of that name.
struct NameKey {
  PyTypeObject* type = nullptr;
  unsigned int version = 0;
  PyObject* name = nullptr;
};

// What `spelling` names on `object`: its DISPID and plain get, or the event it is (id -1).
// `key`, when given, is kept by identity too.
NameEntry Lookup(const AutomationObject& object, const std::string& spelling, const NameKey* key) {
  const typelib::InterfaceInfo* iface = dispatch::InterfaceOf(object);
  auto keep = [&](const NameEntry& entry) {
    if (key && iface) RememberName(key->type, key->version, key->name, entry);
    return entry;
  };
  if (const NameEntry* hit = CachedName(iface, spelling)) return keep(*hit);
  const std::u16string name = FromUtf8(spelling);
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
    return keep(entry);
  } catch (const AutomationError& e) {
    if (static_cast<uint32_t>(e.code()) != errc::kUnknownName) {
      RaiseError(e, TypeOf(object) + u"." + name);
    }
  }
  const typelib::MemberInfo* event = FindEvent(EventsOf(object), name);
  if (!event) RaiseUnknown(object, name);
  const NameEntry entry{-1, event, nullptr};
  RememberName(iface, spelling, entry);
  return keep(entry);
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

// The value of the attribute `key` names, once its entry is known.
py::object ReadMember(const WrapperObject& self, const NameEntry& entry, PyObject* key) {
  if (entry.event) return EventSlotFor(self.object, *entry.event);
  AutomationObject& object = *self.object;
  if (entry.get) {
    // No arguments go in and none come back from a get without parameters, so one empty list
    // serves every read.
    static std::vector<Variant> none;
    const Variant value = [&] {
      try {
        return dispatch::Invoke(object, entry.id, kDispatchGet, none);
      } catch (...) {
        // The member's name for the error is put together only when the read failed.
        return Guarded(TypeOf(object) + u"." + entry.get->name, []() -> Variant { throw; });
      }
    }();
    if (value.IsString()) return ToPyStr(value.AsString());
    return FromVariant(value, &entry.get->result);
  }
  for (const auto* slot : SlotsOf(object, entry.id)) {
    if (slot->kind == typelib::MemberKind::kMethod || slot->kind == typelib::MemberKind::kGet) {
      return py::cast(BoundMember{self.object, MemberView{slot->name, entry.id, slot->params,
                                                          slot->result, slot->description}});
    }
  }
  const std::u16string wanted = FromPyStr(key, u"the attribute name");
  RaiseErrorAs(State().member_error, static_cast<int32_t>(errc::kMemberNotFound),
               TypeOf(object) + u"." + wanted, wanted + u" can be set but not read");
}

// Attribute reads: a name seen before on this class is found by the str's identity; names with
// a leading underscore, and any name the class itself holds, are looked up the usual way.
PyObject* GetAttrSlot(PyObject* self, PyObject* name) {
  const WrapperObject& wrapper = *AsWrapper(self);
  PyTypeObject* type = Py_TYPE(self);
  if (const NameEntry* hit = CachedName(type, name)) {
    const NameEntry entry = *hit;  // the table may change while the member runs
    return SlotCall([&] { return ReadMember(wrapper, entry, name).release().ptr(); }, nullptr);
  }
  Py_ssize_t size = 0;
  const char* text = PyUnicode_Check(name) ? PyUnicode_AsUTF8AndSize(name, &size) : nullptr;
  if (!text) {
    PyErr_Clear();
    return PyObject_GenericGetAttr(self, name);
  }
  if (size == 0 || text[0] == '_' || _PyType_Lookup(type, name)) {
    return PyObject_GenericGetAttr(self, name);
  }
  // The lookup just made gave the class a version tag, unless CPython has run out of them.
  const NameKey key{type, type->tp_version_tag, name};
  const bool keyed =
      PyUnicode_CheckExact(name) && PyType_HasFeature(type, Py_TPFLAGS_VALID_VERSION_TAG);
  return SlotCall(
      [&] {
        const NameEntry entry =
            Lookup(*wrapper.object, std::string(text, static_cast<std::size_t>(size)),
                   keyed ? &key : nullptr);
        return ReadMember(wrapper, entry, name).release().ptr();
      },
      nullptr);
}

void SetAttr(const WrapperObject& self, const std::string& name, py::handle value) {
  if (name.empty() || name[0] == '_') {
    throw py::attribute_error("moxtrel objects take no attribute " + name);
  }
  const AutomationObject& object = *self.object;
  const std::u16string wanted = FromUtf8(name);
  const NameEntry entry = Lookup(object, name, nullptr);
  const typelib::MemberInfo* event = entry.event;
  const std::u16string source = TypeOf(object) + u"." + (event ? event->name : wanted);
  if (event) {
    RaiseErrorAs(State().member_error, static_cast<int32_t>(errc::kMemberNotFound), source,
                 event->name + u" is an event: use ." + event->name + u".connect(handler)");
  }
  bool put = false, putref = false;
  for (const auto* slot : SlotsOf(object, entry.id)) {
    put = put || slot->kind == typelib::MemberKind::kPut;
    putref = putref || slot->kind == typelib::MemberKind::kPutRef;
  }
  std::vector<Variant> args{ToVariant(value, source)};
  const uint16_t flags = putref && (!put || args[0].IsObject()) ? kDispatchPutRef : kDispatchPut;
  Guarded(source, [&] { return dispatch::Invoke(*self.object, entry.id, flags, args); });
}

int SetAttrSlot(PyObject* self, PyObject* name, PyObject* value) {
  if (!value) return PyObject_GenericSetAttr(self, name, nullptr);  // del: nothing to delete
  Py_ssize_t size = 0;
  const char* text = PyUnicode_AsUTF8AndSize(name, &size);
  if (!text) return -1;
  return SlotCall(
      [&] {
        SetAttr(*AsWrapper(self), std::string(text, static_cast<std::size_t>(size)), value);
        return 0;
      },
      -1);
}

PyObject* Iterate(const WrapperObject& self) {
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
  IteratorState state{walker.AsObject(), next, source, std::vector<Variant>(1)};
  auto* type = reinterpret_cast<PyTypeObject*>(State().iterator_type.ptr());
  PyObject* it = type->tp_alloc(type, 0);
  if (!it) throw py::error_already_set();
  new (&reinterpret_cast<IteratorObject*>(it)->state) IteratorState(std::move(state));
  return it;
}

// The next item, or null without an error at the end.
PyObject* NextSlot(PyObject* self) {
  IteratorState& it = reinterpret_cast<IteratorObject*>(self)->state;
  return SlotCall(
      [&]() -> PyObject* {
        const Variant more = Guarded(it.source, [&] {
          return dispatch::Invoke(*it.enumerator, it.next, kDispatchMethod, it.item);
        });
        // Taken out first: making the wrapper may run Python code that walks on.
        const Variant item = std::move(it.item[0]);
        if (!more.ToBool()) return nullptr;
        return FromVariant(item).release().ptr();
      },
      nullptr);
}

void IteratorDealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  reinterpret_cast<IteratorObject*>(self)->state.~IteratorState();
  type->tp_free(self);
  Py_DECREF(type);
}

py::object DefaultMember(const WrapperObject& self, const py::tuple& args) {
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

PyObject* CallSlot(PyObject* self, PyObject* args, PyObject* kwargs) {
  return SlotCall(
      [&] {
        const WrapperObject& wrapper = *AsWrapper(self);
        if (kwargs && PyDict_GET_SIZE(kwargs) != 0) {
          throw py::type_error(ToUtf8(TypeOf(*wrapper.object)) +
                               "() takes its index by position, not by keyword");
        }
        return DefaultMember(wrapper, py::reinterpret_borrow<py::tuple>(args)).release().ptr();
      },
      nullptr);
}

PyObject* SubscriptSlot(PyObject* self, PyObject* key) {
  return SlotCall(
      [&] {
        return DefaultMember(*AsWrapper(self), py::make_tuple(py::handle(key))).release().ptr();
      },
      nullptr);
}

PyObject* ReprSlot(PyObject* self) {
  return SlotCall(
      [&] {
        const std::string text = ReprOf(*AsWrapper(self)->object);
        return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
      },
      nullptr);
}

PyObject* IterSlot(PyObject* self) {
  return SlotCall([&] { return Iterate(*AsWrapper(self)); }, nullptr);
}

PyObject* DirMethod(PyObject* self, PyObject*) {
  return SlotCall(
      [&] {
        py::list out;
        const AutomationObject& object = *AsWrapper(self)->object;
        for (const auto& name :
             host::ObjectMemberNames(dispatch::InterfaceOf(object), EventsOf(object))) {
          out.append(ToPyStr(name));
        }
        return out.release().ptr();
      },
      nullptr);
}

// Iterators come only from iter() of a collection (a type flag says so only from Python 3.10).
PyObject* RefuseIteratorNew(PyTypeObject*, PyObject*, PyObject*) {
  PyErr_SetString(PyExc_TypeError, "cannot create 'moxtrel.ItemIterator' instances");
  return nullptr;
}

// Wrappers come only from Wrap.
PyObject* RefuseNew(PyTypeObject*, PyObject*, PyObject*) {
  PyErr_SetString(PyExc_TypeError, "moxtrel.Object needs an object");
  return nullptr;
}

// The collector sees through a wrapper to the handlers of its object's events when the wrapper
// holds the object's last reference: a handler that refers to its own source then makes a
// cycle the collector can find and break, instead of a leak with a timer still running.
// While anything else holds the object, its handlers stay reachable from there.
int Traverse(PyObject* self, visitproc visit, void* arg) {
  Py_VISIT(Py_TYPE(self));
  const ObjectPtr& object = AsWrapper(self)->object;
  if (!object || object.use_count() != 1) return 0;
  return VisitHandlers(object.get(), visit, arg);
}

int Clear(PyObject* self) {
  const ObjectPtr& object = AsWrapper(self)->object;
  if (object && object.use_count() == 1) {
    try {
      ClearHandlers(object.get());
    } catch (...) {
      // Out of memory copying the list: the cycle stays, which is a leak, not a crash.
    }
  }
  return 0;
}

void WrapperDealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  PyObject_GC_UnTrack(self);
  WrapperObject* wrapper = AsWrapper(self);
  if (wrapper->weakrefs) PyObject_ClearWeakRefs(self);
  if (wrapper->object) State().live.Erase(wrapper->object.get(), self);
  wrapper->object.~ObjectPtr();  // may run Python code (an object's handlers going)
  // A plain wrapper's block is kept for the next one; a class given a finaliser, or a larger
  // layout, goes the usual way.
  ModuleState& state = State();
  if (type->tp_free == PyObject_GC_Del && !type->tp_finalize &&
      type->tp_basicsize == static_cast<Py_ssize_t>(sizeof(WrapperObject)) &&
      state.spare_count < ModuleState::kSpareWrappers) {
    state.spare_wrappers[state.spare_count++] = self;
  } else {
    type->tp_free(self);
  }
  Py_DECREF(type);
}

py::object MakeObjectType() {
  static PyMemberDef members[] = {
      {"__weaklistoffset__", T_PYSSIZET, offsetof(WrapperHead, weakrefs), READONLY, nullptr},
      {nullptr, 0, 0, 0, nullptr}};
  static PyMethodDef methods[] = {
      {"__dir__", &DirMethod, METH_NOARGS, "The object's visible members and events."},
      {nullptr, nullptr, 0, nullptr}};
  static PyType_Slot slots[] = {
      {Py_tp_doc,
       const_cast<char*>(
           "The base class of every moxtrel object; see help() of an object for its members.")},
      {Py_tp_new, reinterpret_cast<void*>(&RefuseNew)},
      {Py_tp_dealloc, reinterpret_cast<void*>(&WrapperDealloc)},
      {Py_tp_traverse, reinterpret_cast<void*>(&Traverse)},
      {Py_tp_clear, reinterpret_cast<void*>(&Clear)},
      {Py_tp_getattro, reinterpret_cast<void*>(&GetAttrSlot)},
      {Py_tp_setattro, reinterpret_cast<void*>(&SetAttrSlot)},
      {Py_tp_iter, reinterpret_cast<void*>(&IterSlot)},
      {Py_tp_call, reinterpret_cast<void*>(&CallSlot)},
      {Py_mp_subscript, reinterpret_cast<void*>(&SubscriptSlot)},
      {Py_tp_repr, reinterpret_cast<void*>(&ReprSlot)},
      {Py_tp_methods, methods},
      {Py_tp_members, members},
      {0, nullptr}};
  static PyType_Spec spec = {"moxtrel.Object", sizeof(WrapperObject), 0,
                             Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC, slots};
  PyObject* type = PyType_FromSpec(&spec);
  if (!type) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(type);
}

py::object MakeIteratorType() {
  static PyType_Slot slots[] = {
      {Py_tp_doc, const_cast<char*>("Walks a collection through its enumerator.")},
      {Py_tp_new, reinterpret_cast<void*>(&RefuseIteratorNew)},
      {Py_tp_dealloc, reinterpret_cast<void*>(&IteratorDealloc)},
      {Py_tp_iter, reinterpret_cast<void*>(&PyObject_SelfIter)},
      {Py_tp_iternext, reinterpret_cast<void*>(&NextSlot)},
      {0, nullptr}};
  static PyType_Spec spec = {"moxtrel.ItemIterator", sizeof(IteratorObject), 0, Py_TPFLAGS_DEFAULT,
                             slots};
  PyObject* type = PyType_FromSpec(&spec);
  if (!type) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(type);
}

const typelib::InterfaceInfo* EventsOfClass(const typelib::ClassBinding& binding) {
  if (binding.coclass.source.empty()) return nullptr;
  for (const auto& d : typelib::Library().dispinterfaces) {
    if (EqualsNoCase(d.name, binding.coclass.source)) return &d;
  }
  return nullptr;
}

// A class of its own per library class, made from a PyType_Spec rather than by calling type(): it
// then takes the wrapper's own deallocation directly, not the generic one of Python subclasses.
py::object MakeClass(std::u16string_view name, std::u16string_view description,
                     const typelib::InterfaceInfo* iface, const typelib::InterfaceInfo* events) {
  // The PyType_Spec's name must outlive the class.
  static auto* names = new std::deque<std::string>();
  const std::string& full = names->emplace_back("moxtrel." + ToUtf8(name));
  const std::string doc = ToUtf8(ClassDoc(name, description, iface, events));
  PyType_Slot slots[] = {{Py_tp_doc, const_cast<char*>(doc.c_str())},
                         {Py_tp_new, reinterpret_cast<void*>(&RefuseNew)},
                         {Py_tp_dealloc, reinterpret_cast<void*>(&WrapperDealloc)},
                         {Py_tp_traverse, reinterpret_cast<void*>(&Traverse)},
                         {Py_tp_clear, reinterpret_cast<void*>(&Clear)},
                         {0, nullptr}};
  PyType_Spec spec = {full.c_str(), sizeof(WrapperObject), 0,
                      Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC, slots};
  const py::tuple bases = py::make_tuple(State().object_type);
  PyObject* type = PyType_FromSpecWithBases(&spec, bases.ptr());
  if (!type) throw py::error_already_set();
  auto cls = py::reinterpret_steal<py::object>(type);
  State().classes[ToPyStr(name)] = cls;
  return cls;
}

PyTypeObject* ClassFor(const AutomationObject& object) {
  ModuleState& state = State();
  const typelib::InterfaceInfo* iface = dispatch::InterfaceOf(object);
  // An interface belongs to one type name: bindings are found by the exact name.
  if (iface && iface == state.last_iface) return reinterpret_cast<PyTypeObject*>(state.last_class);
  if (iface) {
    const auto known = state.class_of.find(iface);
    if (known != state.class_of.end()) {
      state.last_iface = iface;
      state.last_class = known->second;
      return reinterpret_cast<PyTypeObject*>(known->second);
    }
  }
  const py::str key = ToPyStr(object.TypeName());
  py::object cls;
  if (state.classes.contains(key)) {
    cls = state.classes[key];
  } else {
    const typelib::ClassBinding* binding = typelib::BindingForType(object.TypeName());
    cls = MakeClass(object.TypeName(), binding ? binding->coclass.description : u"", iface,
                    EventsOf(object));
  }
  if (iface) state.class_of[iface] = cls.ptr();
  return reinterpret_cast<PyTypeObject*>(cls.ptr());
}

}  // namespace

py::object Wrap(const ObjectPtr& object) {
  if (!object) return py::none();
  ModuleState& state = State();
  if (PyObject* known = state.live.Find(object.get())) {
    return py::reinterpret_borrow<py::object>(known);
  }
  PyTypeObject* cls = ClassFor(*object);
  PyObject* self = nullptr;
  if (state.spare_count > 0 && cls->tp_alloc == PyType_GenericAlloc &&
      cls->tp_basicsize == static_cast<Py_ssize_t>(sizeof(WrapperObject))) {
    // A kept block: untracked, its object and weak references gone; made new as tp_alloc would.
    self = state.spare_wrappers[--state.spare_count];
    AsWrapper(self)->weakrefs = nullptr;
    PyObject_Init(self, cls);
    PyObject_GC_Track(self);
  } else {
    self = cls->tp_alloc(cls, 0);
    if (!self) throw py::error_already_set();
  }
  new (&AsWrapper(self)->object) ObjectPtr(object);
  auto wrapper = py::reinterpret_steal<py::object>(self);
  // A wrapper made meanwhile (a finaliser run by the collector) stays the only one.
  PyObject* kept = State().live.Insert(object.get(), self);
  if (kept != self) return py::reinterpret_borrow<py::object>(kept);
  return wrapper;
}

ObjectPtr Unwrap(py::handle value) {
  auto* type = reinterpret_cast<PyTypeObject*>(State().object_type.ptr());
  if (!type || !PyObject_TypeCheck(value.ptr(), type)) return nullptr;
  return AsWrapper(value.ptr())->object;
}

std::size_t LiveWrappers() {
  return State().live.size();
}

void DefineObjectTypes(py::module_& m) {
  State().object_type = MakeObjectType();
  m.attr("Object") = State().object_type;
  State().iterator_type = MakeIteratorType();
  m.attr("ItemIterator") = State().iterator_type;

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

  // One Python class per library class, so help(), isinstance() and the stubs agree.
  for (const auto& binding : typelib::Library().classes) {
    if (!binding.published) continue;
    m.attr(ToPyStr(binding.coclass.name)) = MakeClass(
        binding.coclass.name, binding.coclass.description, &binding.iface, EventsOfClass(binding));
  }
}

}  // namespace moxtrel::python
