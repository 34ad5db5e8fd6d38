#include "moxtrel/journal/fault_injector.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/journal/glob.h"

namespace moxtrel::directory {
namespace {

bool MemberMatches(std::u16string_view wanted, std::u16string_view interface,
                   std::u16string_view member) {
  if (wanted == member || wanted == u"*") return true;
  return wanted.size() == interface.size() + 1 + member.size() && wanted.starts_with(interface) &&
         wanted[interface.size()] == u'.' && wanted.ends_with(member);
}

}  // namespace

void FaultInjector::Add(Fault fault) {
  if (fault.member.empty()) {
    throw AutomationError(errc::kInvalidArg, u"Fault: the member to fail must be named");
  }
  if (fault.ordinal < 1) {
    throw AutomationError(errc::kInvalidArg,
                          u"Fault on " + fault.member + u": the ordinal must be 1 or more");
  }
  faults_.push_back(Armed{std::move(fault)});
}

void FaultInjector::Check(std::u16string_view interface, std::u16string_view member,
                          std::u16string_view path) {
  // Every matching fault counts the call, so two faults on one member keep their own ordinals.
  Armed* fired = nullptr;
  for (auto& armed : faults_) {
    if (armed.spent) continue;
    const Fault& f = armed.fault;
    if (!MemberMatches(f.member, interface, member)) continue;
    if (!f.path.empty() && !GlobMatch(f.path, path)) continue;
    ++armed.seen;
    if (armed.seen < f.ordinal || fired) continue;
    if (!f.persistent) armed.spent = true;
    fired = &armed;
  }
  if (fired) {
    ++fired->fired;
    ++fired_;
    const Fault& f = fired->fault;
    throw AutomationError(f.code, f.description + u" (" + std::u16string(interface) + u"." +
                                      std::u16string(member) + u" on " + std::u16string(path) +
                                      u")");
  }
}

std::vector<std::u16string> FaultInjector::NeverFired() const {
  std::vector<std::u16string> out;
  for (const auto& armed : faults_) {
    if (armed.fired == 0) {
      out.push_back(armed.fault.member +
                    (armed.fault.path.empty() ? u"" : u" " + armed.fault.path));
    }
  }
  return out;
}

}  // namespace moxtrel::directory
