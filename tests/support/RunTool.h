// Runs a peer tool (python3, 7zz) for a test and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct ToolResult {
    int exitCode = -1;
    std::string output; // standard output and error together
};

ToolResult RunTool(const std::vector<std::string>& argv);
// Python code run with python3 -c, its arguments after it.
ToolResult RunPython(const std::string& code, const std::vector<std::string>& arguments = {});

} // namespace testing_support
