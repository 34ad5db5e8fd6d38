// The provider's path scheme, shared by every class that builds or reads a path.
//
//   Bind<IADsDomain>(std::u16string(kScheme) + domain + u",domain");
//   std::u16string server = NameFromPath(queue->Parent());   // "CORP/PC1" from "WinNT://CORP/PC1"
#pragma once

#include <string>
#include <string_view>

#include "moxtrel/directory/path.h"

namespace moxtrel::directory {

inline constexpr std::u16string_view kScheme = kPathPrefix;

// A name taken from a path the provider returned: the path less its first eight characters
// (the scheme), the rest as it comes, which may be a domain "/" computer pair. A path too
// short to hold more than the scheme gives the empty string.
inline std::u16string NameFromPath(std::u16string_view path) {
  return path.size() > kScheme.size() ? std::u16string(path.substr(kScheme.size())) : u"";
}

}  // namespace moxtrel::directory
