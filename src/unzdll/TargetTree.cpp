// The folders below the one extracted into.
#include "unzdll/TargetTree.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Enough for the folders of neighbouring entries; far below any limit of open files.
constexpr std::size_t kOpenFolders = 16;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

} // namespace

TargetTree::TargetTree(int baseFolder) {
    nodes_.push_back({0, {}, baseFolder});
    struct stat st {};
    if (::fstat(baseFolder, &st) == 0) {
        nodes_[0].device = st.st_dev;
        nodes_[0].inode = st.st_ino;
    }
}

TargetTree::~TargetTree() {
    for (const std::size_t node : open_)
        ::close(nodes_[node].fd);
    ::close(nodes_[0].fd);
}

std::size_t TargetTree::Child(std::size_t parent, const std::string& name) {
    std::string key(reinterpret_cast<const char*>(&parent), sizeof parent);
    key += name;
    const auto [found, added] = children_.try_emplace(std::move(key), nodes_.size());
    if (added)
        nodes_.push_back({parent, name});
    return found->second;
}

void TargetTree::Opened(std::size_t node, int fd) {
    nodes_[node].fd = fd;
    nodes_[node].lastUse = ++uses_;
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        nodes_[node].device = st.st_dev;
        nodes_[node].inode = st.st_ino;
    }
    if (open_.size() < kOpenFolders) {
        open_.push_back(node);
        return;
    }
    std::size_t oldest = 0;
    for (std::size_t i = 1; i < open_.size(); ++i)
        if (nodes_[open_[i]].lastUse < nodes_[open_[oldest]].lastUse)
            oldest = i;
    ::close(nodes_[open_[oldest]].fd);
    nodes_[open_[oldest]].fd = -1;
    open_[oldest] = node;
}

void TargetTree::Close(std::size_t node) {
    for (std::size_t i = 0; i < open_.size(); ++i)
        if (open_[i] == node) {
            ::close(nodes_[node].fd);
            nodes_[node].fd = -1;
            open_.erase(open_.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
}

int TargetTree::Open(std::size_t from, const std::vector<std::size_t>& chain, bool create) {
    std::size_t depth = chain.size();
    while (depth > 0 && nodes_[chain[depth - 1]].fd < 0)
        --depth;
    std::size_t current = depth == 0 ? from : chain[depth - 1];
    // Used now, so that opening the next level never closes it.
    nodes_[current].lastUse = ++uses_;
    for (; depth < chain.size(); ++depth) {
        const std::size_t next = chain[depth];
        const int parent = nodes_[current].fd;
        const char* name = nodes_[next].name.c_str();
        int fd = ::openat(parent, name, kFolderFlags);
        if (fd < 0 && errno == ENOENT && create) {
            const bool made = ::mkdirat(parent, name, 0777) == 0;
            if (!made && errno != EEXIST)
                return -1;
            nodes_[next].made = nodes_[next].made || made;
            fd = ::openat(parent, name, kFolderFlags);
        }
        if (fd < 0)
            return -1;
        Opened(next, fd);
        current = next;
    }
    return nodes_[current].fd;
}

int TargetTree::Folder(const std::vector<std::string>& components, std::size_t count, bool create) {
    std::vector<std::size_t> chain;
    chain.reserve(count);
    std::size_t node = 0;
    for (std::size_t i = 0; i < count; ++i)
        chain.push_back(node = Child(node, components[i]));
    return Open(0, chain, create);
}

int TargetTree::OpenNode(std::size_t node) {
    std::vector<std::size_t> chain;
    for (; node != 0 && nodes_[node].fd < 0; node = nodes_[node].parent)
        chain.push_back(node);
    return Open(node, std::vector<std::size_t>(chain.rbegin(), chain.rend()), false);
}

void TargetTree::OpenParentOf(std::size_t node) {
    const Node& parent = nodes_[nodes_[node].parent];
    const int fd = ::openat(nodes_[node].fd, "..", kFolderFlags);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && st.st_dev == parent.device && st.st_ino == parent.inode)
        Opened(nodes_[node].parent, fd);
    else if (fd >= 0)
        ::close(fd);
}

void TargetTree::Keep(int folder) {
    for (const std::size_t node : open_) {
        if (nodes_[node].fd != folder)
            continue;
        // A folder made here holds what is kept, and so does every folder made above it.
        for (std::size_t n = node; n != 0 && nodes_[n].made && !nodes_[n].keep;
             n = nodes_[n].parent)
            nodes_[n].keep = true;
        return;
    }
}

void TargetTree::RemoveEmptyCreated() {
    // A child comes after its parent, so going backwards removes children first; a folder that
    // holds anything is not removed. Going up from an open folder to its parent through ".."
    // keeps this linear however deep the folders go.
    for (std::size_t node = nodes_.size(); node-- > 1;) {
        if (!nodes_[node].made || nodes_[node].keep)
            continue;
        nodes_[node].made = false;
        const std::size_t parent = nodes_[node].parent;
        if (nodes_[parent].fd < 0 && nodes_[node].fd >= 0)
            OpenParentOf(node);
        Close(node);
        if (const int folder = OpenNode(parent); folder >= 0)
            ::unlinkat(folder, nodes_[node].name.c_str(), AT_REMOVEDIR);
    }
}
