// Environment strings as the Windows kernel expands them: "%NAME%" is replaced by the value of the
// environment variable NAME (found without regard to letter case); a reference to a name that is
// not set, and a lone "%", stay as they are.
#pragma once

#include <string>
#include <string_view>

namespace win {

std::string ExpandEnvironmentStrings(std::string_view text);

} // namespace win
