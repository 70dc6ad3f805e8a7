// Typed values of the settings file, read and written one at a time through the platform's
// private-profile functions. A value is read through a 2048-byte buffer (at most 2047 characters).
// Booleans are written "1" and "0" and read as integers (non-zero is true); integers are decimal,
// or hexadecimal after "$" or (for values longer than two characters) "0x"; a value that is
// absent or does not parse gives the default.
#pragma once

#include <optional>
#include <string>

class SettingsFile {
public:
    explicit SettingsFile(std::string path) : path_(std::move(path)) {}

    const std::string& Path() const { return path_; }

    // The value as stored, or nothing when the key is absent.
    std::optional<std::string> Read(const char* section, const char* key) const;
    std::string ReadString(const char* section, const char* key,
                           const std::string& defaultValue) const;
    int ReadInteger(const char* section, const char* key, int defaultValue) const;
    bool ReadBool(const char* section, const char* key, bool defaultValue) const;

    // False when the platform refuses the write.
    bool WriteString(const char* section, const char* key, const std::string& value) const;
    bool WriteInteger(const char* section, const char* key, int value) const;
    bool WriteBool(const char* section, const char* key, bool value) const;

private:
    std::string path_;
};

// An integer as the settings file writes it, or nothing when the text is not one.
std::optional<int> ParseSettingsInteger(const std::string& text);
