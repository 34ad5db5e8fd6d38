#include "binding/object_repr.h"

#include <pybind11/pybind11.h>

#include <optional>
#include <vector>

#include "binding/value_convert.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel::python {
namespace {

namespace py = pybind11;

// The value of the plain get `name`, or nothing when the class has none or the read fails. Only
// gets are called, never a method of that name.
std::optional<Variant> Read(AutomationObject& object, const typelib::InterfaceInfo& iface,
                            std::u16string_view name) {
  DispId id = 0;
  if (!iface.FindDispId(name, id)) return std::nullopt;
  const typelib::DispSlots slots = iface.SlotsOf(id);
  const int16_t get = slots.by_kind[static_cast<std::size_t>(typelib::MemberKind::kGet)];
  if (get < 0 || !iface.members[static_cast<std::size_t>(get)].params.empty()) return std::nullopt;
  try {
    std::vector<Variant> none;
    return dispatch::Invoke(object, id, kDispatchGet, none);
  } catch (const std::exception&) {
    return std::nullopt;  // a directory that cannot answer still lets the object show itself
  }
}

std::u16string ReadText(AutomationObject& object, const typelib::InterfaceInfo& iface,
                        std::u16string_view name) {
  const auto value = Read(object, iface, name);
  return value && value->IsString() ? value->AsString() : std::u16string();
}

}  // namespace

std::string ReprOf(AutomationObject& object) {
  const std::string head = "<moxtrel." + ToUtf8(object.TypeName());
  const typelib::InterfaceInfo* iface = dispatch::InterfaceOf(object);
  if (!iface) return head + " object>";
  if (const auto exists = Read(object, *iface, u"Exists");
      exists && exists->type() == VarType::kBoolean && !exists->ToBool()) {
    return head + " unbound>";
  }
  std::u16string name = ReadText(object, *iface, u"Name");
  if (name.empty()) name = ReadText(object, *iface, u"UserName");
  if (name.empty()) return head + " object>";
  // The parent's path: a global account's domain, a local one's server, a job's queue.
  for (const char16_t* parent : {u"Domain", u"Server", u"HostPrintQueue"}) {
    const std::u16string path = ReadText(object, *iface, parent);
    if (!path.empty()) {
      name = path + u"/" + name;
      break;
    }
  }
  // repr() of the text, so a name with quotes or control characters shows escaped.
  return head + " " + py::repr(ToPyStr(name)).cast<std::string>() + ">";
}

}  // namespace moxtrel::python
