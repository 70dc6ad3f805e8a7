// An entry's file below a folder that an extraction is about to write, for the commands that then
// open or start it (view, run, install, drag out). The file is used only when it lies inside the
// folder, is one of the files this extraction wrote (by its identity on the disk, not its name:
// a file an earlier extraction or anybody else left there must never stand in for one that
// failed), and nobody but the user can change it or a folder on the way to it.
#pragma once

#include "engine/ZipMstr.h"
#include "platform/Descriptor.h"

#include <string>
#include <vector>

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

    enum class Check {
        Usable,     // written by the extraction, inside the folder, the user's alone
        NotWritten, // missing, or not a file the extraction wrote
        Unsafe      // written, but another user could change it or a folder on the way to it
    };
    // After the extraction: the file under the path against the files it wrote. A Usable file's
    // descriptor, the one it was checked on, goes to verified.
    Check Verify(const std::vector<FileIdentity>& written, platform::Descriptor& verified) const;

private:
    std::string folder_;
    std::string path_;
};

// A file an extraction wrote, as checked: its path, and the descriptor it was checked on, through
// which it is started, so that what starts is what was checked.
struct UsableFile {
    std::string path;
    platform::Descriptor verified;
};

// The folders, below the folder extracted into ("/" between their names), that extracting the
// entries specs name writes into.
std::vector<std::string> FoldersWrittenInto(const TZipMaster& zip,
                                            const std::vector<std::string>& specs);
