// Glob matching for fault paths: '*' any run of characters, '?' one character, letters compared
// without regard to case.
//
//   GlobMatch(u"WinNT://CORP/*", u"WinNT://corp/alice");  // true
#pragma once

#include <string_view>

namespace moxtrel::directory {

bool GlobMatch(std::u16string_view pattern, std::u16string_view text) noexcept;

}  // namespace moxtrel::directory
