#include "moxtrel/routing/router.h"

#include "moxtrel/directory/path.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"

namespace moxtrel::directory {

void Router::AddDomain(std::u16string_view name, std::shared_ptr<DirectoryProvider> backend) {
  Add(name, false, std::move(backend));
}

void Router::AddComputer(std::u16string_view name, std::shared_ptr<DirectoryProvider> backend) {
  Add(name, true, std::move(backend));
}

void Router::Add(std::u16string_view name, bool computer,
                 std::shared_ptr<DirectoryProvider> backend) {
  const std::u16string what = computer ? u"computer" : u"domain";
  if (name.empty()) {
    throw AutomationError(errc::kInvalidArg, u"Router: a " + what + u" needs a name");
  }
  if (!backend) {
    throw AutomationError(errc::kInvalidArg, u"Router: the " + what + u" " + std::u16string(name) +
                                                 u" has no backend");
  }
  // A domain and a computer may not share a name either: a path could not tell them apart.
  if (Find(name, false) || Find(name, true)) {
    throw AutomationError(errc::kInvalidArg,
                          u"Router: " + std::u16string(name) + u" is served already");
  }
  entries_.push_back(Entry{std::u16string(name), computer, std::move(backend)});
}

const Router::Entry* Router::Find(std::u16string_view name, bool computer) const {
  for (const auto& e : entries_) {
    if (e.computer == computer && EqualsNoCase(e.name, name)) return &e;
  }
  return nullptr;
}

const std::shared_ptr<DirectoryProvider>& Router::Route(std::u16string_view path) const {
  const ParsedPath parsed = ParsePath(path);
  const auto& names = parsed.components;
  // "WinNT://D/C" names a computer inside a domain; "WinNT://D/alice,user" does not.
  const bool second_is_computer =
      names.size() >= 3 ||
      (names.size() == 2 && (!parsed.kind || *parsed.kind == ObjectKind::kComputer));
  if (second_is_computer) {
    if (const Entry* c = Find(names[1], true)) return c->backend;
  }
  if (const Entry* d = Find(names[0], false)) return d->backend;
  if (const Entry* c = Find(names[0], true)) return c->backend;

  std::u16string served;
  for (const auto& s : Served()) served += (served.empty() ? u"" : u", ") + s;
  throw AutomationError(errc::kNoSuchObject, u"No directory serves " + names[0] + u" (" +
                                                 std::u16string(path) + u"); configured: " +
                                                 (served.empty() ? u"nothing" : served));
}

std::shared_ptr<IADs> Router::GetObject(std::u16string_view path) {
  return Route(path)->GetObject(path);
}

std::vector<std::u16string> Router::Served() const {
  std::vector<std::u16string> out;
  out.reserve(entries_.size());
  for (const auto& e : entries_) out.push_back((e.computer ? u"computer " : u"domain ") + e.name);
  return out;
}

}  // namespace moxtrel::directory
