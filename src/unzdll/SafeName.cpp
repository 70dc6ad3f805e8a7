// Entry names made safe to write.
#include "unzdll/SafeName.h"

std::optional<std::vector<std::string>> SafeComponents(const std::string& entryName) {
    if (entryName.empty() || entryName[0] == '/' || entryName[0] == '\\')
        return std::nullopt;
    std::vector<std::string> parts;
    std::string part;
    auto finish = [&]() -> bool {
        if (part == "..")
            return false;
        // A colon names a drive or a stream on the system these names come from.
        if (part.find(':') != std::string::npos)
            return false;
        if (!part.empty() && part != ".")
            parts.push_back(part);
        part.clear();
        return true;
    };
    for (const char c : entryName) {
        if (c == '/' || c == '\\') {
            if (!finish())
                return std::nullopt;
        } else {
            const auto b = static_cast<unsigned char>(c);
            part += b < 0x20 || b == 0x7F ? '_' : c;
        }
    }
    if (!finish() || parts.empty())
        return std::nullopt;
    return parts;
}
