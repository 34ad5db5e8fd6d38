#include "arguments_object.h"

#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "script_error.h"

namespace moxtrel::script {

Variant ArgumentsObject::Call(std::u16string_view member, uint16_t flags,
                              std::vector<Variant>& args) {
  if ((flags & (kDispatchPut | kDispatchPutRef)) != 0) {
    throw RuntimeError(kIllegalAssignment,
                       u"Arguments." + std::u16string(member) + u" is read-only");
  }
  if (EqualsNoCase(member, u"Count")) {
    if (!args.empty()) {
      throw RuntimeError(kWrongArgCount, u"Wrong number of arguments: Arguments.Count takes none");
    }
    return Variant(static_cast<int32_t>(words_.size()));
  }
  if (EqualsNoCase(member, u"Item")) {
    if (args.size() != 1 || args[0].IsMissing()) {
      throw RuntimeError(kWrongArgCount,
                         u"Wrong number of arguments: Arguments.Item(index) takes one position");
    }
    const int32_t i = args[0].ToLong();
    if (i < 1 || static_cast<size_t>(i) > words_.size()) {
      throw RuntimeError(errc::kSubscriptOutOfRange,
                         u"Subscript out of range: Arguments(" + FromUtf8(std::to_string(i)) +
                             u"), the script was given " + FromUtf8(std::to_string(words_.size())) +
                             (words_.size() == 1 ? u" argument" : u" arguments"));
    }
    return Variant(words_[static_cast<size_t>(i - 1)]);
  }
  throw RuntimeError(
      kNotAnObjectMember,
      u"Object doesn't support this property or method: Arguments." + std::u16string(member));
}

std::vector<std::string> ArgumentsObject::Describe() const {
  return {"Count (get): Long", "Item (get, default): index"};
}

std::optional<std::vector<Variant>> ArgumentsObject::Items() const {
  std::vector<Variant> items;
  items.reserve(words_.size());
  for (const auto& w : words_) items.emplace_back(w);
  return items;
}

}  // namespace moxtrel::script
