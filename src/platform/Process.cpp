// Starting programs and opening documents.
#include "platform/Process.h"

#include "platform/Files.h"
#include "platform/PathMap.h"
#include "platform/WinPath.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {
namespace {

constexpr win::UINT kBadFormat = 11;
constexpr std::intptr_t kNoAssociation = 31;

std::mutex hookLock;
ProgramStartHook startHook;

std::string FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        auto end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

// Starts argv without waiting and without leaving a zombie: an intermediate child spawns the
// program and ends at once, so the program is adopted by init. The intermediate child's status
// carries the error of the spawn. 0 when the program started, else the error number. A program
// with a verified descriptor runs from it: the descriptor's own link in /proc opens that very
// file, and a script's interpreter reads the script through the same link, which it inherits.
int SpawnDetached(const std::vector<std::string>& argv, int verified) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const std::string run =
        verified >= 0 ? "/proc/self/fd/" + std::to_string(verified) : std::string(args[0]);
    const pid_t child = ::fork();
    if (child < 0)
        return errno;
    if (child == 0) {
        ::setsid();
        if (verified >= 0 && ::fcntl(verified, F_SETFD, 0) != 0)
            ::_exit(errno & 0xFF);
        pid_t program = 0;
        ::_exit(::posix_spawn(&program, run.c_str(), nullptr, nullptr, args.data(), environ) &
                0xFF);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : ECHILD;
}

// Offers the start to the hook; otherwise starts it. 0 or the error number.
int Start(const ProgramStart& start) {
    ProgramStartHook hook;
    {
        std::lock_guard guard(hookLock);
        hook = startHook;
    }
    if (hook && hook(start))
        return 0;
    return SpawnDetached(start.hostArgv, start.verified);
}

// The first bytes of the file, read from its descriptor when it has one.
std::string FileHead(const std::string& hostPath, int verified) {
    char head[4] = {};
    const int fd = verified >= 0 ? verified : ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    const ssize_t n = ::pread(fd, head, sizeof head, 0);
    if (fd != verified)
        ::close(fd);
    return n > 0 ? std::string(head, static_cast<std::size_t>(n)) : std::string();
}

StartFailure StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                          int verified) {
    const auto host = HostPathOf(program);
    if (!host || (verified < 0 && !FileExists(program)))
        return StartFailure::Missing;
    ProgramStart start{ProgramStart::Kind::Program, program, {}};
    const std::string head = FileHead(*host, verified);
    if (head.starts_with("MZ")) {
        const std::string wine = FindOnPath("wine");
        if (wine.empty())
            return StartFailure::NoWindowsLoader;
        start.hostArgv = {wine, *host};
    } else if (head.starts_with("#!") || head.starts_with("\x7f"
                                                          "ELF")) {
        // A program run directly needs its execute bit, which an extracted file lacks.
        struct stat st {};
        const int fd = verified >= 0 ? verified : ::open(host->c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0 && ::fstat(fd, &st) == 0 && !(st.st_mode & S_IXUSR))
            ::fchmod(fd, (st.st_mode | S_IXUSR) & 07777);
        if (fd >= 0 && fd != verified)
            ::close(fd);
        start.hostArgv = {*host};
        start.verified = verified;
    } else {
        return StartFailure::NotAProgram;
    }
    start.hostArgv.insert(start.hostArgv.end(), arguments.begin(), arguments.end());
    return Start(start) == 0 ? StartFailure::None : StartFailure::Refused;
}

bool IsAddress(const std::string& target) {
    const std::string lower = win::LowerCase(target);
    return lower.starts_with("http://") || lower.starts_with("https://") ||
           lower.starts_with("ftp://") || lower.starts_with("mailto:");
}

} // namespace

void SetProgramStartHook(ProgramStartHook hook) {
    std::lock_guard guard(hookLock);
    startHook = std::move(hook);
}

CommandLine SplitCommandLine(const std::string& commandLine) {
    CommandLine result;
    std::string rest;
    const auto first = commandLine.find_first_not_of(' ');
    const std::string line = first == std::string::npos ? "" : commandLine.substr(first);
    if (line.starts_with("\"")) {
        const auto close = line.find('"', 1);
        result.program = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        rest = close == std::string::npos ? "" : line.substr(close + 1);
    } else {
        std::size_t end = line.find(' ');
        result.program = line.substr(0, end);
        for (std::size_t at = end;; at = line.find(' ', at + 1)) {
            const std::string candidate = line.substr(0, at);
            if (FileExists(candidate) || FileExists(candidate + ".exe")) {
                result.program = candidate;
                end = at;
                break;
            }
            if (at == std::string::npos)
                break;
        }
        rest = end == std::string::npos ? "" : line.substr(end);
    }
    std::string word;
    bool quoted = false, inWord = false;
    for (char c : rest) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            if (inWord)
                result.arguments.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        result.arguments.push_back(word);
    return result;
}

std::string StartFailureText(StartFailure failure) {
    switch (failure) {
    case StartFailure::None:
        return {};
    case StartFailure::Missing:
        return "the file is missing";
    case StartFailure::NoWindowsLoader:
        return "it is a Windows program, and no Windows program loader (wine) is installed";
    case StartFailure::NotAProgram:
        return "it is not a program this system can run";
    case StartFailure::Refused:
        return "the system refused to start it";
    case StartFailure::NoOpener:
        return "no program to open it is installed";
    }
    return {};
}

StartFailure StartProgramFile(const std::string& program,
                              const std::vector<std::string>& arguments) {
    return StartProgram(program, arguments, -1);
}

StartFailure StartVerifiedProgram(const std::string& program, int verified) {
    return StartProgram(program, {}, verified);
}

StartFailure OpenDocument(const std::string& target) {
    std::string hostTarget = target;
    if (!IsAddress(target)) {
        const auto host = HostPathOf(target);
        if (!host || AttributesOfHostFile(*host) == win::INVALID_FILE_ATTRIBUTES)
            return StartFailure::Missing;
        hostTarget = *host;
    }
    const std::string opener = FindOnPath("xdg-open");
    const ProgramStart start{
        ProgramStart::Kind::ShellOpen, target, {opener.empty() ? "xdg-open" : opener, hostTarget}};
    return Start(start) == 0 ? StartFailure::None : StartFailure::NoOpener;
}

} // namespace platform

namespace win {

UINT WinExec(LPCSTR commandLine, UINT) {
    const auto split = platform::SplitCommandLine(commandLine ? commandLine : "");
    std::string program = split.program;
    if (!platform::FileExists(program) && platform::FileExists(program + ".exe"))
        program += ".exe";
    switch (platform::StartProgramFile(program, split.arguments)) {
    case platform::StartFailure::None:
        return 33;
    case platform::StartFailure::Missing:
        return ERROR_FILE_NOT_FOUND;
    default:
        return platform::kBadFormat;
    }
}

std::intptr_t ShellExecuteA(void*, LPCSTR verb, LPCSTR file, LPCSTR, LPCSTR, int) {
    if (verb && !SameText(verb, "open"))
        return platform::kNoAssociation;
    switch (platform::OpenDocument(file ? file : "")) {
    case platform::StartFailure::None:
        return 42;
    case platform::StartFailure::Missing:
        return ERROR_FILE_NOT_FOUND;
    default:
        return platform::kNoAssociation;
    }
}

} // namespace win
