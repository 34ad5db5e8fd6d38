// The type library written out: JSON for tools, text for people.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel::typelib {
namespace {

using nlohmann::json;

std::string U8(std::u16string_view s) {
  return ToUtf8(s);
}

json DefaultJson(const Variant& v) {
  switch (v.type()) {
    case VarType::kEmpty:
    case VarType::kMissing:
      return nullptr;
    case VarType::kString:
      return U8(v.AsString());
    case VarType::kBoolean:
      return v.ToBool();
    case VarType::kInteger:
    case VarType::kLong:
      return v.ToLong();
    default:
      return v.ToDouble();
  }
}

json InterfaceJson(const InterfaceInfo& iface) {
  json flags = json::array();
  for (const auto& f : iface.flags) flags.push_back(U8(f));
  json members = json::array();
  for (const auto& m : iface.members) {
    json params = json::array();
    for (const auto& p : m.params) {
      params.push_back({{"name", U8(p.name)},
                        {"type", U8(p.type.name)},
                        {"byref", p.by_ref},
                        {"optional", p.optional},
                        {"default", DefaultJson(p.default_value)}});
    }
    members.push_back({{"name", U8(m.name)},
                       {"kind", U8(KindName(m.kind))},
                       {"dispid", m.dispid},
                       {"params", std::move(params)},
                       {"returns", U8(m.result.name)},
                       {"hidden", m.hidden},
                       {"description", U8(m.description)}});
  }
  return {{"name", U8(iface.name)},
          {"description", U8(iface.description)},
          {"flags", std::move(flags)},
          {"members", std::move(members)}};
}

std::u16string Hex(uint32_t v) {
  return HexText(v, 8, /*prefixed=*/true);
}

std::u16string Number(int64_t v) {
  return DecimalText(static_cast<int64_t>(v));
}

std::u16string DescribeMember(const MemberInfo& m) {
  std::u16string line =
      Hex(static_cast<uint32_t>(m.dispid)) + u" " + KindName(m.kind) + u" " + m.name + u"(";
  for (std::size_t i = 0; i < m.params.size(); ++i) {
    const auto& p = m.params[i];
    if (i) line += u", ";
    if (p.optional) line += u"[";
    line += (p.by_ref ? u"" : u"ByVal ") + p.name + u" As " + p.type.name;
    if (p.optional && !p.default_value.IsEmpty()) {
      line += u" = " + (p.default_value.IsString() ? u"\"" + p.default_value.AsString() + u"\""
                                                   : p.default_value.Describe());
    }
    if (p.optional) line += u"]";
  }
  line += u")";
  if (m.result.kind != TypeKind::kVoid) line += u" As " + m.result.name;
  if (m.hidden) line += u" [hidden]";
  return line;
}

std::u16string FlagList(const std::vector<std::u16string>& flags) {
  std::u16string out;
  for (const auto& f : flags) out += (out.empty() ? u"" : u", ") + f;
  return u"[" + out + u"]";
}

std::u16string EnumMemberDescription(const EnumInfo& e, std::size_t i) {
  return i < e.member_descriptions.size() ? e.member_descriptions[i] : std::u16string();
}

// An interface with each member's description under its last slot, so a property's get and put
// are followed by the one sentence they share.
std::u16string DescribedInterface(const std::u16string& word, const InterfaceInfo& iface) {
  std::u16string out = word + u" " + iface.name + u" " + FlagList(iface.flags) + u"\n";
  if (!iface.description.empty()) out += u"  ' " + iface.description + u"\n";
  const auto& members = iface.members;
  for (std::size_t i = 0; i < members.size(); ++i) {
    const MemberInfo& m = members[i];
    out += u"  " + DescribeMember(m) + u"\n";
    const bool shared_with_next = i + 1 < members.size() && members[i + 1].name == m.name &&
                                  members[i + 1].description == m.description;
    if (!m.description.empty() && !shared_with_next) out += u"      ' " + m.description + u"\n";
  }
  return out;
}

std::u16string EnumText(const EnumInfo& e) {
  std::u16string out = u"enum " + e.name + u"\n";
  if (!e.description.empty()) out += u"  ' " + e.description + u"\n";
  for (std::size_t i = 0; i < e.members.size(); ++i) {
    out += u"  \"" + e.members[i].first + u"\" = " + Number(e.members[i].second);
    const std::u16string text = EnumMemberDescription(e, i);
    if (!text.empty()) out += u"  ' " + text;
    out += u"\n";
  }
  return out;
}

}  // namespace

