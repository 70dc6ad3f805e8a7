// The text form of one registry root (HKEY_CURRENT_USER.reg and so on): one section per key, one
// line per value. Reading takes every line it understands and passes over the rest, so a damaged
// file gives up only its damaged lines; writing produces only lines that reading understands, so
// text written and read again is the same hive.
//
//   ; HKEY_LOCAL_MACHINE                comments before the first key are kept
//   [Software\Microsoft\Windows\CurrentVersion\Setup]
//   "WinDir"="C:\\WINDOWS"              text; \\, \", \n and \r are escaped
//   @="Pakrune"                         the key's default value
//   "EditFlags"=hex:00,00,01,00         binary
//   "Count"=dword:0000000a              a 32-bit number, 1 to 8 hexadecimal digits
//   "Other"=hex(2):25,00                any other type, by its number
#pragma once

#include "platform/WinTypes.h"

#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

struct Value {
    std::string name; // empty for the default value
    win::DWORD type;
    std::string data; // text without its terminating NUL
    bool operator==(const Value&) const = default;
};

struct Key {
    std::string path; // empty for the root itself
    std::vector<Value> values;
    bool operator==(const Key&) const = default;

    // The value of that name, found without regard to letter case.
    Value* Find(std::string_view name);
};

struct Hive {
    std::string header; // the comment lines before the first key
    std::vector<Key> keys;
    bool operator==(const Hive&) const = default;

    // The key of that path, found without regard to letter case.
    Key* Find(std::string_view path);
};

// A key's path as the file keeps it and handles name it: no backslash at either end, none doubled.
std::string NormalKeyPath(std::string_view path);

// Keys that appear twice are read as one; of two values of one name in a key, the first counts.
// Lines are split as TextLines does; a line that is not a comment, a key or a well-formed value
// is passed over, and the values under a key line that cannot be read are passed over with it.
Hive ParseHive(std::string_view text);
std::string SerialiseHive(const Hive& hive);

} // namespace platform::registry
