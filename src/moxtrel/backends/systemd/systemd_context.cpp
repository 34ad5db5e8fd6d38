#include "moxtrel/backends/systemd/systemd_context.h"

#include <algorithm>
#include <set>

#include "moxtrel/backends/systemd/unit_text.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::systemd {

using directory::ObjectKind;

SystemdContext::SystemdContext(SystemdOptions options)
    : options_(std::move(options)),
      bus_(options_.bus, options_.timeout),
      address_(options_.domain, options_.computer) {}

std::u16string SystemdContext::ServicePath(std::string_view unit) const {
  return address_.ChildPath(ServiceName(unit));
}

std::string SystemdContext::UnitFilePath(const std::string& unit) const {
  return options_.unit_dir + "/" + unit;
}

std::string SystemdContext::DropInPath(const std::string& unit) const {
  return options_.unit_dir + "/" + unit + ".d/" + std::string(kDropInName);
}

Target SystemdContext::Resolve(std::u16string_view path) {
  const directory::ParsedPath parsed = directory::ParsePath(path);
  const auto& c = parsed.components;
  const std::size_t base = address_.Match(c);
  auto foreign = [&](std::u16string_view why) {
    address_.NotServed(path, why, u"the systemd backend", u"the services");
  };
  if (base == 0) foreign(u"it names another computer or domain");
  const std::size_t depth = c.size() - base;
  const ObjectKind want = depth == 0 ? ObjectKind::kComputer : ObjectKind::kService;
  if (depth > 1 || (parsed.kind && *parsed.kind != want)) {
    foreign(parsed.kind ? u"it names a " + std::u16string(directory::KindNoun(*parsed.kind))
                        : u"it names nothing a service manager holds");
  }
  if (depth == 0) return {ObjectKind::kComputer, ""};
  std::string unit;
  try {
    unit = UnitName(c[base]);
  } catch (const AutomationError& e) {
    throw AutomationError(errc::kNoSuchObject, u"There is no service at " + std::u16string(path) +
                                                   u": " + e.description());
  }
  std::string known = Known(unit);
  if (known.empty()) {
    throw AutomationError(errc::kNoSuchObject, u"There is no service " + std::u16string(path) +
                                                   u": the manager knows no unit " +
                                                   FromUtf8(unit));
  }
  return {ObjectKind::kService, known};
}

bool SystemdContext::Listed(const std::string& unit) {
  std::lock_guard<std::mutex> hold(listing_lock_);
  if (std::chrono::steady_clock::now() - listed_at_ >= kListingVouches) return false;
  return std::binary_search(listed_.begin(), listed_.end(), unit);
}

void SystemdContext::Forget() {
  std::lock_guard<std::mutex> hold(listing_lock_);
  listed_.clear();
  listed_at_ = {};
}

std::string SystemdContext::Known(const std::string& unit) {
  if (Listed(unit)) return unit;
  const std::string load = bus_.UnitString(unit, "LoadState");
  if (load != "not-found" && !load.empty()) return unit;
  // Service names compare without regard to case; the manager's unit names do not.
  const std::u16string wanted = FromUtf8(unit);
  for (const auto& name : Services()) {
    if (EqualsNoCase(FromUtf8(name), wanted)) return name;
  }
  return {};
}

std::vector<std::string> SystemdContext::Services() {
  std::set<std::string> names;
  // ListUnits first: its reply comes after every signal the manager sent before it, so a
  // reload that ended before this listing began has been seen when the unit files are asked.
  for (const auto& unit : bus_.ListUnits()) {
    // A unit only named by another's dependency, with no file, is no service.
    if (IsListedService(unit.name) && unit.load_state != "not-found") names.insert(unit.name);
  }
  for (const auto& file : bus_.ListUnitFiles()) {
    if (IsListedService(file.name)) names.insert(file.name);
  }
  std::vector<std::string> sorted(names.begin(), names.end());
  std::lock_guard<std::mutex> hold(listing_lock_);
  listed_ = sorted;
  listed_at_ = std::chrono::steady_clock::now();
  return sorted;
}

}  // namespace moxtrel::backends::systemd
