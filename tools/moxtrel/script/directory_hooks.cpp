#include "directory_hooks.h"

#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/memory/memory_directory.h"
#include "script_error.h"

namespace moxtrel::script {
namespace {

void ExpectArgs(std::u16string_view member, const std::vector<Variant>& args, size_t min,
                size_t max) {
  size_t given = args.size();
  while (given > min && args[given - 1].IsMissing()) --given;
  if (given < min || given > max) {
    throw RuntimeError(kWrongArgCount,
                       u"Wrong number of arguments: Directory." + std::u16string(member) +
                           u" takes " + FromUtf8(std::to_string(min)) +
                           (max != min ? u" to " + FromUtf8(std::to_string(max)) : u"") +
                           u", got " + FromUtf8(std::to_string(args.size())));
  }
  for (size_t i = 0; i < min; ++i) {
    if (args[i].IsMissing()) {
      throw RuntimeError(errc::kParamNotOptional,
                         u"Directory." + std::u16string(member) + u": argument " +
                             FromUtf8(std::to_string(i + 1)) + u" is not optional");
    }
  }
}

bool Given(const std::vector<Variant>& args, size_t i) {
  return args.size() > i && !args[i].IsMissing();
}

}  // namespace

Variant DirectoryHooks::Call(std::u16string_view member, uint16_t flags,
                             std::vector<Variant>& args) {
  if ((flags & (kDispatchPut | kDispatchPutRef)) != 0) {
    throw RuntimeError(kNotAnObjectMember,
                       u"Directory." + std::u16string(member) + u" cannot be assigned");
  }
  try {
    if (EqualsNoCase(member, u"SubmitJob")) {
      // SubmitJob queuePath, document, user, pages [, size [, submitted]]
      ExpectArgs(member, args, 4, 6);
      const int32_t pages = args[3].ToLong();
      directory::Attributes attributes{{u"Description", Variant(args[1].ToString())},
                                       {u"User", Variant(args[2].ToString())},
                                       {u"TotalPages", Variant(pages)}};
      attributes.emplace_back(u"Size", Variant(Given(args, 4) ? args[4].ToLong() : pages * 2048));
      if (Given(args, 5)) attributes.emplace_back(u"TimeSubmitted", Variant(args[5].ToDate()));
      return Variant(dir_->SubmitJob(args[0].ToString(), attributes));
    }
    if (EqualsNoCase(member, u"FinishSpooling")) {
      ExpectArgs(member, args, 1, 1);
      dir_->SetJobStatus(args[0].ToString(), 0);
      return {};
    }
    if (EqualsNoCase(member, u"SetJobStatus")) {
      ExpectArgs(member, args, 2, 2);
      dir_->SetJobStatus(args[0].ToString(), args[1].ToLong());
      return {};
    }
    if (EqualsNoCase(member, u"Contains")) {
      ExpectArgs(member, args, 1, 1);
      return Variant::Boolean(dir_->Contains(args[0].ToString()));
    }
  } catch (const AutomationError& e) {
    throw RuntimeError(e.code(), e.description());
  }
  throw RuntimeError(
      kNotAnObjectMember,
      u"Object doesn't support this property or method: Directory." + std::u16string(member));
}

std::vector<std::string> DirectoryHooks::Describe() const {
  return {
      "SubmitJob (method): sQueuePath, sDocument, sUser, lPages, [lSize], [dSubmitted] -> "
      "String (the job's path)",
      "FinishSpooling (method): sJobPath", "SetJobStatus (method): sJobPath, lStatus",
      "Contains (method): sPath -> Boolean"};
}

}  // namespace moxtrel::script
