// The folders below the one extracted into, opened component by component without following
// symbolic links, so nothing is written through a link that an entry or anybody else placed
// there. A name that exists in another letter case is found and used, as on the system whose
// paths these are. Opened folders and their listings are kept for the whole extraction, so a
// large archive does not list a folder once per entry.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

class TargetTree {
public:
    explicit TargetTree(int baseFolder); // takes ownership of the descriptor
    ~TargetTree();
    TargetTree(const TargetTree&) = delete;
    TargetTree& operator=(const TargetTree&) = delete;

    // The descriptor of the folder made of the first count components, created when asked and
    // missing; -1 (errno set, ELOOP for a link in the way) when it cannot be had.
    int Folder(const std::vector<std::string>& components, std::size_t count, bool create);
    // The name of an entry of folder in the letter case it exists in, or name itself.
    std::string ExistingName(int folder, const std::string& name);
    // Records that name now exists in folder.
    void Added(int folder, const std::string& name);
    // Marks a folder that Folder created as wanted even when empty (a folder entry).
    void Keep(int folder);
    // Removes the folders that Folder created and that stayed empty (their entries could not be
    // written), deepest first; folders that existed before and kept ones stay.
    void RemoveEmptyCreated();

private:
    struct Listing {
        bool read = false;
        std::unordered_map<std::string, std::string> byUpperName;
    };
    Listing& ListingOf(int folder);

    struct Created {
        int parent;
        std::string name;
        int fd;
        bool keep = false;
    };

    int base_;
    std::unordered_map<std::string, int> folders_; // path as on disk -> descriptor
    std::unordered_map<int, Listing> listings_;
    std::vector<Created> created_; // in the order made
};
