// The lines of a hand-editable text file (the settings and registry files), read the way people's
// editors may have left them: LF, CRLF or a lone CR ends a line, a byte-order mark at the start is
// skipped, and NUL bytes, which no text holds, are dropped (a crash can leave a block of them, and
// so a file of ASCII saved as UTF-16 reads as its text).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

std::vector<std::string> TextLines(std::string_view bytes);

// The longest beginning of text that holds at most size bytes and ends at the end of a line (after
// a CR or LF); all of text when it is not longer.
std::string_view LinesWithin(std::string_view text, std::size_t size);

} // namespace platform
