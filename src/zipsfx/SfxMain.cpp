// The self-extractor stub ZIPSFX.BIN. A converted archive is this program with the archive
// appended; run, it extracts every entry with its folders into the folder given as its argument
// (made when missing) or into the current folder, says what it does, and ends with status 1
// when anything failed or an existing file was left without asking (2 when it could not start).
// On a terminal it asks before it replaces a file and asks for the password of encrypted entries.
#include "zipsfx/SfxExtract.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

const char* const kUsage =
    " [-o] [FOLDER]\n"
    "Extracts this archive into FOLDER (made when missing) or the current folder.\n"
    "  -o, --overwrite  replace existing files without asking\n"
    "  -h, --help       show this help\n"
    "On a terminal it asks before replacing a file; otherwise it leaves existing files, names\n"
    "them and ends with status 1.";

bool Is(const char* text, const char* one, const char* other) {
    return std::strcmp(text, one) == 0 || std::strcmp(text, other) == 0;
}

void Print(int fd, const std::string& text, const char* end = "\n") {
    const std::string line = text + end;
    for (std::size_t done = 0; done < line.size();) {
        const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

void Say(const std::string& line, bool failure) {
    Print(failure ? 2 : 1, failure ? "error: " + line : line);
}

// One line typed on the terminal, without its line end; empty at the end of input.
std::string ReadLine() {
    std::string line;
    char c = 0;
    while (::read(STDIN_FILENO, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

SfxReplace AskReplace(const std::string& name) {
    for (;;) {
        Print(STDOUT_FILENO, "replace " + name + "? [y]es, [n]o, [A]ll, [N]one: ", "");
        const std::string line = ReadLine();
        const char* answer = line.c_str();
        if (Is(answer, "y", "yes"))
            return SfxReplace::Yes;
        if (Is(answer, "n", "no"))
            return SfxReplace::No;
        if (Is(answer, "A", "all"))
            return SfxReplace::All;
        if (Is(answer, "N", "none") || line.empty())
            return SfxReplace::None;
    }
}

// Without a terminal nothing is replaced; each file left is named as it is met.
SfxReplace KeepExisting(const std::string&) {
    return SfxReplace::No;
}

// The terminal's settings before the typing was hidden, put back however the prompt ends.
termios shown{};
constexpr int kEndingSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP};

// A signal that ends the program during the prompt: the echo comes back first, then the program
// ends with the status a shell gives a program the signal ended.
void ShowTypingAndEnd(int signal) {
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &shown);
    ::_exit(128 + signal);
}

// Asked with the typing hidden.
std::string AskPassword() {
    const bool hidden = ::tcgetattr(STDIN_FILENO, &shown) == 0;
    struct sigaction ending {};
    ending.sa_handler = ShowTypingAndEnd;
    if (hidden) {
        for (const int signal : kEndingSignals)
            ::sigaction(signal, &ending, nullptr);
        termios quiet = shown;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    Print(STDOUT_FILENO, "The archive is encrypted. Password: ", "");
    std::string password = ReadLine();
    if (hidden) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &shown);
        ending.sa_handler = SIG_DFL;
        for (const int signal : kEndingSignals)
            ::sigaction(signal, &ending, nullptr);
    }
    Print(STDOUT_FILENO, "");
    return password;
}

std::string NoPassword() {
    Say("the archive is encrypted: run this program on a terminal to give the password; the "
        "encrypted files are not extracted",
        true);
    return {};
}

} // namespace

int main(int argc, char** argv) {
    const std::string usage = std::string("usage: ") + argv[0];
    bool overwrite = false;
    bool options = true;
    const char* target = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (options && Is(argument, "-h", "--help")) {
            Print(STDOUT_FILENO, usage + kUsage);
            return 0;
        }
        if (options && Is(argument, "-o", "--overwrite"))
            overwrite = true;
        else if (options && Is(argument, "--", "--"))
            options = false;
        else if ((options && argument[0] == '-' && argument[1] != '\0') || target) {
            Print(STDERR_FILENO, usage + " [-o] [FOLDER]; -h tells more");
            return 2;
        } else
            target = argument;
    }
    if (!target)
        target = ".";
    // The program's own file holds the archive.
    int self = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    if (self < 0)
        self = ::open(argv[0], O_RDONLY | O_CLOEXEC);
    if (self < 0) {
        Say("cannot read this program's own file", true);
        return 2;
    }
    if (::mkdir(target, 0777) != 0 && errno != EEXIST) {
        Say(std::string("cannot create the folder ") + target, true);
        return 2;
    }
    const int folder = ::open(target, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        Say(std::string("cannot open the folder ") + target, true);
        return 2;
    }
    Print(STDOUT_FILENO, std::string("Extracting into ") + target);
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    SfxQuestions ask{terminal ? AskReplace : KeepExisting, terminal ? AskPassword : NoPassword};
    if (overwrite)
        ask.replace = [](const std::string&) { return SfxReplace::All; };
    const SfxOutcome outcome = ExtractSfxArchive(self, folder, Say, ask);
    ::close(self);
    if (!terminal && !overwrite && outcome.kept > 0)
        Say("existing files were left as they are (listed as kept); -o replaces them", true);
    if (outcome.failures > 0)
        Say("some entries were not extracted", true);
    if (outcome.failures > 0 || (!terminal && !overwrite && outcome.kept > 0))
        return 1;
    Print(STDOUT_FILENO, "Done.");
    return 0;
}
