// The text viewer's files. What it shows of a file: its bytes read as text in the program's code
// page (UTF-8 when the bytes are valid UTF-8, otherwise code page 437, as archive names are read),
// at most kMaxViewedBytes of them, with lines too long for the text control to lay out quickly
// broken into pieces. A binary or huge file so shows as text without holding the program up. Saving
// writes the bytes that are shown, as the file had them: the broken lines, the decoding and the
// line ends are only how the text is shown.
#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

namespace viewer_text {

// The most bytes of a file that are shown; the rest is left out with a notice.
inline constexpr std::size_t kMaxViewedBytes = 16 * 1024 * 1024;
// The longest line shown; longer ones go on in the next line. Laying out a line of text costs the
// control time that grows with the square of its length when it has no place to wrap.
inline constexpr qsizetype kLongestLine = 4096;

// Told when a file is cut at kMaxViewedBytes.
inline constexpr const char* kTruncatedNotice =
    "This file is too large to show whole: only its first 16 MB are shown.";
// Asked before such a file is saved: only what is shown can be written.
inline constexpr const char* kTruncatedSaveQuestion =
    "This file is too large to show whole: only its first 16 MB are shown, and only they can be "
    "saved. Save them?";

struct FileText {
    QString text;
    bool truncated = false;
    std::string bytes; // what text shows, as the file holds it
};

// Reads the file at a Windows path. Throws std::runtime_error with the message for the user
// ("Cannot open file "path". reason") when it cannot be read.
FileText ReadFileText(const std::string& winPath);

// The text of bytes read from a file: decoded, and its long lines broken.
QString DecodeText(std::string_view bytes);

// bytes without a multi-byte UTF-8 sequence cut short at its end, so that text cut at a size
// limit is still recognised as UTF-8.
std::string_view WithoutCutSequence(std::string_view bytes);

// Writes bytes to the file at a Windows path, replacing it whole (never half-written). Throws
// std::runtime_error ("Cannot create file "path". reason") when it cannot be written.
void WriteFileBytes(const std::string& winPath, const std::string& bytes);

} // namespace viewer_text
