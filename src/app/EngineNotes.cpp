// The messages made of what the engine reported during the main window's engine calls.
#include "app/EngineNotes.h"

#include "app/ExtractionPassword.h"
#include "engine/EngineReport.h"

#include <algorithm>

namespace {

// Lines shown in one message; more are counted, not listed.
constexpr std::size_t kMaxShownLines = 20;

// The lines, one under the other, the first kMaxShownLines of them, then how many more there are.
std::string Listed(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size() && i < kMaxShownLines; ++i)
        text += (text.empty() ? "" : "\n") + lines[i];
    if (lines.size() > kMaxShownLines)
        text += "\n... and " + std::to_string(lines.size() - kMaxShownLines) + " more";
    return text;
}

std::vector<std::string> TextsOf(const std::vector<EngineNote>& notes) {
    std::vector<std::string> texts;
    for (const EngineNote& note : notes)
        texts.push_back(note.text);
    return texts;
}

// A message about one entry's data or name, not about the whole call.
bool AboutOneEntry(const EngineNote& note) {
    return note.code == kMsgUnsafeName || note.code == kMsgDataError ||
           note.code == kMsgWrongPassword;
}

std::string Files(std::int64_t count) {
    return std::to_string(count) + (count == 1 ? " file" : " files");
}

} // namespace

std::string ExtractionErrors(const std::vector<EngineNote>& notes) {
    // Entries left out for the password make one line, not one per entry; notes on files left
    // alone as asked are no errors.
    std::vector<std::string> lines;
    const auto wrongPasswords = std::count_if(notes.begin(), notes.end(), [](const auto& note) {
        return note.code == kMsgWrongPassword;
    });
    if (wrongPasswords > 0)
        lines.push_back(WrongPasswordMessage(static_cast<int>(wrongPasswords)));
    for (const EngineNote& note : notes)
        if (note.code >= kMsgNotFound && note.code != kMsgWrongPassword)
            lines.push_back(note.text);
    return Listed(lines);
}

std::string TestResult(const std::string& archive, std::int32_t soundFiles,
                       const std::vector<EngineNote>& notes) {
    std::vector<EngineNote> failed;
    std::copy_if(notes.begin(), notes.end(), std::back_inserter(failed),
                 [](const EngineNote& note) { return note.code >= kMsgNotFound; });
    if (failed.empty()) {
        if (soundFiles == 0)
            return "No files were tested."; // folders only, or a call refused
        return (soundFiles == 1 ? "" : "All ") + Files(soundFiles) + " in " + archive +
               " tested and sound.";
    }
    const auto entries = std::count_if(failed.begin(), failed.end(), AboutOneEntry);
    const std::string heading = entries == 0 ? "The test of " + archive + " failed:"
                                             : std::to_string(entries) + " of " +
                                                   Files(entries + soundFiles) + " in " + archive +
                                                   " failed the test:";
    return heading + "\n" + Listed(TextsOf(failed));
}

std::vector<EngineNote> NotExtracted(const std::vector<EngineNote>& notes) {
    std::vector<EngineNote> failed;
    std::copy_if(notes.begin(), notes.end(), std::back_inserter(failed),
                 [](const EngineNote& note) { return note.code >= kMsgSkipped; });
    return failed;
}

std::string UnsoundDownload(const std::string& archive, const std::vector<EngineNote>& failed,
                            const std::string& where) {
    const bool password = std::all_of(failed.begin(), failed.end(), [](const EngineNote& note) {
        return note.code == kMsgWrongPassword;
    });
    return (password ? "The password for " + archive + " is wrong"
                     : "The download " + archive + " is damaged") +
           ": its setup program was not started. These entries did not extract:\n" +
           Listed(TextsOf(failed)) + "\nThe files that did extract are in " + where + ".";
}
