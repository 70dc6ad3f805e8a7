// How Windows paths become host paths and back.
#include "platform/PathMap.h"

#include "platform/Prefix.h"
#include "platform/WinPath.h"

#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
char UpperLetter(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::vector<std::string> SplitComponents(std::string_view path, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        auto end = path.find(separator, start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// Resolves "." and ".." of the components after a root; ".." at the root stays at the root.
std::vector<std::string> Normalise(const std::vector<std::string>& parts) {
    std::vector<std::string> out;
    for (const auto& part : parts) {
        if (part == ".")
            continue;
        if (part == "..") {
            if (!out.empty())
                out.pop_back();
            continue;
        }
        out.push_back(part);
    }
    return out;
}

std::string Join(const std::vector<std::string>& parts, char separator) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            out += separator;
        out += parts[i];
    }
    return out;
}

// The entry of folder dir whose name equals name without regard to letter case; the smallest
// such name when several differ only in case, so the choice does not depend on folder order.
std::optional<std::string> FindCaseInsensitive(const std::string& dir, const std::string& name) {
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return std::nullopt;
    std::optional<std::string> found;
    while (const dirent* e = ::readdir(d)) {
        if (win::SameText(e->d_name, name) && (!found || *found > e->d_name))
            found = e->d_name;
    }
    ::closedir(d);
    return found;
}

std::string RealPath(const std::string& hostPath) {
    char buffer[PATH_MAX];
    return ::realpath(hostPath.c_str(), buffer) ? std::string(buffer) : std::string();
}

// The host path made absolute, with links resolved in the part that exists.
std::string CanonicalHostPath(std::string_view hostPath) {
    std::string path(hostPath);
    if (path.empty() || path[0] != '/') {
        char cwd[PATH_MAX];
        path = std::string(::getcwd(cwd, sizeof cwd) ? cwd : "/") + "/" + path;
    }
    std::vector<std::string> parts = Normalise(SplitComponents(path, '/'));
    std::vector<std::string> missing;
    while (!parts.empty()) {
        const std::string real = RealPath("/" + Join(parts, '/'));
        if (!real.empty()) {
            std::string out = real == "/" ? "" : real;
            for (auto it = missing.rbegin(); it != missing.rend(); ++it)
                out += "/" + *it;
            return out.empty() ? "/" : out;
        }
        missing.push_back(parts.back());
        parts.pop_back();
    }
    return "/" + Join(std::vector<std::string>(missing.rbegin(), missing.rend()), '/');
}

struct Mount {
    std::string host;    // canonical host folder
    std::string windows; // its Windows path, without trailing backslash ("C:", "C:\WINDOWS\Temp")
};

// Links to folders inside a drive folder of the prefix, such as drive_c/WINDOWS/Temp, found to
// depth 3. A link to a file is no folder of the machine: the file keeps its own path.
void CollectPrefixLinks(const std::string& hostDir, const std::string& winDir, int depth,
                        std::vector<Mount>& mounts) {
    DIR* d = ::opendir(hostDir.c_str());
    if (!d)
        return;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string host = hostDir + "/" + name;
        struct stat st {};
        if (::lstat(host.c_str(), &st) != 0)
            continue;
        if (S_ISLNK(st.st_mode)) {
            struct stat target {};
            if (const std::string real = RealPath(host);
                !real.empty() && ::stat(real.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
                mounts.push_back({real, winDir + "\\" + name});
        } else if (S_ISDIR(st.st_mode) && depth > 1) {
            CollectPrefixLinks(host, winDir + "\\" + name, depth - 1, mounts);
        }
    }
    ::closedir(d);
}

std::vector<Mount> Mounts() {
    std::vector<Mount> mounts;
    if (!EnsurePrefix())
        return mounts;
    const std::string prefix = RealPath(PrefixDir());
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::string real = RealPath(DriveLink(letter));
        if (real.empty())
            continue;
        const std::string drive = std::string(1, letter) + ":";
        mounts.push_back({real, drive});
        if (!prefix.empty() && real.starts_with(prefix + "/"))
            CollectPrefixLinks(real, drive, 3, mounts);
    }
    return mounts;
}

bool IsUnder(const std::string& path, const std::string& folder) {
    if (folder == "/")
        return true;
    return path == folder || (path.starts_with(folder) && path[folder.size()] == '/');
}

// A Windows path walked on the disk: its drive's host folder and, for each component, the name
// it has there (matched exactly first, then without regard to letter case; a component that
// does not exist, and all after it, as given).
struct WalkedPath {
    std::string drive; // "C:"
    std::string host;  // the host path, before the folders on the way are resolved
    std::vector<std::string> names;
    bool trailing = false; // the path ends in a backslash
};

std::optional<WalkedPath> Walk(std::string_view winPath) {
    const std::string full = FullWindowsPath(winPath);
    if (full.size() < 2 || full[1] != ':' || !DriveDefined(full[0]))
        return std::nullopt;
    WalkedPath walked{full.substr(0, 2), {}, {}, full.ends_with('\\')};
    // The drive's real folder, so host paths read naturally (and need no dosdevices/ to work).
    std::string& host = walked.host;
    host = RealPath(DriveLink(full[0]));
    if (host.empty())
        host = DriveLink(full[0]);
    if (host == "/")
        host.clear();
    bool exists = true;
    for (const auto& part : SplitComponents(std::string_view(full).substr(2), '\\')) {
        std::string name = part;
        struct stat st {};
        if (exists && ::lstat((host + "/" + part).c_str(), &st) != 0) {
            // The root of a drive on the host's root is the empty string here.
            if (auto other = FindCaseInsensitive(host.empty() ? "/" : host, part))
                name = std::move(*other);
            else
                exists = false;
        }
        host += "/" + name;
        walked.names.push_back(std::move(name));
    }
    return walked;
}

} // namespace

