// What the parts of TDirTree share and nobody else needs: the error mode for disk queries, the
// update lock and the suspended redraw as guards.
#pragma once

#include "controls/DirTree.h"
#include "platform/Library.h"

// Runs file-system and volume queries with critical errors failing the call instead of asking
// the user (an empty floppy or CD drive), and restores the previous mode on every path.
class FailCriticalErrors {
public:
    FailCriticalErrors() : previous_(win::SetErrorMode(win::SEM_FAILCRITICALERRORS)) {}
    ~FailCriticalErrors() { win::SetErrorMode(previous_); }
    FailCriticalErrors(const FailCriticalErrors&) = delete;
    FailCriticalErrors& operator=(const FailCriticalErrors&) = delete;

private:
    win::UINT previous_;
};

// Lowers UpdateLock while it lives, so that selection changes on a half-built tree are not acted
// on, and raises it again without a change notice.
class TDirTree::Lock {
public:
    explicit Lock(TDirTree& tree) : tree_(tree) { --tree_.updateLock_; }
    ~Lock() { ++tree_.updateLock_; }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    TDirTree& tree_;
};

// Suspends the tree's redrawing while it lives.
class TDirTree::BulkUpdate {
public:
    explicit BulkUpdate(TDirTree& tree) : tree_(tree) { tree_.BeginUpdate(); }
    ~BulkUpdate() { tree_.EndUpdate(); }
    BulkUpdate(const BulkUpdate&) = delete;
    BulkUpdate& operator=(const BulkUpdate&) = delete;

private:
    TDirTree& tree_;
};

// "X:\" for a drive letter.
inline std::string DriveRoot(char letter) {
    return std::string(1, letter) + ":\\";
}

// The path with a trailing backslash.
inline std::string WithBackslash(std::string path) {
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path;
}

// Stores value in field; true when that changed it.
template <typename T> bool Changed(T& field, T value) {
    if (field == value)
        return false;
    field = value;
    return true;
}
