// Creation by class name, the global application object, registration and event connections.
#include <map>
#include <string>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel::dispatch {
namespace {

constexpr std::u16string_view kProgIdPrefix = u"Moxtrel.";

struct Connection {
  std::weak_ptr<AutomationObject> source;
  std::function<void()> undo;
};

struct Registry {
  enum class State { kFirstUse, kRegistered, kUnregistered };
  State state = State::kFirstUse;
  ObjectPtr app;
  std::map<uint32_t, Connection> connections;
  uint32_t next_cookie = 1;

  // The library registers itself on first use, but an explicit unregistration sticks.
  bool Registered() {
    if (state == State::kFirstUse) state = State::kRegistered;
    return state == State::kRegistered;
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

std::u16string BareName(std::u16string_view name) {
  if (name.size() > kProgIdPrefix.size() &&
      EqualsNoCase(name.substr(0, kProgIdPrefix.size()), kProgIdPrefix)) {
    name.remove_prefix(kProgIdPrefix.size());
  }
  return std::u16string(name);
}

[[noreturn]] void NotRegistered(std::u16string_view name) {
  throw AutomationError(errc::kClassNotRegistered,
                        u"The class \"" + std::u16string(name) + u"\" is not registered");
}

}  // namespace

ObjectPtr CreateObject(std::u16string_view class_name) {
  const std::u16string bare = BareName(class_name);
  const typelib::ClassBinding* binding = typelib::FindAnyClass(bare);
  if (!binding || !TheRegistry().Registered()) NotRegistered(class_name);
  if (!binding->coclass.creatable) {
    throw AutomationError(
        errc::kNotCreatable,
        binding->coclass.name + u" cannot be created by name; it is reached through its owner");
  }
  ObjectPtr object = binding->coclass.factory();
  if (!object) {
    throw AutomationError(errc::kFail, binding->coclass.name + u": the factory made no object");
  }
  return object;
}

ObjectPtr AppObject() {
  Registry& registry = TheRegistry();
  if (!registry.Registered()) NotRegistered(u"the global application object");
  if (!registry.app) {
    for (const auto& c : typelib::Library().classes) {
      if (c.coclass.appobject && c.coclass.factory) {
        registry.app = c.coclass.factory();
        break;
      }
    }
    if (!registry.app) NotRegistered(u"the global application object");
  }
  return registry.app;
}

uint32_t Connect(const ObjectPtr& source, std::shared_ptr<EventSink> sink) {
  if (!source) throw AutomationError(errc::kInvalidArg, u"Connect: no source object");
  if (!sink) throw AutomationError(errc::kInvalidArg, u"Connect: no event sink");
  const typelib::ClassBinding* binding = typelib::BindingForType(source->TypeName());
  if (!binding || !binding->coclass.connect) {
    throw AutomationError(errc::kNoInterface,
                          u"Connect: " + std::u16string(source->TypeName()) + u" raises no events");
  }
  Registry& registry = TheRegistry();
  // Connections whose source has gone need no undoing.
  std::erase_if(registry.connections, [](const auto& c) { return c.second.source.expired(); });
  std::function<void()> undo = binding->coclass.connect(*source, std::move(sink));
  const uint32_t cookie = registry.next_cookie++;
  registry.connections.emplace(cookie, Connection{source, std::move(undo)});
  return cookie;
}

void Disconnect(const ObjectPtr& source, uint32_t cookie) {
  Registry& registry = TheRegistry();
  auto it = registry.connections.find(cookie);
  if (!source || it == registry.connections.end() || it->second.source.lock() != source) {
    throw AutomationError(errc::kInvalidArg, u"Disconnect: " +
                                                 DecimalText(static_cast<int64_t>(cookie)) +
                                                 u" is not a connection of this object");
  }
  std::function<void()> undo = std::move(it->second.undo);
  registry.connections.erase(it);
  if (undo) undo();
}

void RegisterServer() {
  typelib::Library();  // a broken table fails here, at install time
  TheRegistry().state = Registry::State::kRegistered;
}

void UnregisterServer() {
  Registry& registry = TheRegistry();
  registry.state = Registry::State::kUnregistered;
  registry.app.reset();
}

bool IsRegistered() {
  return TheRegistry().Registered();
}

std::vector<std::u16string> RegisteredClasses() {
  std::vector<std::u16string> out;
  if (!IsRegistered()) return out;
  for (const auto& c : typelib::Library().classes) {
    if (c.published && c.coclass.creatable)
      out.push_back(std::u16string(kProgIdPrefix) + c.coclass.name);
  }
  return out;
}

}  // namespace moxtrel::dispatch
