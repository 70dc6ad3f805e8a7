// The desktop's handler of ZIP files: our desktop entry and our line in mimeapps.list.
#include "platform/DesktopZipHandler.h"

#include "platform/AtomicFile.h"
#include "platform/KeyFileText.h"
#include "platform/OwnedFiles.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

const char* const kZipHandlerId = "org.pakrune.Pakrune.ZipHandler.desktop";
const std::vector<std::string> kZipHandlerTypes = {
    "application/zip", "application/x-zip-compressed", "application/x-pakrune"};

namespace {

constexpr const char* kDefaults = "Default Applications";

// The folder the variable names, else its place in the home folder; empty without either, since
// a shared folder must never stand in for the user's own.
std::string XdgFolder(const char* variable, const char* inHome) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return value;
    const char* home = std::getenv("HOME");
    return home && home[0] == '/' ? std::string(home) + "/" + inHome : std::string();
}

bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// A path as the program argument of Exec. A path with a character that the desktop's command
// lines reserve is quoted, and inside the quotes ", `, $ and \ take a backslash (a plain path
// stays unquoted, as simple readers of Exec expect); a percent sign is doubled. Then the whole
// value is escaped as a desktop entry string, which doubles every backslash again and writes
// control characters as escapes.
std::string ExecArgument(const std::string& path) {
    const bool quote = path.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
    std::string argument = quote ? "\"" : "";
    for (char c : path) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            argument += '\\';
        argument += c == '%' ? "%%" : std::string(1, c);
    }
    if (quote)
        argument += '"';
    std::string value;
    for (char c : argument) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            value += c;
        }
    }
    return value;
}

// The applications of one mimeapps.list line ("a.desktop;b.desktop;"), without empty items.
std::vector<std::string> SplitList(const std::string& line) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t end = std::min(line.find(';', start), line.size());
        if (end > start)
            items.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

// The line without our entry: every other item and separator stays as the user wrote it, so
// taking ours out gives back the line as it was before ours went in front.
std::string WithoutOurs(const std::string& line) {
    std::string kept;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t end = std::min(line.find(';', start), line.size());
        if (line.compare(start, end - start, kZipHandlerId) != 0)
            kept += line.substr(start, end - start) + (end < line.size() ? ";" : "");
        start = end + 1;
    }
    return kept;
}

// Where mimeapps.list really is: a dotfile manager may keep it elsewhere and link it into place,
// and the link must stay. A link to nothing leads to the file it names, made there.
std::string ListTarget() {
    std::string path = MimeAppsListPath();
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error)))
            break;
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error)
            break;
        path =
            target.is_absolute()
                ? target.string()
                : (std::filesystem::path(path).parent_path() / target).lexically_normal().string();
    }
    return path;
}

// Rewrites mimeapps.list through edit, which returns whether it changed anything; the file is
// replaced only then, where a link leads. True when nothing had to be written or the write
// succeeded.
template <typename Edit> bool EditMimeApps(Edit edit) {
    const std::string path = ListTarget();
    const auto old = ReadWholeFile(path);
    // A list that exists but cannot be read is not replaced by one holding only our lines.
    if (!old && errno != ENOENT)
        return false;
    KeyFileText text(old.value_or(""));
    if (!edit(text))
        return true;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    return WriteFileAtomically(path, text.Text());
}

