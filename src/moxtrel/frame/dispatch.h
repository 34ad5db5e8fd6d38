// Late binding: members by name and DISPID, creation by class name, events, as a script host
// or any client without the C++ headers uses the object model.
//
//   ObjectPtr user = dispatch::CreateObject(u"Moxtrel.moxUser");
//   DispId find = dispatch::GetIDOfName(*user, u"find");            // case-insensitive
//   std::vector<Variant> args{Variant(u"alice"), Variant(u"CORP"), Variant(int32_t{2})};
//   Variant found = dispatch::Invoke(*user, find, kDispatchMethod, args);
//
// Arguments are given in call order; an omitted optional argument is Variant::Missing().
// By-reference arguments are written back into `args`. Failures throw AutomationError:
// errc::kUnknownName, kMemberNotFound, kBadParamCount, kParamNotOptional, kDispTypeMismatch, ...
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/frame/object.h"
#include "moxtrel/frame/variant.h"

namespace moxtrel {

namespace typelib {
struct InterfaceInfo;
}

using DispId = int32_t;

// Invoke flags; a script that cannot tell a method from a property passes get | method.
inline constexpr uint16_t kDispatchMethod = 0x1;
inline constexpr uint16_t kDispatchGet = 0x2;
inline constexpr uint16_t kDispatchPut = 0x4;
inline constexpr uint16_t kDispatchPutRef = 0x8;

inline constexpr DispId kDispIdValue = 0;     // the default member (Item)
inline constexpr DispId kDispIdNewEnum = -4;  // the enumerator
inline constexpr DispId kDispIdRefresh = -550;

// Receives the events of a source object, late-bound (NewJob of a print jobs collection).
class EventSink {
 public:
  virtual ~EventSink() = default;
  // `args` in declaration order; by-reference arguments may be changed by the sink.
  virtual void OnEvent(DispId id, std::u16string_view name, std::vector<Variant>& args) = 0;
};

namespace dispatch {

DispId GetIDOfName(const AutomationObject& object, std::u16string_view name);
Variant Invoke(AutomationObject& object, DispId id, uint16_t flags, std::vector<Variant>& args);
// Shorthand for GetIDOfName + Invoke.
Variant InvokeByName(AutomationObject& object, std::u16string_view name, uint16_t flags,
                     std::vector<Variant>& args);

// "Moxtrel.moxUser" or "moxUser"; kClassNotRegistered or kNotCreatable otherwise.
ObjectPtr CreateObject(std::u16string_view class_name);
// The global application object (moxCurrentEnvironment), created on first use.
ObjectPtr AppObject();

// Connects a sink to an object's default source interface; returns a cookie for Disconnect.
uint32_t Connect(const ObjectPtr& source, std::shared_ptr<EventSink> sink);
void Disconnect(const ObjectPtr& source, uint32_t cookie);

// Registration: the type library and one class-factory entry per creatable class. The library
// registers itself on first use; after UnregisterServer creation fails until RegisterServer.
void RegisterServer();
void UnregisterServer();
bool IsRegistered();
// The class-factory entries ("Moxtrel.moxUser"), empty while unregistered.
std::vector<std::u16string> RegisteredClasses();

// The interface describing an object's members, or null for an object that has none; a host
// lists it with typelib::DescribeMembers.
const typelib::InterfaceInfo* InterfaceOf(const AutomationObject& object);
// The library dump for `moxtrel typelib --json` and its readable form for `moxtrel typelib`.
std::string TypeLibraryJson();
std::u16string TypeLibraryText();
std::u16string TypeLibraryClassText(std::u16string_view name);

}  // namespace dispatch
}  // namespace moxtrel
