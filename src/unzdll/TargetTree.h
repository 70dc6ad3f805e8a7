// The folders below the one extracted into, opened component by component without following
// symbolic links, so nothing is written through a link that an entry or anybody else placed
// there. Names are used exactly as the entries give them: two entries that differ only in letter
// case are two files, as the disk keeps them. Only the few folders used last stay open, so an
// archive of any number of folders extracts within the process's limit of open files; a folder
// that was closed is opened again, component by component, when an entry needs it.
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>
#include <unordered_map>
#include <vector>

class TargetTree {
public:
    explicit TargetTree(int baseFolder); // takes ownership of the descriptor
    ~TargetTree();
    TargetTree(const TargetTree&) = delete;
    TargetTree& operator=(const TargetTree&) = delete;

    // The descriptor of the folder made of the first count components, created when asked and
    // missing; -1 (errno set, ELOOP for a link in the way) when it cannot be had. The descriptor
    // belongs to the tree and stays open until the next call of Folder.
    int Folder(const std::vector<std::string>& components, std::size_t count, bool create);
    // Marks the folder that the last Folder call gave as holding something the extraction wants
    // (a file written into it, or a folder entry): neither it nor the folders above it that this
    // extraction made are removed.
    void Keep(int folder);
    // Removes the folders that Folder created, that nothing was kept in and that stayed empty
    // (their entries could not be written), deepest first; folders that existed before stay.
    void RemoveEmptyCreated();

private:
    // A folder met below the base, known by its parent and its name.
    struct Node {
        std::size_t parent;
        std::string name;
        int fd = -1; // open only while among the folders used last
        std::size_t lastUse = 0;
        dev_t device = 0; // which folder it was when last opened
        ino_t inode = 0;
        bool made = false; // created by this extraction
        bool keep = false;
    };
    std::size_t Child(std::size_t parent, const std::string& name);
    // Opens the last folder of chain (node numbers, each the child of the one before, the first a
    // child of from, which is open) from the deepest one that is open; -1 with errno set when it
    // cannot.
    int Open(std::size_t from, const std::vector<std::size_t>& chain, bool create);
    int OpenNode(std::size_t node);
    // Opens the parent of an open node through its "..", when that is the very folder opened as
    // the parent before, instead of walking down to it from the base.
    void OpenParentOf(std::size_t node);
    // Keeps fd as the node's descriptor, closing the folder used longest ago when too many are
    // open.
    void Opened(std::size_t node, int fd);
    void Close(std::size_t node);

    std::vector<Node> nodes_; // node 0 is the base; a child comes after its parent
    std::unordered_map<std::string, std::size_t> children_; // parent number and name -> node
    std::vector<std::size_t> open_;                         // the nodes whose folder is open
    std::size_t uses_ = 0;
};
