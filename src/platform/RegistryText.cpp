// The text form of one registry root.
#include "platform/RegistryText.h"

#include "platform/Registry.h"

#include "platform/TextLines.h"
#include "platform/WinPath.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace platform::registry {
namespace {

using win::DWORD;

// A reading position in one line.
struct Cursor {
    std::string_view line;
    std::size_t pos = 0;

    bool AtEnd() const { return pos == line.size(); }
    bool Eat(std::string_view word) {
        if (!line.substr(pos).starts_with(word))
            return false;
        pos += word.size();
        return true;
    }
    void SkipBlanks() {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
    }
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A quoted text and its escapes. A backslash before anything but \, ", n and r stays as it is, so
// a path typed by hand with single backslashes reads as meant. Nothing without a closing quote.
std::optional<std::string> QuotedText(Cursor& c) {
    if (!c.Eat("\""))
        return std::nullopt;
    std::string text;
    while (!c.AtEnd()) {
        const char ch = c.line[c.pos++];
        if (ch == '"')
            return text;
        if (ch != '\\' || c.AtEnd()) {
            text += ch;
            continue;
        }
        const char escaped = c.line[c.pos++];
        if (escaped == 'n')
            text += '\n';
        else if (escaped == 'r')
            text += '\r';
        else if (escaped == '\\' || escaped == '"')
            text += escaped;
        else
            text += {'\\', escaped};
    }
    return std::nullopt;
}

// 1 to 8 hexadecimal digits.
std::optional<std::uint32_t> DwordNumber(Cursor& c) {
    std::uint32_t n = 0;
    std::size_t digits = 0;
    for (; !c.AtEnd() && HexDigit(c.line[c.pos]) >= 0; ++c.pos, ++digits)
        n = n << 4 | static_cast<std::uint32_t>(HexDigit(c.line[c.pos]));
    if (digits == 0 || digits > 8)
        return std::nullopt;
    return n;
}

// Bytes as two hexadecimal digits each, separated by commas; the list may be empty.
std::optional<std::string> HexBytes(Cursor& c) {
    std::string bytes;
    while (!c.AtEnd() && HexDigit(c.line[c.pos]) >= 0) {
        if (c.pos + 1 >= c.line.size() || HexDigit(c.line[c.pos + 1]) < 0)
            return std::nullopt;
        bytes += static_cast<char>(HexDigit(c.line[c.pos]) << 4 | HexDigit(c.line[c.pos + 1]));
        c.pos += 2;
        if (!c.Eat(","))
            break;
        if (c.AtEnd() || HexDigit(c.line[c.pos]) < 0)
            return std::nullopt; // a list cut after its comma
    }
    return bytes;
}

// The type number of "hex(N)", decimal.
std::optional<DWORD> TypeNumber(Cursor& c) {
    DWORD type = 0;
    const char* first = c.line.data() + c.pos;
    const char* last = c.line.data() + c.line.size();
    const auto [end, error] = std::from_chars(first, last, type);
    if (error != std::errc() || end == first)
        return std::nullopt;
    c.pos += static_cast<std::size_t>(end - first);
    return type;
}

std::optional<Value> ParseValue(std::string_view line) {
    Cursor c{line};
    Value value{};
    if (!c.Eat("@")) {
        auto name = QuotedText(c);
        if (!name)
            return std::nullopt;
        value.name = std::move(*name);
    }
    c.SkipBlanks();
    if (!c.Eat("="))
        return std::nullopt;
    c.SkipBlanks();
    std::optional<std::string> data;
    if (!c.AtEnd() && c.line[c.pos] == '"') {
        value.type = win::REG_SZ;
        data = QuotedText(c);
    } else if (c.Eat("dword:")) {
        value.type = win::REG_DWORD;
        if (const auto n = DwordNumber(c))
            data = std::string(reinterpret_cast<const char*>(&*n), 4);
    } else if (c.Eat("hex")) {
        std::optional<DWORD> type = win::REG_BINARY;
        if (c.Eat("(")) {
            type = TypeNumber(c);
            if (type && !c.Eat(")"))
                type.reset();
        }
        if (type && c.Eat(":")) {
            value.type = *type;
            data = HexBytes(c);
        }
    }
    c.SkipBlanks();
    if (!data || !c.AtEnd())
        return std::nullopt;
    value.data = std::move(*data);
    return value;
}

// The path of a "[path]" line; nothing for other lines.
std::optional<std::string> KeyPath(std::string_view line) {
    const auto last = line.find_last_not_of(" \t");
    if (line.empty() || line[0] != '[' || last == 0 || line[last] != ']')
        return std::nullopt;
    return NormalKeyPath(line.substr(1, last - 1));
}

bool IsComment(std::string_view line) {
    const auto first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && (line[first] == ';' || line[first] == '#');
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out += {'\\', c};
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out + "\"";
}

std::string DataText(const Value& value) {
    if (value.type == win::REG_SZ && value.data.find('\0') == std::string::npos)
        return Quoted(value.data);
    char hex[12];
    if (value.type == win::REG_DWORD && value.data.size() == 4) {
        std::uint32_t n = 0;
        std::memcpy(&n, value.data.data(), 4);
        std::snprintf(hex, sizeof hex, "%08x", n);
        return std::string("dword:") + hex;
    }
    // Anything else, a text holding a NUL or a number of another size too, as its bytes.
    std::string out = "hex";
    if (value.type != win::REG_BINARY)
        out += "(" + std::to_string(value.type) + ")";
    out += ':';
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        std::snprintf(hex, sizeof hex, i ? ",%02x" : "%02x",
                      static_cast<unsigned char>(value.data[i]));
        out += hex;
    }
    return out;
}

} // namespace

