// Typed values of the settings file.
#include "app/SettingsFile.h"

#include "platform/Profile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

// Never stored by the program: tells an absent key from any real value.
constexpr const char* kAbsent = "\x01<absent>";

} // namespace

std::optional<int> ParseSettingsInteger(const std::string& text) {
    std::string digits = text;
    int base = 10;
    if (!digits.empty() && digits[0] == '$') {
        digits.erase(0, 1);
        base = 16;
    } else if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.erase(0, 2);
        base = 16;
    }
    if (digits.empty() || digits[0] == ' ' ||
        (base == 16 && (digits[0] == '-' || digits[0] == '+')))
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(digits.c_str(), &end, base);
    if (*end != '\0' || errno == ERANGE)
        return std::nullopt;
    // Hexadecimal values are 32-bit patterns ($FFFFFFFF is -1); decimal ones must fit.
    if (base == 16 && value >= 0 && value <= static_cast<long long>(UINT32_MAX))
        return static_cast<int>(static_cast<unsigned>(value));
    if (value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

std::optional<std::string> SettingsFile::Read(const char* section, const char* key) const {
    char buffer[2048];
    win::GetPrivateProfileStringA(section, key, kAbsent, buffer, sizeof buffer, path_.c_str());
    if (std::string(buffer) == kAbsent)
        return std::nullopt;
    return std::string(buffer);
}

std::string SettingsFile::ReadString(const char* section, const char* key,
                                     const std::string& defaultValue) const {
    return Read(section, key).value_or(defaultValue);
}

int SettingsFile::ReadInteger(const char* section, const char* key, int defaultValue) const {
    const auto text = Read(section, key);
    const auto value = text ? ParseSettingsInteger(*text) : std::nullopt;
    return value.value_or(defaultValue);
}

bool SettingsFile::ReadBool(const char* section, const char* key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool SettingsFile::WriteString(const char* section, const char* key,
                               const std::string& value) const {
    return win::WritePrivateProfileStringA(section, key, value.c_str(), path_.c_str()) != 0;
}

bool SettingsFile::WriteInteger(const char* section, const char* key, int value) const {
    return WriteString(section, key, std::to_string(value));
}

bool SettingsFile::WriteBool(const char* section, const char* key, bool value) const {
    return WriteString(section, key, value ? "1" : "0");
}
