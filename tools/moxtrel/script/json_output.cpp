#include "json_output.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "host_object.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/enumerator.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"
#include "script_error.h"

namespace moxtrel::script {
namespace {

using Json = nlohmann::ordered_json;

// How much of an object to show: everything at the top and for a collection's items; inside
// those, the class alone.
enum class Detail { kFull, kClassOnly };

Json ValueJson(const Variant& v, Detail detail);

std::string IsoDate(const Date& d) {
  const Date::Civil c = d.ToCivil();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", c.year, c.month, c.day, c.hour,
                c.minute, c.second);
  return buf;
}

// Runs a read, turning its failure into the text shown under "errors".
template <class F>
bool TryRead(Json& errors, const std::u16string& name, F&& read) {
  try {
    read();
    return true;
  } catch (const AutomationError& e) {
    errors[ToUtf8(name)] = ToUtf8(e.description());
  } catch (const RuntimeError& e) {
    errors[ToUtf8(name)] = ToUtf8(e.description());
  }
  return false;
}

Json HostObjectJson(HostObject& host) {
  Json out = {{"class", ToUtf8(host.TypeName())}};
  Json properties = Json::object();
  Json errors = Json::object();
  // Describe lists "Number (get, put): Long": read each property that takes no argument.
  for (const auto& line : host.Describe()) {
    const size_t space = line.find(' ');
    if (line.find("(get", space) != space + 1 || line.find("default") != std::string::npos) {
      continue;
    }
    const std::u16string name = FromUtf8(line.substr(0, space));
    TryRead(errors, name, [&] {
      std::vector<Variant> none;
      properties[ToUtf8(name)] = ValueJson(host.Call(name, kDispatchGet, none), Detail::kClassOnly);
    });
  }
  out["properties"] = std::move(properties);
  if (auto items = host.Items()) {
    Json list = Json::array();
    for (const auto& item : *items) list.push_back(ValueJson(item, Detail::kClassOnly));
    out["items"] = std::move(list);
  }
  if (!errors.empty()) out["errors"] = std::move(errors);
  return out;
}

Json ObjectJson(const ObjectPtr& object, Detail detail) {
  if (!object) return nullptr;
  if (auto* host = dynamic_cast<HostObject*>(object.get())) {
    return detail == Detail::kFull ? HostObjectJson(*host)
                                   : Json{{"class", ToUtf8(host->TypeName())}};
  }
  Json out = {{"class", ToUtf8(object->TypeName())}};
  const typelib::ClassBinding* binding = typelib::BindingForType(object->TypeName());
  if (detail == Detail::kClassOnly || !binding) return out;
  Json properties = Json::object();
  Json errors = Json::object();
  bool enumerable = false;
  for (const auto& m : binding->iface.members) {
    if (m.dispid == kDispIdNewEnum) enumerable = true;
    if (m.kind != typelib::MemberKind::kGet || m.hidden) continue;
    bool needs_argument = false;
    for (const auto& p : m.params) needs_argument = needs_argument || !p.optional;
    if (needs_argument) continue;
    TryRead(errors, m.name, [&] {
      std::vector<Variant> none;
      const Variant value = dispatch::Invoke(*object, m.dispid, kDispatchGet, none);
      properties[ToUtf8(m.name)] = ValueJson(value, Detail::kClassOnly);
    });
  }
  out["properties"] = std::move(properties);
  if (enumerable) {
    TryRead(errors, u"items", [&] {
      std::vector<Variant> none;
      const Variant e =
          dispatch::Invoke(*object, kDispIdNewEnum, kDispatchGet | kDispatchMethod, none);
      auto enumerator =
          e.IsObject() ? std::dynamic_pointer_cast<Enumerator>(e.AsObject()) : nullptr;
      if (!enumerator) return;
      Json items = Json::array();
      while (auto item = enumerator->Next()) items.push_back(ValueJson(*item, Detail::kFull));
      out["items"] = std::move(items);
    });
  }
  if (!errors.empty()) out["errors"] = std::move(errors);
  return out;
}

Json ValueJson(const Variant& v, Detail detail) {
  switch (v.type()) {
    case VarType::kEmpty:
    case VarType::kMissing:
      return nullptr;
    case VarType::kBoolean:
      return v.ToBool();
    case VarType::kInteger:
    case VarType::kLong:
      return v.ToLong();
    case VarType::kDouble: {
      const double d = v.ToDouble();
      return std::isfinite(d) ? Json(d) : Json(nullptr);
    }
    case VarType::kDate:
      // The empty date is no date: 0.0 would read as 30 December 1899.
      if (v.ToDate().value == 0.0) return nullptr;
      return IsoDate(v.ToDate());
    case VarType::kString:
      return ToUtf8(v.AsString());
    case VarType::kObject:
      return ObjectJson(v.AsObject(), detail);
    case VarType::kByteArray: {
      Json bytes = Json::array();
      for (uint8_t b : v.AsBytes()) bytes.push_back(b);
      return bytes;
    }
    case VarType::kArray: {
      Json items = Json::array();
      for (const auto& item : v.AsArray().items) items.push_back(ValueJson(item, detail));
      return items;
    }
  }
  return nullptr;
}

}  // namespace

std::string PrintJson(const std::vector<Variant>& values) {
  if (values.size() == 1) return ValueJson(values[0], Detail::kFull).dump();
  Json all = Json::array();
  for (const auto& v : values) all.push_back(ValueJson(v, Detail::kFull));
  return all.dump();
}

std::string ErrorJson(const ErrorReport& error) {
  Json out = Json::object();
  out["code"] = error.code ? Json(*error.code) : Json(nullptr);
  out["source"] = error.source;
  out["description"] = error.description;
  out["file"] = error.file.empty() ? Json(nullptr) : Json(error.file);
  out["line"] = error.line > 0 ? Json(error.line) : Json(nullptr);
  if (error.column > 0) out["column"] = error.column;
  if (!error.stack.empty()) {
    Json stack = Json::array();
    for (const auto& frame : error.stack) {
      stack.push_back({{"procedure", frame.procedure}, {"line", frame.line}});
    }
    out["stack"] = std::move(stack);
  }
  // Text from a file or the system may hold bytes that are not UTF-8: replace, never throw.
  return out.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace moxtrel::script
