// Runs a peer tool (python3, 7zz, bsdtar) for a test and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct ToolResult {
    int exitCode = -1;
    std::string output; // standard output and error together
};

ToolResult RunTool(const std::vector<std::string>& argv);
// Whether a program of this name is on the PATH.
bool ToolInstalled(const std::string& name);
// Python code defining Unseekable(file): the file as a stream that cannot seek, to which Python's
// zipfile writes each entry's sizes in a data descriptor after its data. Code goes after it.
extern const char* const kPythonUnseekable;

// Python code run with python3 -c, its arguments after it.
ToolResult RunPython(const std::string& code, const std::vector<std::string>& arguments = {});

// Each entry of the archive (a host path) as 7-Zip lists it, sorted, a line each: "name method",
// the method as 7-Zip names it ("AES-256 Deflate", "ZipCrypto Store"), without the level it adds
// after a colon.
std::string SevenZipMethods(const std::string& archive);

// Tests the archive (a host path) with Python's zipfile, 7-Zip and bsdtar, each reading every
// entry and checking its CRC; the output of each tool that failed, or nothing when all passed.
std::string PeerFailures(const std::string& archive);

} // namespace testing_support
