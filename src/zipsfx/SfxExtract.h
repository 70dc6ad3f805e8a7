// Extraction by the self-extractor: every entry of the archive in its own file, with its
// folders, below one folder. The engine's rules hold: nothing is written outside that folder
// (names are made safe, no link on the way is followed), and each file goes to a temporary file
// that takes its name only once its size and CRC check out.
#pragma once

#include <string>

// Where the stub tells what it does: one line per file, folder or failure.
using SfxSay = void (*)(const std::string& line, bool failure);

// Extracts the archive in the file behind archiveFd into the folder open as targetFolder (which
// it takes over and closes). Returns the number of failures; an archive that is refused as a
// whole counts as one, and nothing of it is written.
int ExtractSfxArchive(int archiveFd, int targetFolder, SfxSay say);
