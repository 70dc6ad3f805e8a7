// Starting programs and "opening" documents. A program is started from an argument vector,
// without waiting and never through a shell, so names with blanks, quotes or shell characters are
// safe: a Windows executable (a file beginning with "MZ") runs through wine where it is
// installed, a host executable or a "#!" script runs directly. WinExec splits a command line as
// the system does and starts its program the same way. Shell "open" hands a document, a web
// address or a "mailto:" address to the desktop's default handler. Both pass through one hook,
// so tests record what would start instead of starting it.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

struct ProgramStart {
    enum class Kind { Program, ShellOpen };
    Kind kind;
    std::string request;               // the command line, or the document or address opened
    std::vector<std::string> hostArgv; // what runs on the host
    // The descriptor of the checked file that runs in place of hostArgv[0]'s path, or -1 when
    // the program is started by its path.
    int verified = -1;
};

// Returns true when it took the start, which then counts as done. An empty hook restores the
// real starting of programs.
using ProgramStartHook = std::function<bool(const ProgramStart&)>;
void SetProgramStartHook(ProgramStartHook hook);

// A command line split as the system does: a leading quoted program path, or else the shortest
// run of blank-separated words that names an existing file (also with ".exe" added), followed by
// the arguments (blank-separated, double quotes grouping).
struct CommandLine {
    std::string program; // Windows path
    std::vector<std::string> arguments;
};
CommandLine SplitCommandLine(const std::string& commandLine);

// Why a program or document could not be started.
enum class StartFailure {
    None,            // it started
    Missing,         // no such file
    NoWindowsLoader, // a Windows program, and no wine to run it
    NotAProgram,     // neither a host program, a "#!" script nor a Windows program
    Refused,         // the system refused to start it (no execute permission, say)
    NoOpener         // nothing can open the document
};
// The reason in words, for a message: "it is a Windows program, and ...".
std::string StartFailureText(StartFailure failure);

// Starts the program file at a Windows path with these arguments, without waiting. The path is
// one argument as it stands, never split again, so a name holding blanks or quotes names that
// file and no other.
StartFailure StartProgramFile(const std::string& program,
                              const std::vector<std::string>& arguments = {});
// Starts the program file that the caller opened and checked, from its descriptor verified:
// a host program or "#!" script runs from that descriptor, never by looking its path up again,
// so it is the file checked even if the path names another file since. (A Windows program is
// handed to wine by its path, since it looks for its files beside itself: only a path no other
// user can change makes that safe.)
StartFailure StartVerifiedProgram(const std::string& program, int verified);
// Opens a document, a web address or a "mailto:" address with the desktop's default handler.
StartFailure OpenDocument(const std::string& target);

} // namespace platform

namespace win {

// Above 31 on success; ERROR_FILE_NOT_FOUND (2) for a missing program, 11 for a file that
// cannot run here.
UINT WinExec(LPCSTR commandLine, UINT showCommand);
// Above 32 on success; 2 for a missing document, 31 when nothing can open it.
std::intptr_t ShellExecuteA(void* owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                            LPCSTR directory, int showCommand);

} // namespace win
