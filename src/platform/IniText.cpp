// The text of an INI file, edited one value at a time.
#include "platform/IniText.h"

#include "platform/TextLines.h"
#include "platform/WinPath.h"

namespace platform {
namespace {

constexpr auto npos = std::string::npos;

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

// The name of a "[section]" line, or nothing for other lines.
std::optional<std::string_view> SectionName(std::string_view line) {
    const auto t = Trim(line);
    if (t.size() < 2 || t.front() != '[')
        return std::nullopt;
    const auto close = t.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(t.substr(1, close - 1));
}

// The key of a "key=value" line, or nothing for comments and other lines.
std::optional<std::string_view> KeyName(std::string_view line) {
    const auto t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[')
        return std::nullopt;
    const auto eq = t.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return Trim(t.substr(0, eq));
}

} // namespace

IniText::IniText(std::string_view text) : lines_(TextLines(text)) {}

IniText::Place IniText::Find(std::string_view section, std::string_view key) const {
    Place place{npos, lines_.size(), npos};
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = SectionName(lines_[i]);
        if (!name)
            continue;
        if (place.header != npos) {
            place.end = i;
            break;
        }
        if (win::SameText(*name, section))
            place.header = i;
    }
    if (place.header == npos)
        return place;
    for (std::size_t i = place.header + 1; i < place.end; ++i) {
        const auto name = KeyName(lines_[i]);
        if (name && win::SameText(*name, key)) {
            place.keyLine = i;
            break;
        }
    }
    return place;
}

std::optional<std::string> IniText::Get(std::string_view section, std::string_view key) const {
    const Place place = Find(section, key);
    if (place.keyLine == npos)
        return std::nullopt;
    const std::string& line = lines_[place.keyLine];
    auto value = Trim(std::string_view(line).substr(line.find('=') + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

void IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
    const Place place = Find(section, key);
    if (place.keyLine != npos) {
        // The key keeps the spelling it has in the file.
        const std::string existing(*KeyName(lines_[place.keyLine]));
        lines_[place.keyLine] = existing + "=" + std::string(value);
        return;
    }
    std::string line = std::string(key) + "=" + std::string(value);
    if (place.header == npos) {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::move(line));
        return;
    }
    // After the section's last non-blank line, so a blank line between sections stays there.
    std::size_t at = place.end;
    while (at > place.header + 1 && Trim(lines_[at - 1]).empty())
        --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

void IniText::DeleteKey(std::string_view section, std::string_view key) {
    const Place place = Find(section, key);
    if (place.keyLine != npos)
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(place.keyLine));
}

void IniText::DeleteSection(std::string_view section) {
    const Place place = Find(section, {});
    if (place.header != npos)
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(place.header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(place.end));
}

std::string IniText::Text() const {
    std::string out;
    for (const auto& line : lines_) {
        out += line;
        out += '\n';
    }
    return out;
}

} // namespace platform
