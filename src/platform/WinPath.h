// Text helpers for Windows paths: the parts of a path, extensions, ASCII letter case and the
// wildcard match that file searches use.
#pragma once

#include <string>
#include <string_view>

namespace win {

// The file-name part: everything after the last "\" or ":".
std::string ExtractFileName(std::string_view path);
// The folder part, up to and including the last "\" or ":".
std::string ExtractFilePath(std::string_view path);
// The extension with its dot ("" when the file-name part has no dot).
std::string ExtractFileExt(std::string_view path);
// The path with its extension replaced by ext (ext includes the dot), or ext appended.
std::string ChangeFileExt(std::string_view path, std::string_view ext);

// Letter case of the letters A-Z only; every other byte stays as it is.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);

// Wildcard match of a file name against a mask with "*" and "?", without regard to letter case.
// "*.*" matches every name, with or without a dot, as on Windows.
bool MatchesMask(std::string_view name, std::string_view mask);

} // namespace win
