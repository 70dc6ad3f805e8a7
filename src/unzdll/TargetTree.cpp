// The folders below the one extracted into.
#include "unzdll/TargetTree.h"

#include "platform/WinPath.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TargetTree::TargetTree(int baseFolder) : base_(baseFolder) {}

TargetTree::~TargetTree() {
    for (const auto& [path, fd] : folders_)
        ::close(fd);
    ::close(base_);
}

TargetTree::Listing& TargetTree::ListingOf(int folder) {
    Listing& listing = listings_[folder];
    if (listing.read)
        return listing;
    listing.read = true;
    const int copy = ::dup(folder);
    DIR* dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!dir) {
        if (copy >= 0)
            ::close(copy);
        return listing;
    }
    ::rewinddir(dir);
    while (const dirent* e = ::readdir(dir))
        listing.byUpperName.emplace(win::UpperCase(e->d_name), e->d_name);
    ::closedir(dir);
    return listing;
}

std::string TargetTree::ExistingName(int folder, const std::string& name) {
    const Listing& listing = ListingOf(folder);
    const auto found = listing.byUpperName.find(win::UpperCase(name));
    return found == listing.byUpperName.end() ? name : found->second;
}

void TargetTree::Added(int folder, const std::string& name) {
    ListingOf(folder).byUpperName.emplace(win::UpperCase(name), name);
}

int TargetTree::Folder(const std::vector<std::string>& components, std::size_t count, bool create) {
    int current = base_;
    std::string path;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name = ExistingName(current, components[i]);
        path += "/" + name;
        if (const auto known = folders_.find(path); known != folders_.end()) {
            current = known->second;
            continue;
        }
        int next = ::openat(current, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        bool made = false;
        if (next < 0 && errno == ENOENT && create) {
            made = ::mkdirat(current, name.c_str(), 0777) == 0;
            if (!made && errno != EEXIST)
                return -1;
            Added(current, name);
            next = ::openat(current, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (next < 0)
            return -1;
        if (made)
            created_.push_back({current, name, next});
        folders_.emplace(path, next);
        current = next;
    }
    return current;
}

void TargetTree::Keep(int folder) {
    for (Created& made : created_)
        if (made.fd == folder)
            made.keep = true;
}

void TargetTree::RemoveEmptyCreated() {
    // A folder is made after its parent, so going backwards removes children first; a folder
    // that holds anything is not removed.
    for (auto made = created_.rbegin(); made != created_.rend(); ++made)
        if (!made->keep)
            ::unlinkat(made->parent, made->name.c_str(), AT_REMOVEDIR);
    created_.clear();
}
