// What the engine reported during the main window's engine calls, and the messages made of it:
// the errors of an extraction, the result of a test, and why a download's setup program was not
// started.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One numbered message of the engine (EngineMessage) with its text, which names the entry.
struct EngineNote {
    std::int32_t code;
    std::string text;
};

// The errors of an extraction, one line each, first the one line for the entries left out for
// a wrong or missing password; empty when nothing went wrong.
std::string ExtractionErrors(const std::vector<EngineNote>& notes);

// The result of testing entries of archive (a file name): how many files were sound, or what
// failed and why.
std::string TestResult(const std::string& archive, std::int32_t soundFiles,
                       const std::vector<EngineNote>& notes);

// The notes that tell of an entry that was not extracted as the archive holds it (left out,
// refused, damaged, unreadable), and of an archive that could not be read.
std::vector<EngineNote> NotExtracted(const std::vector<EngineNote>& notes);

// Why the setup program of the download archive was not started: failed (from NotExtracted)
// names the entries; where tells where the files that did come out are.
std::string UnsoundDownload(const std::string& archive, const std::vector<EngineNote>& failed,
                            const std::string& where);
