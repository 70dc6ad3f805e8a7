// Extraction by the self-extractor: every entry of the archive in its own file, with its
// folders, below one folder. The engine's rules hold: nothing is written outside that folder
// (names are made safe, no link on the way is followed), and each file goes to a temporary file
// that takes its name only once its size and CRC check out. An existing file is replaced only
// when the person running it agrees.
#pragma once

#include <string>

// Where the stub tells what it does: one line per file, folder or failure.
using SfxSay = void (*)(const std::string& line, bool failure);

// The answer to "replace this existing file?": this one, or this and every later one.
enum class SfxReplace { Yes, No, All, None };

// What the extraction asks of the person running it.
struct SfxQuestions {
    // Whether to replace the existing file of the entry called name.
    SfxReplace (*replace)(const std::string& name);
    // The password of the encrypted entries, asked at the first one; empty when none is given.
    std::string (*password)();
};

struct SfxOutcome {
    int failures = 0; // entries not extracted for a fault; a refused archive counts as one
    int kept = 0;     // existing files left as they were
};

// Extracts the archive in the file behind archiveFd into the folder open as targetFolder (which
// it takes over and closes). A refused archive writes nothing.
SfxOutcome ExtractSfxArchive(int archiveFd, int targetFolder, SfxSay say, const SfxQuestions& ask);
