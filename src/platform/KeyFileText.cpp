// A desktop key file edited in place.
#include "platform/KeyFileText.h"

namespace platform {
namespace {

constexpr auto npos = std::string::npos;

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The name of a "[group]" line, or nothing for other lines.
std::optional<std::string_view> GroupName(std::string_view line) {
    const auto t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']')
        return std::nullopt;
    return t.substr(1, t.size() - 2);
}

// The key of a "key=value" line, or nothing for comments and other lines.
std::optional<std::string_view> KeyName(std::string_view line) {
    const auto t = Trim(line);
    const auto eq = t.find('=');
    if (t.empty() || t.front() == '#' || eq == npos)
        return std::nullopt;
    return Trim(t.substr(0, eq));
}

} // namespace

KeyFileText::KeyFileText(std::string_view text) {
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t lf = text.find('\n', start);
        const std::size_t stop = lf == npos ? text.size() : lf;
        const bool crlf = lf != npos && stop > start && text[stop - 1] == '\r';
        lines_.push_back({std::string(text.substr(start, stop - start - crlf)), lf == npos ? ""
                                                                                : crlf     ? "\r\n"
                                                                                           : "\n"});
        start = lf == npos ? text.size() : lf + 1;
    }
    if (!lines_.empty() && lines_.front().end == "\r\n")
        newline_ = "\r\n";
}

KeyFileText::Place KeyFileText::Find(std::string_view group, std::string_view key) const {
    Place place{npos, lines_.size(), npos};
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = GroupName(lines_[i].text);
        if (!name)
            continue;
        if (place.header != npos) {
            place.end = i;
            break;
        }
        if (*name == group)
            place.header = i;
    }
    for (std::size_t i = place.header + 1; place.header != npos && i < place.end; ++i)
        if (KeyName(lines_[i].text) == key) {
            place.key = i;
            break;
        }
    return place;
}

std::optional<std::string> KeyFileText::Get(std::string_view group, std::string_view key) const {
    const Place place = Find(group, key);
    if (place.key == npos)
        return std::nullopt;
    const std::string& line = lines_[place.key].text;
    return std::string(Trim(std::string_view(line).substr(line.find('=') + 1)));
}

void KeyFileText::Insert(std::size_t at, std::string text) {
    // The line before a new one gets its end, should it have been the last without one.
    if (at > 0 && lines_[at - 1].end.empty())
        lines_[at - 1].end = newline_;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), {std::move(text), newline_});
}

void KeyFileText::Set(std::string_view group, std::string_view key, std::string_view value) {
    const Place place = Find(group, key);
    if (place.key != npos) {
        // Only the value's own bytes change: the blanks around "=" and after the value stay.
        std::string& line = lines_[place.key].text;
        const std::size_t eq = line.find('=');
        const std::size_t start = line.find_first_not_of(" \t", eq + 1);
        if (start == npos)
            line += value;
        else
            line.replace(start, line.find_last_not_of(" \t") + 1 - start, value);
        return;
    }
    const std::string entry = std::string(key) + "=" + std::string(value);
    if (place.header == npos) {
        Insert(lines_.size(), "[" + std::string(group) + "]");
        Insert(lines_.size(), entry);
        return;
    }
    // After the group's last non-blank line, so a blank line between groups stays there.
    std::size_t at = place.end;
    while (at > place.header + 1 && Trim(lines_[at - 1].text).empty())
        --at;
    Insert(at, entry);
}

void KeyFileText::DeleteKey(std::string_view group, std::string_view key) {
    const Place place = Find(group, key);
    if (place.key == npos)
        return;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(place.key));
    if (place.end == place.header + 2)
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(place.header));
}

std::string KeyFileText::Text() const {
    std::string out;
    for (const auto& line : lines_)
        out += line.text + line.end;
    return out;
}

} // namespace platform
