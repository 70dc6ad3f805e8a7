// The self-extractor as a command run from a shell: its usage, what it does with existing files
// with and without a terminal (a pseudo-terminal here), the times it restores, the password of
// encrypted entries, and Zip64 archives.
#include "EngineTest.h"
#include "LocalTime.h"
#include "RunTool.h"
#include "TestMachine.h"
#include "ZipBytes.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const std::string kStub = SFX_STUB;

// A question the program is expected to ask on its terminal, and what is typed in reply.
struct Exchange {
    std::string question;
    std::string answer;
};

// Runs argv on a new pseudo-terminal, answering each question once it has been asked; what the
// terminal showed, and the exit status (-1 when a question never came within five seconds).
ToolResult RunOnTerminal(const std::vector<std::string>& argv,
                         const std::vector<Exchange>& exchanges) {
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ToolResult result;
    std::size_t next = 0, askedUpTo = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        pollfd in{master, POLLIN, 0};
        if (::poll(&in, 1, 100) > 0) {
            char buffer[4096];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0)
                break; // the program ended and closed the terminal
            result.output.append(buffer, static_cast<std::size_t>(n));
        }
        if (next < exchanges.size()) {
            const auto asked = result.output.find(exchanges[next].question, askedUpTo);
            if (asked != std::string::npos) {
                askedUpTo = asked + exchanges[next].question.size();
                const std::string typed = exchanges[next++].answer + "\n";
                EXPECT_EQ(::write(master, typed.data(), typed.size()),
                          static_cast<ssize_t>(typed.size()));
            }
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            break;
        }
    }
    ::close(master);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) && next == exchanges.size() ? WEXITSTATUS(status) : -1;
    return result;
}

class SfxCommand : public EngineTest {
protected:
    // The stub followed by the archive, as an executable host file.
    std::string Program(const std::string& archive) {
        const std::string path = HostTemp() + "/x.run"; // not .exe: no fuzzing seed
        WriteHostFile(path, ReadHostFile(kStub) + archive);
        fs::permissions(path, fs::perms::owner_exec, fs::perm_options::add);
        return path;
    }
    // The archive the engine makes of the files under C:\data, as a program.
    std::string EngineProgram(const std::vector<std::string>& specs,
                              AddOpts options = AddDirNames) {
        EXPECT_GT(Add("C:\\pack.zip", specs, options), 0);
        return Program(ReadHostFile(DriveC() + "/pack.zip"));
    }
    std::string Target() const { return DriveC() + "/target"; }
    // C:\pack.zip holding C:\data\secret.txt encrypted with the traditional scheme, the one the
    // stub decrypts (adding protects with AES), made by 7-Zip; false when 7-Zip is missing.
    bool PackTraditionallyEncrypted() {
        if (!ToolInstalled("7zz"))
            return false;
        const auto made = RunTool({"sh", "-c",
                                   "cd \"$0\" && 7zz a -bd -tzip \"-p$1\" -mem=ZipCrypto "
                                   "../pack.zip secret.txt",
                                   DriveC() + "/data", "right one"});
        EXPECT_EQ(made.exitCode, 0) << made.output;
        return true;
    }
};

} // namespace

