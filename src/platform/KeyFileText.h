// A desktop key file (mimeapps.list) edited the way its owner keeps it: every byte an edit does
// not change stays as it was, line ends (LF or CRLF) and blanks around "=" included, so an edit
// and its undoing give back the file byte for byte. Groups and keys are told apart by letter case,
// as the desktop reads them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class KeyFileText {
public:
    explicit KeyFileText(std::string_view text);

    // The value of key in group, blanks around it removed; nothing when either is missing.
    std::optional<std::string> Get(std::string_view group, std::string_view key) const;
    // Replaces only the value of an existing key; else adds "key=value" after the group's last
    // line, or the group with it at the end. New lines take the file's line end.
    void Set(std::string_view group, std::string_view key, std::string_view value);
    // Removes the key's line, and the group's header when nothing is left under it.
    void DeleteKey(std::string_view group, std::string_view key);

    std::string Text() const;

private:
    struct Line {
        std::string text; // without its end
        std::string end;  // "\n", "\r\n" or "" for a last line without one
    };
    struct Place {
        std::size_t header; // index of the group's header line, or npos
        std::size_t end;    // one past the group's last line
        std::size_t key;    // index of the key's line, or npos
    };
    Place Find(std::string_view group, std::string_view key) const;
    void Insert(std::size_t at, std::string text);

    std::vector<Line> lines_;
    std::string newline_ = "\n"; // the file's own line end, for new lines
};

} // namespace platform
