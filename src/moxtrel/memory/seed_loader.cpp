#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/memory/directory_core.h"
#include "moxtrel/memory/memory_directory.h"
#include "moxtrel/memory/seed_json.h"
#include "moxtrel/platform/regular_file.h"

namespace moxtrel::directory {
namespace {

using Type = SeedValue::Type;

struct PendingMember {
  NodePtr group;
  std::string member_path;
  int line;
  std::string context;
};

class Loader {
 public:
  Loader(DirectoryCore& core, const std::string& source) : core_(core), source_(source) {}

  void Load(const SeedValue& root) {
    Expect(root, Type::kObject, "the seed");
    for (std::size_t i = 0; i < root.members.size(); ++i) {
      const auto& [key, key_line, value] = root.members[i];
      if (key == "comment") continue;
      if (key == "domains") {
        for (const auto& d : List(value, "domains")) Object(d, ObjectKind::kDomain, nullptr, "");
      } else if (key == "computers") {
        for (const auto& c : List(value, "computers")) {
          Object(c, ObjectKind::kComputer, nullptr, "");
        }
      } else {
        Fail(key_line, "the seed",
             "unknown key \"" + key + "\" (expected \"domains\" or \"computers\")");
      }
    }
    for (const auto& m : members_) {
      Guard(m.line, m.context,
            [&] { core_.AddMember(m.group, core_.Resolve(FromUtf8(m.member_path))); });
    }
  }

 private:
  [[noreturn]] void Fail(int line, const std::string& context, const std::string& why) const {
    throw SeedError(source_, line, context + ": " + why);
  }

  template <class F>
  void Guard(int line, const std::string& context, F&& f) const {
    try {
      f();
    } catch (const AutomationError& e) {
      Fail(line, context, ToUtf8(e.description()));
    }
  }

  void Expect(const SeedValue& v, Type type, const std::string& context) const {
    if (v.type != type) {
      SeedValue wanted;
      wanted.type = type;
      Fail(v.line, context,
           "expected " + std::string(wanted.TypeName()) + ", found " + std::string(v.TypeName()));
    }
  }

  const std::vector<SeedValue>& List(const SeedValue& v, const std::string& key) const {
    Expect(v, Type::kArray, "\"" + key + "\"");
    return v.items;
  }

  static std::string Noun(ObjectKind kind) { return ToUtf8(KindNoun(kind)); }

  // Which keys hold children of which kind.
  static std::optional<ObjectKind> ChildKey(ObjectKind parent, std::string_view key) {
    switch (parent) {
      case ObjectKind::kDomain:
        if (key == "users") return ObjectKind::kUser;
        if (key == "groups") return ObjectKind::kGroup;
        if (key == "computers") return ObjectKind::kComputer;
        break;
      case ObjectKind::kComputer:
        if (key == "users") return ObjectKind::kUser;
        if (key == "groups") return ObjectKind::kGroup;
        if (key == "services") return ObjectKind::kService;
        if (key == "printQueues") return ObjectKind::kPrintQueue;
        if (key == "shares") return ObjectKind::kFileShare;
        break;
      case ObjectKind::kPrintQueue:
        if (key == "jobs") return ObjectKind::kPrintJob;
        break;
      default:
        break;
    }
    return std::nullopt;
  }

