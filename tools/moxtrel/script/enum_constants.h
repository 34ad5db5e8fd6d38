// Enum members as script constants, taken from the type library: "[mox SVCS Running]" as
// written, or without its blanks as one word (moxSVCSRunning).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace moxtrel::script {

std::optional<int32_t> LookupEnumConstant(std::u16string_view name);

}  // namespace moxtrel::script
