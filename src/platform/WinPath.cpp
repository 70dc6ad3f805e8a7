// Text helpers for Windows paths.
#include "platform/WinPath.h"

#include <algorithm>

namespace win {
namespace {

std::size_t AfterLastDelimiter(std::string_view path) {
    const auto pos = path.find_last_of("\\:");
    return pos == std::string_view::npos ? 0 : pos + 1;
}

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Classic wildcard match with backtracking to the last "*": linear for masks with one "*".
bool Match(std::string_view name, std::string_view mask) {
    std::size_t n = 0, m = 0;
    std::size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || AsciiUpper(mask[m]) == AsciiUpper(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

} // namespace

std::string ExtractFileName(std::string_view path) {
    return std::string(path.substr(AfterLastDelimiter(path)));
}

std::string ExtractFilePath(std::string_view path) {
    return std::string(path.substr(0, AfterLastDelimiter(path)));
}

std::string ExtractFileExt(std::string_view path) {
    const std::size_t nameStart = AfterLastDelimiter(path);
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < nameStart)
        return {};
    return std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
    const std::size_t nameStart = AfterLastDelimiter(path);
    auto dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < nameStart)
        dot = path.size();
    return std::string(path.substr(0, dot)) + std::string(ext);
}

std::string UpperCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), AsciiUpper);
    return out;
}

std::string LowerCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), AsciiLower);
    return out;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiUpper(x) == AsciiUpper(y);
           });
}

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (mask == "*.*")
        return true;
    return Match(name, mask);
}

} // namespace win