// Runs a host tool with its output discarded and waits for it; a missing tool is passed over.
void RunQuietly(std::vector<std::string> argv) {
    std::vector<char*> args;
    for (auto& arg : argv)
        args.push_back(arg.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    if (posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ) == 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

void RefreshDatabase() {
    RunQuietly(
        {"update-desktop-database", XdgFolder("XDG_DATA_HOME", ".local/share") + "/applications"});
}

} // namespace

std::string ZipHandlerEntryPath() {
    const std::string data = XdgFolder("XDG_DATA_HOME", ".local/share");
    return data.empty() ? data : data + "/applications/" + kZipHandlerId;
}

std::string MimeAppsListPath() {
    const std::string config = XdgFolder("XDG_CONFIG_HOME", ".config");
    return config.empty() ? config : config + "/mimeapps.list";
}

std::string ZipHandlerEntry(const std::string& hostProgram) {
    std::string types;
    for (const auto& type : kZipHandlerTypes)
        types += type + ";";
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Pakrune\n"
           "GenericName=Archive Manager\n"
           "Comment=Open ZIP archives downloaded with a web browser\n"
           "Exec=" +
           ExecArgument(hostProgram) +
           " %f\n"
           "Icon=org.pakrune.Pakrune\n"
           "Terminal=false\n"
           "NoDisplay=true\n"
           "MimeType=" +
           types + "\n";
}

std::string DesktopFilesRefusal() {
    if (ZipHandlerEntryPath().empty() || MimeAppsListPath().empty())
        return "neither XDG_DATA_HOME and XDG_CONFIG_HOME nor HOME is set, so there is no folder "
               "of your own for its desktop entry";
    // A read-only list is the user's decision: refused once, not failed at every start.
    struct stat st {};
    const std::string list = ListTarget();
    if (::stat(list.c_str(), &st) == 0 && !(st.st_mode & S_IWUSR))
        return "the file " + list + " is read-only";
    return {};
}

std::string ZipHandlerRefusal(const std::string& hostProgram) {
    if (const std::string refusal = DesktopFilesRefusal(); !refusal.empty())
        return refusal;
    if (!IsValidUtf8(hostProgram))
        return "the path of the program, " + hostProgram +
               ", is not valid UTF-8, and a desktop entry can name only UTF-8 paths";
    if (HasControlCharacter(hostProgram))
        return "the path of the program, " + hostProgram +
               ", holds a control character, which a desktop entry cannot name";
    // The entry names the program's path for as long as it stays: no other user may be able to
    // put a program of theirs there, now or once this one is gone (a sticky folder such as /tmp
    // is emptied, and its names come free).
    struct stat st {};
    if (::lstat(hostProgram.c_str(), &st) != 0)
        return "the program " + hostProgram + " cannot be found";
    if ((st.st_uid != ::geteuid() && st.st_uid != 0) || WritableByOthers(st))
        return "the program " + hostProgram + " can be changed by other users";
    if (const std::string why = WhyFoldersAboveUnsafe(hostProgram, StickyBit::DoesNotCount);
        !why.empty())
        return "the program " + hostProgram + " " + why +
               ", and a program of theirs could take its place";
    return {};
}

std::string RegisterZipHandler(const std::string& hostProgram) {
    const std::string entryPath = ZipHandlerEntryPath();
    const std::string entry = ZipHandlerEntry(hostProgram);
    if (ReadWholeFile(entryPath) != entry) {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(entryPath).parent_path(), error);
        if (!WriteFileAtomically(entryPath, entry))
            return entryPath;
        RefreshDatabase();
    }
    // Ours first; the applications chosen before stay behind it, as the user wrote them.
    const bool listed = EditMimeApps([](KeyFileText& text) {
        bool changed = false;
        for (const auto& type : kZipHandlerTypes) {
            const std::string old = text.Get(kDefaults, type).value_or("");
            const auto items = SplitList(old);
            if (!items.empty() && items.front() == kZipHandlerId &&
                std::count(items.begin(), items.end(), kZipHandlerId) == 1)
                continue;
            text.Set(kDefaults, type, std::string(kZipHandlerId) + ";" + WithoutOurs(old));
            changed = true;
        }
        return changed;
    });
    return listed ? std::string() : MimeAppsListPath();
}

std::string UnregisterZipHandler() {
    const bool unlisted = EditMimeApps([](KeyFileText& text) {
        bool changed = false;
        for (const auto& type : kZipHandlerTypes) {
            const auto old = text.Get(kDefaults, type);
            if (!old || WithoutOurs(*old) == *old)
                continue;
            if (SplitList(WithoutOurs(*old)).empty())
                text.DeleteKey(kDefaults, type);
            else
                text.Set(kDefaults, type, WithoutOurs(*old));
            changed = true;
        }
        return changed;
    });
    if (!unlisted)
        return MimeAppsListPath();
    const std::string entryPath = ZipHandlerEntryPath();
    std::error_code error;
    if (std::filesystem::remove(entryPath, error))
        RefreshDatabase();
    else if (error)
        return entryPath;
    return {};
}

} // namespace platform