  void Object(const SeedValue& v, ObjectKind kind, const NodePtr& parent,
              const std::string& parent_context) {
    std::string context = Noun(kind);
    Expect(v, Type::kObject,
           "a " + context + (parent_context.empty() ? "" : " in " + parent_context));
    // A job's name is optional: without one it takes its queue's next free number.
    std::u16string name;
    const SeedValue* n = v.Find("name");
    const bool numbered = kind == ObjectKind::kPrintJob && !n;
    int32_t number = 0;
    if (numbered) {
      Guard(v.line, "a " + context + " in " + parent_context,
            [&] { number = DirectoryCore::FreeJobNumber(parent); });
      name = FromUtf8(std::to_string(number));
      context += " " + ToUtf8(name);
    } else {
      if (!n)
        Fail(v.line, "a " + context + (parent_context.empty() ? "" : " in " + parent_context),
             "\"name\" is missing");
      Expect(*n, Type::kString, context + " name");
      name = FromUtf8(n->text);
      context += " '" + n->text + "'";
    }
    if (!parent_context.empty()) context += " in " + parent_context;

    NodePtr container = parent;
    if (kind == ObjectKind::kFileShare)
      container = parent->ChildIn(Namespace::kFileServices, kFileServiceName);
    NodePtr node = core_.NewNode(kind, name, container);
    if (kind == ObjectKind::kPrintJob) {
      node->attributes[u"Position"] =
          Variant(static_cast<int32_t>(parent->CountIn(Namespace::kJobs) + 1));
    }
    // Attributes first (GroupType decides the kind of group), then the name rules.
    for (std::size_t i = 0; i < v.members.size(); ++i) {
      const auto& [key, key_line, value] = v.members[i];
      if (key == "name" || key == "comment" || key == "members" || key == "password" ||
          ChildKey(kind, key)) {
        continue;
      }
      const AttributeDef* def = FindAttribute(kind, FromUtf8(key));
      if (!def) {
        Fail(key_line, context,
             "unknown key \"" + key + "\" (not an attribute of a " + Noun(kind) + ")");
      }
      Variant converted = Convert(value, *def, context);
      Guard(value.line, context,
            [&] { DirectoryCore::SeedAttribute(*node, def->name, converted); });
    }
    if (const SeedValue* pw = v.Find("password")) {
      if (kind != ObjectKind::kUser && kind != ObjectKind::kService) {
        Fail(pw->line, context, "only users and services take a \"password\"");
      }
      Expect(*pw, Type::kString, context + " password");
      node->password = FromUtf8(pw->text);
    }
    Guard(v.line, context, [&] {
      if (kind == ObjectKind::kGroup) {
        int32_t type = GroupScope(node->attributes.Find(u"GroupType")->ToLong());
        if (type != kGroupTypeLocal &&
            (type != kGroupTypeGlobal || parent->kind == ObjectKind::kComputer)) {
          throw AutomationError(
              errc::kInvalidArg,
              u"the group type " + FromUtf8(std::to_string(type)) + u" is not allowed here");
        }
      }
      core_.Attach(node);
    });
    if (numbered) parent->Own().next_job_number = number + 1;

    if (const SeedValue* m = v.Find("members")) {
      if (kind != ObjectKind::kGroup) Fail(m->line, context, "only groups have \"members\"");
      for (const auto& item : List(*m, "members")) {
        Expect(item, Type::kString, context + " member");
        members_.push_back({node, item.text, item.line, context});
      }
    }
    for (const auto& [key, key_line, value] : v.members) {
      if (auto child = ChildKey(kind, key)) {
        const auto& list = List(value, key);
        if (*child != ObjectKind::kFileShare) node->Own().Reserve(NamespaceOf(*child), list.size());
        for (const auto& c : list) Object(c, *child, node, context);
      }
    }
  }

  Variant Convert(const SeedValue& v, const AttributeDef& def, const std::string& context) {
    std::string where = context + " " + ToUtf8(def.name);
    switch (v.type) {
      case Type::kString:
        if (def.type == AttributeType::kDate) return ParseDate(v, where);
        if (def.type == AttributeType::kBytes) return ParseHex(v, where);
        return Variant(FromUtf8(v.text));
      case Type::kBoolean:
        return Variant::Boolean(v.boolean);
      case Type::kInteger:
        if (v.integer_too_large || v.integer < INT32_MIN || v.integer > INT32_MAX) {
          Fail(v.line, where, "the number is outside the 32-bit range");
        }
        if (def.type == AttributeType::kDate) return Variant(static_cast<double>(v.integer));
        return Variant(static_cast<int32_t>(v.integer));
      case Type::kFloat:
        return Variant(v.number);
      case Type::kArray:
        return Array(v.items, 0, where);
      case Type::kObject: {
        const SeedValue* lb = v.Find("lowerBound");
        const SeedValue* items = v.Find("items");
        if (!lb || !items || v.members.size() != 2 || lb->type != Type::kInteger ||
            items->type != Type::kArray) {
          Fail(v.line, where, "an object value must be {\"lowerBound\": n, \"items\": [...]}");
        }
        return Array(items->items, static_cast<int32_t>(lb->integer), where);
      }
      case Type::kNull:
        break;
    }
    Fail(v.line, where, "null is not a value; leave the attribute out instead");
  }

