// The type library: every public class's interface in slot order with its DISPIDs, parameters
// and flags, the coclasses, the enums and the event interface, each member bound to the C++
// member it calls and described in one sentence for the library's readers. The dispatch layer
// (dispatch.h) reads it; so do `moxtrel typelib` and the script host's member listings.
//
//   const typelib::TypeLibrary& lib = typelib::Library();
//   std::string json = typelib::TypeLibraryJson(lib);
//   const typelib::InterfaceInfo* user = lib.FindInterface(u"_moxUser");
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/object.h"
#include "moxtrel/frame/variant.h"

namespace moxtrel {
class EventSink;
class CallArgs;
}  // namespace moxtrel

namespace moxtrel::typelib {

// What a parameter or result holds; `name` is what the library shows ("String", "moxUsers").
enum class TypeKind : uint8_t {
  kVoid,
  kString,
  kLong,
  kBoolean,
  kDate,
  kDouble,
  kVariant,
  kObject,
  kEnum
};

struct TypeRef {
  TypeKind kind = TypeKind::kVoid;
  std::u16string name;
  friend bool operator==(const TypeRef&, const TypeRef&) = default;
};

TypeRef Void();
TypeRef String();
TypeRef Long();
TypeRef Boolean();
TypeRef DateTime();
TypeRef Double();
TypeRef AnyVariant();
TypeRef Object(std::u16string class_name);  // an object of a class ("moxUsers")
TypeRef Enum(std::u16string enum_name);     // a Long that holds an enum value ("moxType")

struct ParamInfo {
  std::u16string name;
  TypeRef type;
  bool by_ref = true;
  bool optional = false;
  Variant default_value;  // Empty when the parameter has no default
};

enum class MemberKind : uint8_t { kGet, kPut, kPutRef, kMethod };
const char16_t* KindName(MemberKind kind) noexcept;  // "get", "put", "putref", "method"

// Calls the bound C++ member; `args` are already counted, defaulted and type-checked.
using Invoker = std::function<Variant(AutomationObject&, CallArgs&)>;

struct MemberInfo {
  std::u16string name;
  MemberKind kind = MemberKind::kGet;
  DispId dispid = 0;
  std::vector<ParamInfo> params;
  TypeRef result;  // Void for puts
  bool hidden = false;
  std::u16string description;  // one plain sentence; a property's get and put share it
  Invoker invoke;              // empty in event interfaces, which the library calls out through
};

// The slots that share one DISPID, by kind, as positions in an interface's members; -1 where
// there is none. `first` is the first of them in slot order, -1 for an unknown DISPID.
struct DispSlots {
  std::array<int16_t, 4> by_kind{-1, -1, -1, -1};  // indexed by MemberKind
  int16_t first = -1;
};

struct InterfaceInfo {
  std::u16string name;
  std::u16string description;
  std::vector<std::u16string> flags;  // "hidden", "nonextensible", "dual", "oleautomation"
  std::vector<MemberInfo> members;    // slot order, one entry per slot

  // The entries that share `dispid` (a property's get and put), in slot order.
  std::vector<const MemberInfo*> ByDispId(DispId dispid) const;
  // The same as positions by kind: from the index when Index() has run, else by a scan.
  DispSlots SlotsOf(DispId dispid) const;
  // Builds the DISPID index once the members are final (the library does it at start-up).
  void Index();
  // The DISPID of the member named `name` (without regard to case); false when there is none.
  bool FindDispId(std::u16string_view name, DispId& out) const;

  // Filled by Index(): an open-addressed table, a power of two long and at most half full,
  // probed from the DISPID's multiplicative hash; an empty entry has `slots.first` < 0.
  struct DispEntry {
    DispId id = 0;
    DispSlots slots;
  };
  std::vector<DispEntry> dispid_index;
  uint32_t dispid_shift = 32;

