// Expansion of environment strings.
#include "platform/Environment.h"

#include "platform/WinPath.h"

#include <cstdlib>
#include <optional>
#include <unistd.h>

extern char** environ;

namespace win {
namespace {

// Windows finds environment names without regard to letter case; the exact name wins.
std::optional<std::string> Variable(const std::string& name) {
    if (const char* value = std::getenv(name.c_str()))
        return value;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string_view pair(*entry);
        const std::size_t equals = pair.find('=');
        if (equals != std::string_view::npos && SameText(pair.substr(0, equals), name))
            return std::string(pair.substr(equals + 1));
    }
    return std::nullopt;
}

} // namespace

std::string ExpandEnvironmentStrings(std::string_view text) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text.find('%', pos);
        const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {
            out += text.substr(pos);
            break;
        }
        out += text.substr(pos, open - pos);
        const std::string name(text.substr(open + 1, close - open - 1));
        const auto value = name.empty() ? std::nullopt : Variable(name);
        out += value ? std::string_view(*value) : text.substr(open, close - open + 1);
        pos = close + 1;
    }
    return out;
}

} // namespace win
