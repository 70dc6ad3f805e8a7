// The lines of a hand-editable text file.
#include "platform/TextLines.h"

#include <algorithm>

namespace platform {

std::vector<std::string> TextLines(std::string_view bytes) {
    // NUL bytes go first, so a CR and an LF that they separated still end one line and a mark
    // they separated is still a mark.
    std::string withoutNuls;
    if (bytes.find('\0') != std::string_view::npos) {
        withoutNuls.reserve(bytes.size());
        std::copy_if(bytes.begin(), bytes.end(), std::back_inserter(withoutNuls),
                     [](char c) { return c != '\0'; });
        bytes = withoutNuls;
    }
    // Every mark at the start goes, so the text written back does not begin with one either.
    for (bool found = true; found;) {
        found = false;
        for (const std::string_view mark : {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"})
            if (bytes.starts_with(mark)) {
                bytes.remove_prefix(mark.size());
                found = true;
            }
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        auto end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = bytes.size();
        lines.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
        if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n')
            ++start;
    }
    return lines;
}

std::string_view LinesWithin(std::string_view text, std::size_t size) {
    if (text.size() <= size)
        return text;
    const auto end = text.substr(0, size).find_last_of("\r\n");
    return text.substr(0, end == std::string_view::npos ? 0 : end + 1);
}

} // namespace platform
