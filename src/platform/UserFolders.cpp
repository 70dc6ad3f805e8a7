// The user's own folders on the host.
#include "platform/UserFolders.h"

#include "platform/AtomicFile.h"
#include "platform/PathMap.h"
#include "platform/TextLines.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::string Home() {
    const char* home = std::getenv("HOME");
    return home && home[0] == '/' ? home : "";
}

// XDG_DOWNLOAD_DIR="$HOME/Downloads" as user-dirs.dirs writes it: a quoted path, absolute or
// starting with $HOME. Empty when the file does not name one.
std::string NamedDownloadFolder(const std::string& home) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string folder = config && config[0] == '/' ? config : home + "/.config";
    const auto text = ReadTextFileHead(folder + "/user-dirs.dirs", 1 << 16);
    if (!text)
        return {};
    const std::string key = "XDG_DOWNLOAD_DIR=\"";
    for (const std::string& line : TextLines(*text)) {
        if (!line.starts_with(key) || line.size() < key.size() + 1 || line.back() != '"')
            continue;
        const std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.starts_with("$HOME"))
            return home + value.substr(5);
        return value.starts_with("/") ? value : std::string();
    }
    return {};
}

} // namespace

std::string UserDownloadFolder() {
    const std::string home = Home();
    if (home.empty())
        return {};
    const std::string named = NamedDownloadFolder(home);
    return named.empty() ? home + "/Downloads" : named;
}

std::string UserHomeFolder() {
    const std::string home = Home();
    struct stat st {};
    if (home.empty() || ::stat(home.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {};
    char real[PATH_MAX];
    return ::realpath(home.c_str(), real) && std::string(real) != "/" ? home : std::string();
}

std::string UserFallbackFolder() {
    const std::string home = Home();
    struct stat st {};
    if (!home.empty() && ::stat(home.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
        st.st_uid == ::geteuid())
        if (const std::string windows = WindowsPathOf(home); !windows.empty())
            return windows;
    return "C:\\";
}

} // namespace platform
