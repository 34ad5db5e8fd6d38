#include "enum_constants.h"

#include <map>
#include <string>

#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel::script {

std::optional<int32_t> LookupEnumConstant(std::u16string_view name) {
  static const std::map<std::u16string, int32_t, NoCaseLess> table = [] {
    std::map<std::u16string, int32_t, NoCaseLess> t;
    for (const auto& e : typelib::Library().enums) {
      for (const auto& [member, value] : e.members) {
        t.emplace(member, value);
        std::u16string word;
        for (char16_t c : member) {
          if (c != u' ') word += c;
        }
        t.emplace(word, value);
      }
    }
    return t;
  }();
  auto it = table.find(name);
  if (it == table.end()) return std::nullopt;
  return it->second;
}

}  // namespace moxtrel::script
