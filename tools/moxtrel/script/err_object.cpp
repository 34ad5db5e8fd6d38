#include "err_object.h"

#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::script {
namespace {

void ExpectErrArgs(std::u16string_view member, const std::vector<Variant>& args, size_t min,
                   size_t max) {
  if (args.size() < min || args.size() > max) {
    throw RuntimeError(kWrongArgCount,
                       u"Wrong number of arguments: Err." + std::u16string(member) + u" takes " +
                           FromUtf8(std::to_string(min)) +
                           (max != min ? u" to " + FromUtf8(std::to_string(max)) : u"") +
                           u", got " + FromUtf8(std::to_string(args.size())));
  }
}

}  // namespace

void ErrObject::Set(const RuntimeError& e) {
  number_ = e.code();
  description_ = e.description();
  source_ = FromUtf8(e.where());
}

void ErrObject::Clear() {
  number_ = 0;
  description_.clear();
  source_.clear();
}

Variant ErrObject::Call(std::u16string_view member, uint16_t flags, std::vector<Variant>& args) {
  const bool put = (flags & (kDispatchPut | kDispatchPutRef)) != 0;
  if (EqualsNoCase(member, u"Number")) {
    if (put) {
      ExpectErrArgs(member, args, 1, 1);
      number_ = args[0].ToLong();
      return {};
    }
    ExpectErrArgs(member, args, 0, 0);
    return Variant(number_);
  }
  if (EqualsNoCase(member, u"Description")) {
    if (put) {
      ExpectErrArgs(member, args, 1, 1);
      description_ = args[0].ToString();
      return {};
    }
    ExpectErrArgs(member, args, 0, 0);
    return Variant(description_);
  }
  if (EqualsNoCase(member, u"Source")) {
    if (put) {
      ExpectErrArgs(member, args, 1, 1);
      source_ = args[0].ToString();
      return {};
    }
    ExpectErrArgs(member, args, 0, 0);
    return Variant(source_);
  }
  if (!put && EqualsNoCase(member, u"Clear")) {
    ExpectErrArgs(member, args, 0, 0);
    Clear();
    return {};
  }
  if (!put && EqualsNoCase(member, u"Raise")) {
    // Raise number [, source [, description]]
    ExpectErrArgs(member, args, 1, 3);
    const int32_t code = args[0].ToLong();
    std::u16string desc = args.size() > 2 && !args[2].IsMissing() ? args[2].ToString()
                                                                  : u"Error raised by the script";
    std::string source = args.size() > 1 && !args[1].IsMissing() ? ToUtf8(args[1].ToString()) : "";
    throw RuntimeError(code == 0 ? static_cast<int32_t>(kUserRaised) : code, std::move(desc),
                       std::move(source));
  }
  throw RuntimeError(kNotAnObjectMember, u"Object doesn't support this property or method: Err." +
                                             std::u16string(member));
}

std::vector<std::string> ErrObject::Describe() const {
  return {"Number (get, put): Long", "Description (get, put): String", "Source (get, put): String",
          "Clear (method)", "Raise (method): lNumber, [sSource], [sDescription]"};
}

}  // namespace moxtrel::script