TEST_F(SfxCommand, HelpPrintsTheUsageAndExtractsNothing) {
    const std::string program = Program(zipbytes::Archive({{"a.txt", "a"}}));
    struct Row {
        std::vector<std::string> arguments;
        int status;
        const char* said;
    };
    const Row rows[] = {
        {{"-h"}, 0, "-o, --overwrite"},
        {{"--help"}, 0, "-o, --overwrite"},
        {{Target(), "-h"}, 0, "-o, --overwrite"},
        {{"-x"}, 2, "-h tells more"},
        {{Target(), "second"}, 2, "-h tells more"},
    };
    fs::create_directories(DriveC() + "/here");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments[0]);
        std::vector<std::string> argv = {"sh", "-c", "cd \"$0\" && exec \"$@\"", DriveC() + "/here",
                                         program};
        argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
        const auto run = RunTool(argv);
        EXPECT_EQ(run.exitCode, row.status) << run.output;
        EXPECT_NE(run.output.find("usage: " + program), std::string::npos) << run.output;
        EXPECT_NE(run.output.find(row.said), std::string::npos) << run.output;
        EXPECT_TRUE(fs::is_empty(DriveC() + "/here"));
        EXPECT_FALSE(fs::exists(Target()));
    }
    // After "--" a name that starts with "-" is the folder.
    const auto dashed =
        RunTool({"sh", "-c", "cd \"$0\" && exec \"$@\"", DriveC() + "/here", program, "--", "-h"});
    EXPECT_EQ(dashed.exitCode, 0) << dashed.output;
    EXPECT_EQ(ReadHostFile(DriveC() + "/here/-h/a.txt"), "a");
}

TEST_F(SfxCommand, WithoutATerminalExistingFilesStayAndAreNamedUnlessOverwriteIsGiven) {
    const std::string program =
        Program(zipbytes::Archive({{"readme.txt", "theirs"}, {"new.txt", "new"}}));
    struct Row {
        const char* option;
        int status;
        const char* readme;
    };
    const Row rows[] = {{nullptr, 1, "mine"}, {"-o", 0, "theirs"}, {"--overwrite", 0, "theirs"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.option ? row.option : "no option");
        fs::remove_all(Target());
        WriteHostFile(Target() + "/readme.txt", "mine");
        const auto run =
            RunTool(row.option ? std::vector<std::string>{program, row.option, Target()}
                               : std::vector<std::string>{program, Target()});
        EXPECT_EQ(run.exitCode, row.status) << run.output;
        EXPECT_EQ(ReadHostFile(Target() + "/readme.txt"), row.readme);
        EXPECT_EQ(ReadHostFile(Target() + "/new.txt"), "new");
        EXPECT_EQ(run.output.find("kept:      readme.txt") != std::string::npos, !row.option)
            << run.output;
        EXPECT_EQ(TreeOf(Target()), (std::vector<std::string>{"new.txt", "readme.txt"}));
    }
}

