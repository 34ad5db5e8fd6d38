#include "moxtrel/directory/class_filter.h"

#include <algorithm>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"

namespace moxtrel::directory {

void ClassFilter::Set(const Variant& class_words, std::u16string_view where) {
  std::vector<std::u16string> words;
  if (class_words.IsString()) {
    if (!class_words.AsString().empty()) words.push_back(class_words.AsString());
  } else if (class_words.IsArray()) {
    for (const auto& item : class_words.AsArray().items) {
      if (!item.IsString()) {
        throw AutomationError(
            errc::kTypeMismatch,
            std::u16string(where) + u": class words must be Strings, not " + item.TypeName());
      }
      words.push_back(item.AsString());
    }
  } else if (!class_words.IsEmpty() && !class_words.IsMissing()) {
    throw AutomationError(
        errc::kTypeMismatch,
        std::u16string(where) + u": give an array of class words, not " + class_words.TypeName());
  }
  std::vector<ObjectKind> kinds;
  for (const auto& w : words) kinds.push_back(RequireClassWord(w, where));
  kinds_ = std::move(kinds);
  value_ = kinds_.empty() ? Variant() : class_words;
}

bool ClassFilter::Allows(ObjectKind kind) const noexcept {
  return kinds_.empty() || std::find(kinds_.begin(), kinds_.end(), kind) != kinds_.end();
}

}  // namespace moxtrel::directory