  Variant Array(const std::vector<SeedValue>& items, int32_t lower_bound,
                const std::string& where) {
    VariantArray array;
    array.lower_bound = lower_bound;
    for (const auto& item : items) {
      switch (item.type) {
        case Type::kString:
          array.items.emplace_back(FromUtf8(item.text));
          break;
        case Type::kInteger:
          array.items.emplace_back(static_cast<int32_t>(item.integer));
          break;
        case Type::kFloat:
          array.items.emplace_back(item.number);
          break;
        case Type::kBoolean:
          array.items.push_back(Variant::Boolean(item.boolean));
          break;
        default:
          Fail(item.line, where, "array items must be strings, numbers or booleans");
      }
    }
    return Variant(std::move(array));
  }

  // "YYYY-MM-DD", optionally followed by " HH:MM" or " HH:MM:SS" (or "T" instead of the blank).
  Variant ParseDate(const SeedValue& v, const std::string& where) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char sep = 0;
    int n = std::sscanf(v.text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d", &y, &mo, &d, &sep, &h, &mi, &s);
    bool ok = (n == 3 && v.text.size() == 10) || ((n == 6 || n == 7) && (sep == ' ' || sep == 'T'));
    if (!ok || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || y < 100) {
      Fail(v.line, where,
           "a date is written \"YYYY-MM-DD\", \"YYYY-MM-DD HH:MM\" or \"YYYY-MM-DD HH:MM:SS\" (a "
           "\"T\" may stand for the blank), with a real month, day and time, not \"" +
               v.text + "\"");
    }
    return Variant(Date::FromCivil(y, mo, d, h, mi, s));
  }

  Variant ParseHex(const SeedValue& v, const std::string& where) {
    ByteArray bytes;
    auto digit = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      return -1;
    };
    if (v.text.size() % 2) Fail(v.line, where, "bytes are written as pairs of hex digits");
    for (std::size_t i = 0; i < v.text.size(); i += 2) {
      int hi = digit(v.text[i]), lo = digit(v.text[i + 1]);
      if (hi < 0 || lo < 0) Fail(v.line, where, "bytes are written as pairs of hex digits");
      bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return Variant(std::move(bytes));
  }

  DirectoryCore& core_;
  const std::string& source_;
  std::vector<PendingMember> members_;
};

}  // namespace

std::shared_ptr<MemoryDirectory> MemoryDirectory::FromJson(std::string_view json,
                                                           const std::string& source) {
  SeedValue root = ParseSeedJson(json, source);
  auto dir = Create();
  Loader(*dir->state_->core, source).Load(root);
  return dir;
}

std::shared_ptr<MemoryDirectory> MemoryDirectory::FromFile(const std::string& file_path) {
  // Only a regular file within the limit is read: a folder, a FIFO or a device is named as
  // such instead of hanging or being read without end.
  std::optional<std::string> text;
  try {
    text = platform::ReadRegularFile(file_path, kMaxSeedFileBytes);
  } catch (const platform::RegularFileError& e) {
    throw SeedError(file_path, 0, "the file cannot be read: " + e.reason());
  }
  if (!text) {
    throw SeedError(file_path, 0, std::string("the file cannot be read: ") + std::strerror(ENOENT));
  }
  return FromJson(*text, file_path);
}

}  // namespace moxtrel::directory
