// Whether bytes are valid UTF-8: no stray or missing continuation bytes, no overlong forms, no
// surrogates, nothing beyond U+10FFFF.
#pragma once

#include <string_view>

namespace platform {

bool IsValidUtf8(std::string_view bytes);

} // namespace platform
