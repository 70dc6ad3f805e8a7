// Helpers of the tests that feed damaged settings and registry files to their readers: files that
// cannot be read, a way to run a check as a process that file permissions bind (a test run as root
// reads everything otherwise), and test names from the rows' names.
#pragma once

#include <algorithm>
#include <functional>
#include <string>

namespace testing_support {

// A row's name ("nul-bytes-inside-lines") as a test's name.
template <typename ParamInfo> std::string RowName(const ParamInfo& info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

enum class Unreadable { Folder, Pipe, DanglingLink, NoReadPermission };

// Makes that kind of file at hostPath (a file without read permission holds contents).
void MakeUnreadable(Unreadable kind, const std::string& hostPath, const std::string& contents);

// Runs body in a child process without the capabilities that override file permissions and returns
// what it returned ("<child failed>" when it did not end normally).
std::string InBoundChild(const std::function<std::string()>& body);

} // namespace testing_support
