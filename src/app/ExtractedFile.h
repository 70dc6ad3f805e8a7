// An entry's file below a folder that an extraction is about to write, for the commands that then
// open or start it (view, run, drag out). The file is used only when it lies inside the folder
// and this extraction really wrote it: a name with "..", a drive or an absolute path must never
// name a program outside the folder, and a file an earlier extraction left there must never stand
// in for one that failed.
#pragma once

#include <cstdint>
#include <string>

// The name with every "/" turned into "\".
std::string ToBackslashes(std::string name);

class ExtractedFile {
public:
    // folder: a Windows path without trailing backslash; entryName: the stored name with "/".
    ExtractedFile(const std::string& folder, const std::string& entryName);

    // folder + "\" + the name with backslashes.
    const std::string& Path() const { return path_; }
    // The path stays inside the folder, as written and on the disk (no link leads out of it).
    bool InsideFolder() const;
    // True when the file exists now and is not the one that was there at construction (the
    // engines write a new file and rename it over the name).
    bool Written() const;

private:
    struct Stamp {
        bool exists = false;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t changed = 0; // status change time in nanoseconds
    };
    Stamp Current() const;

    std::string folder_;
    std::string path_;
    Stamp before_;
};