std::string TypeLibraryJson(const TypeLibrary& lib) {
  json enums = json::array();
  for (const auto& e : lib.enums) {
    json members = json::array();
    for (std::size_t i = 0; i < e.members.size(); ++i) {
      members.push_back({{"name", U8(e.members[i].first)},
                         {"value", e.members[i].second},
                         {"description", U8(EnumMemberDescription(e, i))}});
    }
    enums.push_back({{"name", U8(e.name)},
                     {"description", U8(e.description)},
                     {"members", std::move(members)}});
  }
  json interfaces = json::array();
  json coclasses = json::array();
  for (const auto& c : lib.classes) {
    if (!c.published) continue;
    interfaces.push_back(InterfaceJson(c.iface));
    coclasses.push_back(
        {{"name", U8(c.coclass.name)},
         {"interface", U8(c.coclass.interface)},
         {"creatable", c.coclass.creatable},
         {"appobject", c.coclass.appobject},
         {"description", U8(c.coclass.description)},
         {"source", c.coclass.source.empty() ? json(nullptr) : json(U8(c.coclass.source))}});
  }
  json dispinterfaces = json::array();
  for (const auto& d : lib.dispinterfaces) dispinterfaces.push_back(InterfaceJson(d));
  json out = {{"library",
               {{"name", U8(lib.name)},
                {"helpstring", U8(lib.helpstring)},
                {"version", std::to_string(lib.major) + "." + std::to_string(lib.minor)},
                {"lcid", lib.lcid}}},
              {"enums", std::move(enums)},
              {"interfaces", std::move(interfaces)},
              {"dispinterfaces", std::move(dispinterfaces)},
              {"coclasses", std::move(coclasses)}};
  return out.dump(2);
}

std::vector<std::u16string> DescribeMembers(const InterfaceInfo& iface) {
  std::vector<std::u16string> out;
  for (const auto& m : iface.members) out.push_back(DescribeMember(m));
  return out;
}

std::u16string TypeLibraryText(const TypeLibrary& lib) {
  std::u16string out = u"library " + lib.name + u" \"" + lib.helpstring + u"\" version " +
                       Number(lib.major) + u"." + Number(lib.minor) + u" lcid " + Hex(lib.lcid) +
                       u"\n";
  for (const auto& e : lib.enums) {
    out += u"\nenum " + e.name + u"\n";
    for (const auto& [name, value] : e.members)
      out += u"  \"" + name + u"\" = " + Number(value) + u"\n";
  }
  const auto write_interface = [&out](const std::u16string& word, const InterfaceInfo& iface) {
    out += u"\n" + word + u" " + iface.name + u" " + FlagList(iface.flags) + u"\n";
    for (const auto& line : DescribeMembers(iface)) out += u"  " + line + u"\n";
  };
  for (const auto& c : lib.classes) {
    if (c.published) write_interface(u"interface", c.iface);
  }
  for (const auto& d : lib.dispinterfaces) write_interface(u"dispinterface", d);
  for (const auto& c : lib.classes) {
    if (!c.published) continue;
    out += u"\ncoclass " + c.coclass.name + u" : " + c.coclass.interface;
    if (c.coclass.creatable) out += u" [creatable]";
    if (c.coclass.appobject) out += u" [appobject]";
    if (!c.coclass.source.empty()) out += u" [source " + c.coclass.source + u"]";
  }
  out += u"\n";
  return out;
}

std::u16string ClassText(const TypeLibrary& lib, std::u16string_view name) {
  for (const auto& c : lib.classes) {
    if (!c.published ||
        (!EqualsNoCase(c.coclass.name, name) && !EqualsNoCase(c.iface.name, name))) {
      continue;
    }
    std::u16string out = DescribedInterface(u"interface", c.iface);
    out += u"coclass " + c.coclass.name + u" : " + c.coclass.interface;
    if (c.coclass.creatable) out += u" [creatable]";
    if (c.coclass.appobject) out += u" [appobject]";
    if (!c.coclass.source.empty()) out += u" [source " + c.coclass.source + u"]";
    return out + u"\n";
  }
  for (const auto& d : lib.dispinterfaces) {
    if (EqualsNoCase(d.name, name)) return DescribedInterface(u"dispinterface", d);
  }
  for (const auto& e : lib.enums) {
    if (EqualsNoCase(e.name, name)) return EnumText(e);
  }
  std::u16string known;
  for (const auto& c : lib.classes) {
    if (c.published) known += (known.empty() ? u"" : u", ") + c.coclass.name;
  }
  throw AutomationError(errc::kUnknownName, u"The type library has no class, interface or enum " +
                                                Quoted(name) + u"; its classes are " + known);
}

}  // namespace moxtrel::typelib
