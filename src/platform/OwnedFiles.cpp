// Checks that a file or folder is the user's own and that no other user can change it.
#include "platform/OwnedFiles.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <mutex>
#include <pwd.h>
#include <set>
#include <unistd.h>

namespace platform {
namespace {

// The account list is read through one cursor per process.
std::mutex accountsLock;

// Whether another user has gid as the primary group of their account: such a user is a member
// of the group without being listed in it.
bool PrimaryGroupOfAnotherUser(gid_t gid, uid_t self) {
    std::lock_guard guard(accountsLock);
    bool found = false;
    ::setpwent();
    while (const passwd* account = ::getpwent())
        if (account->pw_gid == gid && account->pw_uid != self) {
            found = true;
            break;
        }
    ::endpwent();
    return found;
}

// A group of the user's alone: where users get a group of their own name (and a umask that lets
// the group write, as many desktops set), a file the group may write is still the user's alone.
// Its members are those it lists and those whose primary group it is.
bool GroupOfUserAlone(gid_t gid) {
    const passwd* user = ::getpwuid(::geteuid());
    const group* grp = ::getgrgid(gid);
    if (!user || !grp || gid != user->pw_gid || std::strcmp(grp->gr_name, user->pw_name) != 0)
        return false;
    for (char** member = grp->gr_mem; *member; ++member)
        if (std::strcmp(*member, user->pw_name) != 0)
            return false;
    return !PrimaryGroupOfAnotherUser(gid, user->pw_uid);
}

} // namespace

bool WritableByOthers(const struct stat& st) {
    return (st.st_mode & S_IWOTH) != 0 ||
           ((st.st_mode & S_IWGRP) != 0 && !GroupOfUserAlone(st.st_gid));
}

bool OwnedAndUnshared(const struct stat& st) {
    return st.st_uid == ::geteuid() && !WritableByOthers(st);
}

bool BelongsToUser(const std::string& hostPath) {
    struct stat name {
    }, file{};
    return ::lstat(hostPath.c_str(), &name) == 0 && ::stat(hostPath.c_str(), &file) == 0 &&
           name.st_uid == ::geteuid() && file.st_uid == ::geteuid();
}

std::string WhyNotOwned(const std::string& hostPath) {
    struct stat st {};
    if (::stat(hostPath.c_str(), &st) != 0)
        return "does not exist";
    if (st.st_uid != ::geteuid())
        return "belongs to another user";
    if (!OwnedAndUnshared(st))
        return "can be changed by other users";
    return {};
}

std::string WhyFoldersAboveUnsafe(const std::string& realFolder, StickyBit sticky) {
    std::string folder = realFolder;
    while (folder.size() > 1) {
        const auto slash = folder.rfind('/');
        folder = slash == 0 || slash == std::string::npos ? "/" : folder.substr(0, slash);
        struct stat st {};
        if (::stat(folder.c_str(), &st) != 0)
            return "lies in " + folder + ", which cannot be read";
        const bool trustedOwner = st.st_uid == ::geteuid() || st.st_uid == 0;
        const bool othersMayRename = WritableByOthers(st) && (sticky == StickyBit::DoesNotCount ||
                                                              (st.st_mode & S_ISVTX) == 0);
        if (!trustedOwner || othersMayRename)
            return "lies in " + folder + ", which other users can change";
    }
    return {};
}

std::string WhyLinksOnPathUnsafe(const std::string& path) {
    constexpr int kMaxLinks = 40; // as the system follows them
    std::string pending = path;
    if (pending.empty() || pending[0] != '/') {
        char cwd[PATH_MAX];
        pending = std::string(::getcwd(cwd, sizeof cwd) ? cwd : "/") + "/" + pending;
    }
    std::string real; // the part followed so far, without links ("" is the root)
    int links = 0;
    while (!pending.empty()) {
        const std::size_t start = pending.find_first_not_of('/');
        if (start == std::string::npos)
            break;
        const std::size_t end = std::min(pending.find('/', start), pending.size());
        const std::string name = pending.substr(start, end - start);
        pending.erase(0, end);
        if (name == ".")
            continue;
        if (name == "..") {
            real.erase(real.rfind('/') == std::string::npos ? 0 : real.rfind('/'));
            continue;
        }
        const std::string step = real + "/" + name;
        struct stat st {};
        if (::lstat(step.c_str(), &st) != 0)
            return {};
        if (!S_ISLNK(st.st_mode)) {
            real = step;
            continue;
        }
        if (st.st_uid != ::geteuid() && st.st_uid != 0)
            return step + " is a link that belongs to another user";
        if (const std::string why = WhyFoldersAboveUnsafe(step); !why.empty())
            return step + " " + why;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(step.c_str(), target, sizeof target);
        if (n <= 0 || n == sizeof target || ++links > kMaxLinks)
            return {};
        // The link's target takes its place; an absolute one starts again from the root.
        pending = std::string(target, static_cast<std::size_t>(n)) + pending;
        if (target[0] == '/')
            real.clear();
    }
    return {};
}

FileBelow CheckFileBelow(const std::string& realBase, const std::string& relative,
                         struct stat& file, Descriptor* kept) {
    int folder = ::open(realBase.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    FileBelow found = FileBelow::Missing;
    std::size_t start = 0;
    while (folder >= 0) {
        struct stat st {};
        if (::fstat(folder, &st) != 0 || !OwnedAndUnshared(st)) {
            found = FileBelow::NotOwned;
            break;
        }
        const std::size_t slash = relative.find('/', start);
        const std::string name = relative.substr(start, slash - start);
        if (slash == std::string::npos) {
            const int fd =
                ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0 && ::fstat(fd, &file) == 0 && S_ISREG(file.st_mode))
                found = OwnedAndUnshared(file) ? FileBelow::Owned : FileBelow::NotOwned;
            if (kept && found == FileBelow::Owned)
                *kept = Descriptor(fd);
            else if (fd >= 0)
                ::close(fd);
            break;
        }
        const int next =
            ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(folder);
        folder = next;
        start = slash + 1;
    }
    if (folder >= 0)
        ::close(folder);
    return found;
}

std::optional<std::string> FolderBelowNotOwned(const std::string& realBase,
                                               const std::vector<std::string>& relativeFolders) {
    std::set<std::string> checked; // folders found to be the user's alone, each checked once
    for (const std::string& relative : relativeFolders) {
        Descriptor folder(::open(realBase.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        std::size_t start = 0;
        while (folder && start < relative.size()) {
            const std::size_t slash = std::min(relative.find('/', start), relative.size());
            const std::string path = relative.substr(0, slash);
            const std::string name = relative.substr(start, slash - start);
            start = slash + 1;
            // Nothing is written through such a name: the walk of this folder ends.
            if (name.empty() || name == "." || name == "..")
                break;
            folder = Descriptor(::openat(folder.Get(), name.c_str(),
                                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!folder || checked.contains(path))
                continue;
            struct stat st {};
            if (::fstat(folder.Get(), &st) != 0 || !OwnedAndUnshared(st))
                return path;
            checked.insert(path);
        }
    }
    return std::nullopt;
}

} // namespace platform
