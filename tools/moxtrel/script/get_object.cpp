#include "get_object.h"

#include <vector>

#include "moxtrel/directory/path.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_path.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/enums.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "script_error.h"

namespace moxtrel::script {
namespace {

constexpr const char* kWhere = "GetObject";

Variant Call(const ObjectPtr& object, std::u16string_view member, uint16_t flags,
             std::vector<Variant> args) {
  return dispatch::Invoke(*object, dispatch::GetIDOfName(*object, member), flags, args);
}

// CreateObject(class), then `Find name, parent[, extra]`; false when Find does not bind.
ObjectPtr Found(std::u16string_view class_name, std::vector<Variant> find_args) {
  ObjectPtr object = dispatch::CreateObject(class_name);
  if (!Call(object, u"Find", kDispatchMethod, std::move(find_args)).ToBool()) return nullptr;
  return object;
}

// CreateObject(class), then `.Name = name`.
ObjectPtr Named(std::u16string_view class_name, const std::u16string& name) {
  ObjectPtr object = dispatch::CreateObject(class_name);
  Call(object, u"Name", kDispatchPut, {Variant(name)});
  return object;
}

std::shared_ptr<directory::IADs> BindPath(std::u16string_view path) {
  return directory::CurrentProvider()->GetObject(path);
}

// The last name in a provider path: "HB-FILES" from "WinNT://HARBOR/HB-FILES".
std::u16string LastName(std::u16string_view path) {
  return directory::ParsePath(path).components.back();
}

ObjectPtr FromBound(directory::IADs& bound, directory::ObjectKind kind,
                    const std::u16string& path) {
  using directory::ObjectKind;
  const std::u16string name = bound.Name();
  const std::u16string parent_path = bound.Parent();
  const std::u16string parent = directory::NameFromPath(parent_path);
  switch (kind) {
    case ObjectKind::kDomain:
      return Named(u"moxDomain", name);
    case ObjectKind::kComputer:
      return Named(u"moxServer", name);
    case ObjectKind::kUser: {
      // A domain holds global accounts; a computer local ones.
      const auto scope = directory::KindFromClassWord(BindPath(parent_path)->Class());
      const moxType type = scope == ObjectKind::kDomain ? moxType::moxGlobal : moxType::moxLocal;
      return Found(u"moxUser",
                   {Variant(name), Variant(parent), Variant(static_cast<int32_t>(type))});
    }
    case ObjectKind::kGroup:
      return Found(u"moxGroup", {Variant(name), Variant(parent)});
    case ObjectKind::kService:
      return Found(u"moxService", {Variant(name), Variant(parent)});
    case ObjectKind::kPrintQueue:
      return Found(u"moxPrintQueue", {Variant(name), Variant(parent)});
    case ObjectKind::kFileShare:
      // A share sits under the computer's file service; Find takes the computer alone.
      return Found(u"moxFileShare",
                   {Variant(name), Variant(LastName(BindPath(parent_path)->Parent()))});
    case ObjectKind::kPrintJob: {
      const ObjectPtr queue = GetObject(parent_path);
      const Variant jobs = Call(queue, u"PrintJobs", kDispatchGet, {});
      return Call(jobs.AsObject(), u"Item", kDispatchGet | kDispatchMethod, {Variant(name)})
          .AsObject();
    }
    case ObjectKind::kFileService:
      break;
  }
  throw RuntimeError(errc::kNotSupported,
                     u"\"" + path +
                         u"\" is a computer's file service, which has no class of its own; "
                         u"ask for one of its shares or for the computer",
                     kWhere);
}

}  // namespace

ObjectPtr GetObject(const std::u16string& path) {
  if (path.size() < directory::kScheme.size() ||
      !EqualsNoCase(path.substr(0, directory::kScheme.size()), directory::kScheme)) {
    throw RuntimeError(errc::kBadPathname,
                       u"\"" + path + u"\" is not a directory path; write one as " +
                           std::u16string(directory::kScheme) + u"domain/name,class",
                       kWhere);
  }
  try {
    directory::ParsePath(path);
  } catch (const AutomationError& e) {
    throw RuntimeError(e.code(), u"\"" + path + u"\" is malformed: " + e.description(), kWhere);
  }
  std::shared_ptr<directory::IADs> bound;
  std::optional<directory::ObjectKind> kind;
  try {
    bound = BindPath(path);
    kind = directory::KindFromClassWord(bound->Class());
  } catch (const AutomationError& e) {
    throw RuntimeError(e.code(), u"no object at \"" + path + u"\": " + e.description(), kWhere);
  }
  if (!kind) {
    throw RuntimeError(errc::kUnknownObject,
                       u"\"" + path + u"\" names a " + bound->Class() +
                           u", which the object model has no class for",
                       kWhere);
  }
  ObjectPtr object;
  try {
    object = FromBound(*bound, *kind, path);
  } catch (const AutomationError& e) {
    throw RuntimeError(e.code(), u"\"" + path + u"\" could not be bound: " + e.description(),
                       kWhere);
  }
  if (!object) {
    throw RuntimeError(errc::kNoSuchObject,
                       u"\"" + path + u"\" names a " + std::u16string(directory::KindNoun(*kind)) +
                           u" that its class's Find could not bind",
                       kWhere);
  }
  return object;
}

}  // namespace moxtrel::script
