// Benchmark driver for the archive engine: lists, adds, extracts or deletes as the program would,
// through TZipMaster and the engine libraries, and prints the seconds it took.
//   engine_bench list ARCHIVE | add ARCHIVE FOLDER | extract ARCHIVE FOLDER
//              | delete ARCHIVE NAME...
// Paths are host paths; a relative FOLDER to add is stored with its relative path, as the peers
// store it. The platform's prefix comes from PAKRUNE_PREFIX.
#include "engine/ZipMstr.h"
#include "platform/PathMap.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(
            stderr,
            "usage: engine_bench list ARCHIVE | add ARCHIVE FOLDER | extract ARCHIVE FOLDER | "
            "delete ARCHIVE NAME...\n");
        return 2;
    }
    const std::string command = argv[1];
    const std::string archive = platform::WindowsPathOf(argv[2]);
    const std::string given = argc > 3 ? argv[3] : "";
    std::string folder = given.empty() || given[0] == '/' ? platform::WindowsPathOf(given) : given;
    std::replace(folder.begin(), folder.end(), '/', '\\');
    TZipMaster zip;
    const auto start = std::chrono::steady_clock::now();
    if (command == "list") {
        zip.SetZipFilename(archive);
        std::printf("entries %d\n", zip.Count());
    } else if (command == "add") {
        zip.SetZipFilename(archive);
        zip.FSpecArgs = {folder + "\\*.*"};
        zip.AddOptions = AddDirNames | AddRecurseDirs | AddHiddenFiles;
        zip.AddCompLevel = 9;
        zip.Add();
        std::printf("added %d\n", zip.ResultCount());
    } else if (command == "extract") {
        zip.SetZipFilename(archive);
        zip.FSpecArgs = {"*.*"};
        zip.ExtrBaseDir = folder;
        zip.ExtrOptions = ExtrDirNames | ExtrOverWrite;
        zip.Extract();
        std::printf("extracted %d\n", zip.ResultCount());
    } else if (command == "delete") {
        zip.SetZipFilename(archive);
        zip.FSpecArgs.assign(argv + 3, argv + argc);
        zip.Delete();
        std::printf("deleted %d\n", zip.ResultCount());
    } else {
        return 2;
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("seconds %.3f\n", seconds.count());
    return 0;
}