 private:
  DispSlots ScanSlots(DispId dispid) const;
};

inline DispSlots InterfaceInfo::SlotsOf(DispId dispid) const {
  if (dispid_index.empty()) return ScanSlots(dispid);
  const std::size_t mask = dispid_index.size() - 1;
  std::size_t at = (static_cast<uint32_t>(dispid) * 0x9E3779B1u) >> dispid_shift;
  for (;; at = (at + 1) & mask) {
    const DispEntry& e = dispid_index[at];
    if (e.slots.first < 0) return DispSlots{};
    if (e.id == dispid) return e.slots;
  }
}

struct EnumInfo {
  std::u16string name;
  std::u16string description;
  std::vector<std::pair<std::u16string, int32_t>> members;  // quoted names ("mox Local")
  std::vector<std::u16string> member_descriptions;          // one per member, in that order
};

// Subscribes a sink to a source object's events; the result undoes the subscription.
using EventConnector =
    std::function<std::function<void()>(AutomationObject&, std::shared_ptr<EventSink>)>;

struct CoClassInfo {
  std::u16string name;       // "moxUser"
  std::u16string interface;  // its default interface, "_moxUser"
  std::u16string description;
  bool creatable = false;
  bool appobject = false;
  std::u16string source;               // the default source interface, or empty
  std::function<ObjectPtr()> factory;  // set for creatable classes
  EventConnector connect;              // set for classes with a source interface
};

// One class as the dispatch layer sees it. Unpublished classes (the enumerator, test classes)
// dispatch like the others but stay out of the library's listings and dump.
struct ClassBinding {
  CoClassInfo coclass;
  InterfaceInfo iface;
  bool published = true;
  std::vector<std::u16string> problems;  // found while the table was written (a wrong arity)
};

struct TypeLibrary {
  std::u16string name;
  std::u16string helpstring;
  uint16_t major = 0;
  uint16_t minor = 0;
  uint32_t lcid = 0;
  std::vector<EnumInfo> enums;
  std::vector<ClassBinding> classes;
  std::vector<InterfaceInfo> dispinterfaces;  // event interfaces

  const ClassBinding* FindClass(std::u16string_view class_name) const;  // case-insensitive
  const InterfaceInfo* FindInterface(std::u16string_view interface_name) const;
};

// Problems that make a table unusable: two slots of one kind at one DISPID, one DISPID under
// two names, a name under two DISPIDs, an unbound member. Empty when the table is sound.
std::vector<std::u16string> CheckInterface(const InterfaceInfo& iface);

// What a client reading the library would find undocumented: each published class, interface,
// member slot, event interface, enum or enum member without a description, by name
// ("_moxUser.UserName (put)"). Library() refuses to start while this is not empty.
std::vector<std::u16string> Undescribed(const TypeLibrary& lib);

// The library with every public class, assembled once on first use and checked then.
const TypeLibrary& Library();
// Lists every class's table; defined next to the object model, called once by Library().
TypeLibrary BuildMoxtrelLibrary();

// Test hook: adds an unpublished class after checking its table (duplicate DISPIDs throw).
void RegisterExtraClass(ClassBinding binding);
// The class that dispatches for objects whose TypeName() is `type_name`, or null.
const ClassBinding* BindingForType(std::u16string_view type_name);
// A class of the library or a registered extra class, found without regard to case, or null.
const ClassBinding* FindAnyClass(std::u16string_view class_name);
// The enumerator's own (unpublished) table: Next, Skip, Reset, Clone.
ClassBinding EnumeratorBinding();

// The dump of `moxtrel typelib --json`: library, enums, interfaces, dispinterfaces, coclasses;
// each member with its kind, DISPID, parameters, return type and description.
std::string TypeLibraryJson(const TypeLibrary& lib);
// The readable listing of `moxtrel typelib`.
std::u16string TypeLibraryText(const TypeLibrary& lib);
// One class (its interface and coclass), dispinterface or enum of `lib`, found by name without
// regard to case, with its description and each member's (a `'` line under the member's last
// slot); errc::kUnknownName naming the classes there are.
std::u16string ClassText(const TypeLibrary& lib, std::u16string_view name);
// One line per member slot ("get Count() As Long"), for a host's prompt or help.
std::vector<std::u16string> DescribeMembers(const InterfaceInfo& iface);

}  // namespace moxtrel::typelib
