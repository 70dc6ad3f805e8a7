// Runs a peer tool for a test.
#include "RunTool.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testing_support {

ToolResult RunTool(const std::vector<std::string>& argv) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Never the terminal the tests may have been started from: a tool that asks gets no answer.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    ToolResult result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        result.output.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    if (rc != 0)
        return {127, "cannot start " + argv[0]};
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool ToolInstalled(const std::string& name) {
    return RunTool({"sh", "-c", "command -v \"$0\"", name}).exitCode == 0;
}

const char* const kPythonUnseekable = R"(
import io
class Unseekable(io.RawIOBase):
    def __init__(self, f): self.f = f
    def writable(self): return True
    def write(self, b): return self.f.write(b)
    def seekable(self): return False
)";

ToolResult RunPython(const std::string& code, const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"python3", "-c", code};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunTool(argv);
}

std::string SevenZipMethods(const std::string& archive) {
    return RunPython(R"(
import subprocess, sys
listing = subprocess.run(["7zz", "l", "-slt", sys.argv[1]], capture_output=True, text=True).stdout
path, lines = None, []
for line in listing.splitlines():
    if line.startswith("Path = "): path = line[7:]
    if line.startswith("Method = ") and path != sys.argv[1]:
        lines.append(path + " " + line[9:].split(":")[0] + "\n")
print("".join(sorted(lines)), end="")
)",
                     {archive})
        .output;
}

std::string PeerFailures(const std::string& archive) {
    std::string failures;
    for (const auto& argv : std::vector<std::vector<std::string>>{
             {"python3", "-m", "zipfile", "-t", archive},
             {"7zz", "t", archive},
             {"sh", "-c", "bsdtar -xOf \"$0\" >/dev/null", archive}}) {
        const ToolResult result = RunTool(argv);
        // Python's zipfile -t names a corrupted entry but still ends with status 0.
        if (result.exitCode != 0 || result.output.find("corrupted") != std::string::npos)
            failures += argv[0] + ": " + result.output + "\n";
    }
    return failures;
}

} // namespace testing_support
