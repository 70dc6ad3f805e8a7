// Where an entry's data is written until it is complete and takes the entry's name. A new name
// gets a file without a name (O_TMPFILE) that is linked under it at the end: nothing of the entry
// is ever seen under a name before it is whole, a run that dies leaves nothing behind, and no
// rename is needed. A file that replaces another, or one on a file system without unnamed files,
// is written under a locked temporary name and renamed over the entry's name. Whatever was not
// named is removed when the OutputFile goes.
#pragma once

#include "platform/TempFile.h"

#include <string>

class OutputFile {
public:
    // folder stays open for as long as the OutputFile lives.
    explicit OutputFile(int folder) : folder_(folder) {}
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens the file for an entry whose name is taken or free; unnamedFiles says whether unnamed
    // files may be tried, and is cleared when the folder's file system has none. The descriptor,
    // or -1 with errno set.
    int Open(bool nameTaken, bool& unnamedFiles);

    // Gives the complete file the name, closing it: over a file of that name only when replace
    // is set. 0, or the system's error (EEXIST when the name was free at Open and is taken now,
    // and replace is not set).
    int Name(const std::string& name, bool replace);

private:
    int Close();

    int folder_;
    int fd_ = -1;
    std::string temporary_; // the name while written under one; empty for an unnamed file
    platform::TemporaryFileLock inUse_; // a temporary name stays locked until renamed or removed
    bool named_ = false;
};
