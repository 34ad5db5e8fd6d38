#include "last_failure_object.h"

#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"
#include "script_error.h"

namespace moxtrel::script {

Variant LastFailureObject::Call(std::u16string_view member, uint16_t flags,
                                std::vector<Variant>& args) {
  const std::u16string name = u"LastFailure." + std::u16string(member);
  if ((flags & (kDispatchPut | kDispatchPutRef)) != 0) {
    throw RuntimeError(kIllegalAssignment, name + u" is read-only");
  }
  if (!args.empty()) {
    throw RuntimeError(kWrongArgCount, u"Wrong number of arguments: " + name + u" takes none");
  }
  if (EqualsNoCase(member, u"Clear")) {
    ClearLastTrappedFailure();
    return {};
  }
  const auto failure = LastTrappedFailure().value_or(TrappedFailure{});
  if (EqualsNoCase(member, u"Number")) return Variant(failure.code);
  if (EqualsNoCase(member, u"Source")) return Variant(failure.source);
  if (EqualsNoCase(member, u"Description")) return Variant(failure.description);
  if (EqualsNoCase(member, u"Call")) return Variant(failure.call);
  if (EqualsNoCase(member, u"Member")) return Variant(failure.member);
  throw RuntimeError(kNotAnObjectMember,
                     u"Object doesn't support this property or method: " + name);
}

std::vector<std::string> LastFailureObject::Describe() const {
  return {"Number (get): Long", "Source (get): String", "Description (get): String",
          "Call (get): String", "Member (get): String", "Clear (method)"};
}

}  // namespace moxtrel::script