TEST_F(SfxCommand, OnATerminalItAsksPerFileUntilAnAnswerCoversTheRest) {
    const std::string program = Program(
        zipbytes::Archive({{"one.txt", "new 1"}, {"two.txt", "new 2"}, {"three.txt", "new 3"}}));
    const std::string one = "replace one.txt?", two = "replace two.txt?",
                      three = "replace three.txt?";
    struct Row {
        const char* name;
        std::vector<Exchange> answers;
        std::string expected; // what one, two and three hold afterwards, a digit each
    };
    const Row rows[] = {
        {"yes, no, yes", {{one, "y"}, {two, "no"}, {three, "yes"}}, "nkn"},
        {"no, all", {{one, "n"}, {two, "A"}}, "knn"},
        {"yes, none", {{one, "y"}, {two, "none"}}, "nkk"},
        {"all", {{one, "all"}}, "nnn"},
        {"none", {{one, "N"}}, "kkk"},
        {"unclear, then yes", {{one, "maybe"}, {one, "y"}, {two, "n"}, {three, "n"}}, "nkk"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(Target());
        for (const char* name : {"one.txt", "two.txt", "three.txt"})
            WriteHostFile(Target() + "/" + name, "kept");
        const auto run = RunOnTerminal({program, Target()}, row.answers);
        EXPECT_EQ(run.exitCode, 0) << run.output;
        const char* names[] = {"one.txt", "two.txt", "three.txt"};
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(ReadHostFile(Target() + "/" + names[i]),
                      row.expected[i] == 'k' ? std::string("kept") : "new " + std::to_string(i + 1))
                << names[i];
        EXPECT_EQ(TreeOf(Target()).size(), 3u); // no temporary file left
    }
}

TEST_F(SfxCommand, FilesGetTheTimeOfTheirEntryAsTheEngineGivesIt) {
    // A zone away from UTC, with summer time, so a time taken as UTC or without the summer hour
    // would show.
    std::optional<testing_support::ScopedTimeZone> zone(std::in_place, "EST5EDT,M3.2.0,M11.1.0");
    WriteHostFile(DriveC() + "/data/summer.txt", "s");
    WriteHostFile(DriveC() + "/data/winter.txt", "w");
    const auto local = testing_support::LocalTime;
    const std::time_t summerTime = local(2021, 7, 12, 14, 30, 0);
    const std::time_t winterTime = local(1999, 1, 1, 6, 5, 4);
    fs::last_write_time(
        DriveC() + "/data/summer.txt",
        fs::file_time_type::clock::from_sys(std::chrono::system_clock::from_time_t(summerTime)));
    fs::last_write_time(
        DriveC() + "/data/winter.txt",
        fs::file_time_type::clock::from_sys(std::chrono::system_clock::from_time_t(winterTime)));
    const std::string program = EngineProgram({"C:\\data\\*.*"});
    const auto run = RunTool({program, Target()});
    fs::create_directories(DriveC() + "/engine");
    EXPECT_EQ(Extract("C:\\pack.zip", "C:\\engine", {"*.*"}, ExtrDirNames), 2);
    zone.reset();
    ASSERT_EQ(run.exitCode, 0) << run.output;
    for (const auto& [name, time] :
         {std::pair{"summer.txt", summerTime}, {"winter.txt", winterTime}}) {
        struct stat stub {
        }, engine{};
        ASSERT_EQ(::stat((Target() + "/data/" + name).c_str(), &stub), 0);
        ASSERT_EQ(::stat((DriveC() + "/engine/data/" + name).c_str(), &engine), 0);
        EXPECT_EQ(stub.st_mtime, time) << name;
        EXPECT_EQ(stub.st_mtime, engine.st_mtime) << name;
    }
}

TEST_F(SfxCommand, EncryptedEntriesNeedTheirPasswordFromTheTerminal) {
    WriteHostFile(DriveC() + "/data/secret.txt", std::string(3000, 's'));
    WriteHostFile(DriveC() + "/data/open.txt", "open");
    if (!PackTraditionallyEncrypted())
        GTEST_SKIP() << "7zz is not installed";
    const std::string program = EngineProgram({"C:\\data\\open.txt"}, AddOpts{});
    const std::string asked = "Password: ";
    struct Row {
        const char* name;
        bool terminal;
        std::string password;
        int status;
        const char* said;
        std::vector<std::string> extracted;
    };
    const Row rows[] = {
        {"right password",
         true,
         "right one",
         0,
         "extracted: secret.txt",
         {"open.txt", "secret.txt"}},
        {"wrong password", true, "wrong one", 1, "secret.txt: wrong password, not", {"open.txt"}},
        {"no password given", true, "", 1, "secret.txt: encrypted", {"open.txt"}},
        {"no terminal", false, "", 1, "the archive is encrypted", {"open.txt"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(Target());
        const auto run = row.terminal ? RunOnTerminal({program, Target()}, {{asked, row.password}})
                                      : RunTool({program, Target()});
        EXPECT_EQ(run.exitCode, row.status) << run.output;
        EXPECT_NE(run.output.find(row.said), std::string::npos) << run.output;
        EXPECT_EQ(TreeOf(Target()), row.extracted); // no partial or temporary file
        if (!row.password.empty()) {
            EXPECT_EQ(run.output.find(row.password), std::string::npos) << "the typing shows";
        }
    }
    EXPECT_EQ(ReadHostFile(Target() + "/open.txt"), "open");
}

TEST_F(SfxCommand, ArchivesOfOtherToolsWithEncryptionOrZip64Extract) {
    WriteHostFile(HostTemp() + "/in/docs/a.txt", std::string(5000, 'a'));
    WriteHostFile(HostTemp() + "/in/b.bin", std::string(70000, '\3'));
    const std::string made = HostTemp() + "/made.zip";
    struct Row {
        const char* name;
        std::vector<std::string> make;
        std::vector<Exchange> answers;
    };
    const Row rows[] = {
        {"7-Zip, traditional encryption",
         {"sh", "-c", "cd \"$0\" && 7zz a -bd -tzip -pright -mem=ZipCrypto \"$1\" docs b.bin",
          HostTemp() + "/in", made},
         {{"Password: ", "right"}}},
        {"zipfile, Zip64 everywhere",
         {"python3", "-c", R"(
import os, sys, zipfile
zipfile.ZIP64_LIMIT = 1000
os.chdir(sys.argv[1])
with zipfile.ZipFile(sys.argv[2], "w", zipfile.ZIP_STORED) as z:
    z.write("docs/a.txt")
    z.write("b.bin")
)",
          HostTemp() + "/in", made},
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(made);
        fs::remove_all(Target());
        const auto make = RunTool(row.make);
        ASSERT_EQ(make.exitCode, 0) << make.output;
        const auto run = RunOnTerminal({Program(ReadHostFile(made)), Target()}, row.answers);
        EXPECT_EQ(run.exitCode, 0) << run.output;
        EXPECT_EQ(TreeOf(Target() + "/docs"), TreeOf(HostTemp() + "/in/docs")) << run.output;
        EXPECT_EQ(ReadHostFile(Target() + "/docs/a.txt"), std::string(5000, 'a'));
        EXPECT_EQ(ReadHostFile(Target() + "/b.bin"), std::string(70000, '\3'));
    }
}

TEST_F(SfxCommand, TheTypingShowsAgainHoweverThePasswordPromptEnds) {
    WriteHostFile(DriveC() + "/data/secret.txt", "secret");
    if (!PackTraditionallyEncrypted())
        GTEST_SKIP() << "7zz is not installed";
    const std::string program = Program(ReadHostFile(DriveC() + "/pack.zip"));
    struct Row {
        const char* how;
        std::function<void(int master, pid_t pid)> end;
    };
    const Row rows[] = {
        {"Ctrl+C", [](int master, pid_t) { EXPECT_EQ(::write(master, "\x03", 1), 1); }},
        {"Ctrl+\\", [](int master, pid_t) { EXPECT_EQ(::write(master, "\x1c", 1), 1); }},
        {"terminated", [](int, pid_t pid) { ::kill(pid, SIGTERM); }},
        {"hung up", [](int, pid_t pid) { ::kill(pid, SIGHUP); }},
        {"end of input", [](int master, pid_t) { EXPECT_EQ(::write(master, "\x04", 1), 1); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.how);
        fs::remove_all(Target());
        // The terminal stays open on this side too, so its settings can be read afterwards.
        int master = -1, terminal = -1;
        ASSERT_EQ(::openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setsid();
            ::ioctl(terminal, TIOCSCTTY, 0);
            for (int fd = 0; fd < 3; ++fd)
                ::dup2(terminal, fd);
            ::execl(program.c_str(), program.c_str(), Target().c_str(), nullptr);
            ::_exit(127);
        }
        std::string shown;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (shown.find("Password: ") == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            pollfd in{master, POLLIN, 0};
            char buffer[256];
            if (::poll(&in, 1, 100) > 0) {
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                shown.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
            }
        }
        ASSERT_NE(shown.find("Password: "), std::string::npos) << shown;
        termios during{};
        ::tcgetattr(terminal, &during);
        EXPECT_FALSE(during.c_lflag & ECHO); // the typing is hidden while asked
        row.end(master, pid);
        int status = 0;
        ::waitpid(pid, &status, 0);
        termios after{};
        ::tcgetattr(terminal, &after);
        EXPECT_TRUE(after.c_lflag & ECHO);
        EXPECT_NE(status, 0);
        EXPECT_EQ(TreeOf(Target()), std::vector<std::string>{});
        ::close(master);
        ::close(terminal);
    }
}