std::string NormalKeyPath(std::string_view path) {
    std::string normal;
    for (const char c : path)
        if (c != '\\' || (!normal.empty() && normal.back() != '\\'))
            normal += c;
    if (!normal.empty() && normal.back() == '\\')
        normal.pop_back();
    return normal;
}

Value* Key::Find(std::string_view name) {
    for (auto& value : values)
        if (win::SameText(value.name, name))
            return &value;
    return nullptr;
}

Key* Hive::Find(std::string_view path) {
    for (auto& key : keys)
        if (win::SameText(key.path, path))
            return &key;
    return nullptr;
}

Hive ParseHive(std::string_view text) {
    Hive hive;
    // Keys and value names in upper case, so a large file is read in linear time.
    std::unordered_map<std::string, std::size_t> keyIndex;
    std::vector<std::unordered_set<std::string>> valueNames;
    constexpr auto kNoKey = std::string::npos;
    std::size_t current = kNoKey; // the key the value lines belong to
    bool inBody = false;
    for (const std::string& line : TextLines(text)) {
        if (!line.empty() && line[0] == '[') {
            inBody = true;
            current = kNoKey;
            const auto path = KeyPath(line);
            if (!path)
                continue; // a damaged key line: its values cannot be told where they belong
            const auto [at, added] = keyIndex.try_emplace(win::UpperCase(*path), hive.keys.size());
            if (added) {
                hive.keys.push_back({*path, {}});
                valueNames.emplace_back();
            }
            current = at->second;
        } else if (!inBody) {
            if (IsComment(line))
                hive.header += line + "\n";
        } else if (current != kNoKey) {
            auto value = ParseValue(line);
            if (value && valueNames[current].insert(win::UpperCase(value->name)).second)
                hive.keys[current].values.push_back(std::move(*value));
        }
    }
    return hive;
}

std::string SerialiseHive(const Hive& hive) {
    std::string out = hive.header;
    for (const auto& key : hive.keys) {
        out += "[" + key.path + "]\n";
        for (const auto& value : key.values)
            out += (value.name.empty() ? "@" : Quoted(value.name)) + "=" + DataText(value) + "\n";
    }
    return out;
}

} // namespace platform::registry