std::string CurrentWindowsDirectory() {
    char cwd[PATH_MAX];
    return WindowsPathOf(::getcwd(cwd, sizeof cwd) ? cwd : "/");
}

std::string FullWindowsPath(std::string_view winPath) {
    std::string path(winPath);
    for (char& c : path)
        if (c == '/')
            c = '\\';
    if (path.starts_with("\\\\"))
        return "\\\\" + Join(Normalise(SplitComponents(path.substr(2), '\\')), '\\');

    const bool trailing = !path.empty() && path.back() == '\\';
    std::string root; // "X:"
    std::string rest;
    if (path.size() >= 2 && IsLetter(path[0]) && path[1] == ':') {
        root = std::string(1, UpperLetter(path[0])) + ":";
        rest = path.substr(2);
        if (rest.empty() || rest[0] != '\\') {
            // "C:x": relative to the current folder when it is on that drive, else to the root.
            const std::string current = CurrentWindowsDirectory();
            if (win::SameText(current.substr(0, 2), root))
                rest = current.substr(2) + "\\" + rest;
        }
    } else {
        const std::string current = CurrentWindowsDirectory();
        root = current.substr(0, 2);
        rest = !path.empty() && path[0] == '\\' ? path : current.substr(2) + "\\" + path;
    }
    const auto parts = Normalise(SplitComponents(rest, '\\'));
    std::string out = root + "\\" + Join(parts, '\\');
    if (trailing && !parts.empty())
        out += '\\';
    return out;
}

std::optional<std::string> HostPathOf(std::string_view winPath) {
    const auto walked = Walk(winPath);
    if (!walked)
        return std::nullopt;
    const std::string& host = walked->host;
    if (host.empty())
        return "/";
    // Linked folders on the way (C:\WINDOWS\Temp) are resolved; the last component is not, so a
    // link itself can still be named, deleted or refused.
    const auto slash = host.rfind('/');
    const std::string folder = slash == 0 ? "/" : CanonicalHostPath(host.substr(0, slash));
    return (folder == "/" ? "" : folder) + host.substr(slash);
}

std::string ExistingCasePath(std::string_view winPath) {
    const auto walked = Walk(winPath);
    if (!walked)
        return FullWindowsPath(winPath);
    std::string path = walked->drive + "\\" + Join(walked->names, '\\');
    if (walked->trailing && !walked->names.empty())
        path += '\\';
    return path;
}

std::string WindowsPathOf(std::string_view hostPath) {
    const std::string path = CanonicalHostPath(hostPath);
    const std::vector<Mount> mounts = Mounts();
    const Mount* best = nullptr;
    for (const auto& mount : mounts) {
        if (IsUnder(path, mount.host) && (!best || mount.host.size() > best->host.size()))
            best = &mount;
    }
    if (!best)
        return {};
    std::string rest = path.substr(best->host == "/" ? 0 : best->host.size());
    for (char& c : rest)
        if (c == '/')
            c = '\\';
    if (rest.empty())
        return best->windows.size() == 2 ? best->windows + "\\" : best->windows;
    return best->windows + rest;
}

} // namespace platform
