// The text of an INI file as lines, read and edited one value at a time. Sections and keys are
// found without regard to letter case, and the first of several sections or keys of one name is
// the one read and changed. Lines are read as TextLines reads them (any line end, NUL bytes
// dropped) and written with LF ends; every line that an edit does not touch (comments, unknown
// sections and keys, blank lines, lines that mean nothing, their order) stays as it was.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class IniText {
public:
    explicit IniText(std::string_view text = {});

    // The value of key in section: blanks around it removed, and one pair of enclosing double
    // quotes. Nothing when the section or key is missing.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // Replaces the value of an existing key in place, or appends the key at the end of its
    // section, or appends the section at the end of the text.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    void DeleteKey(std::string_view section, std::string_view key);
    void DeleteSection(std::string_view section);

    std::string Text() const;

private:
    struct Place {
        std::size_t header;  // line index of "[section]", or npos
        std::size_t end;     // index one past the last line of the section
        std::size_t keyLine; // line index of the key, or npos
    };
    Place Find(std::string_view section, std::string_view key) const;

    std::vector<std::string> lines_;
};

} // namespace platform
