// Helpers of the tests that feed damaged settings and registry files to their readers: files that
// cannot be read, a way to run a check as a process that file permissions bind (a test run as root
// reads everything otherwise), and test names from the rows' names.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

namespace testing_support {

// A row's name ("nul-bytes-inside-lines") as a test's name.
template <typename ParamInfo> std::string RowName(const ParamInfo& info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

// piece repeated to size bytes, the last copy cut.
std::string Repeat(std::string_view piece, std::size_t size);
// size bytes that are the same on every run and mean nothing.
std::string Garbage(std::size_t size);

enum class Unreadable { Folder, Pipe, DanglingLink, NoReadPermission };

struct UnreadableRow {
    const char* name;
    Unreadable kind;
    bool replaced; // whether a write may put a file in its place: only where nothing is lost
};

inline const UnreadableRow kUnreadableRows[] = {
    {"folder", Unreadable::Folder, false},
    {"pipe", Unreadable::Pipe, false},
    {"dangling-link", Unreadable::DanglingLink, true},
    {"no-read-permission", Unreadable::NoReadPermission, false},
};

// Makes that kind of file at hostPath (a file without read permission holding contents), then, as
// a process that file permissions bind, reads a value, writes it and reads it again, and returns
// what it saw: the first read, "written" or "refused", the second read. Afterwards a file without
// read permission must still hold contents, and a dangling link that was written must have become a
// file.
std::string ReadWriteRead(Unreadable kind, const std::string& hostPath, const std::string& contents,
                          const std::function<std::string()>& read,
                          const std::function<bool()>& write);

} // namespace testing_support
