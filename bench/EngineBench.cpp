// Benchmark driver for the archive engine: lists, adds or extracts as the program would, through
// TZipMaster and the engine libraries, and prints the seconds it took.
//   engine_bench list ARCHIVE | add ARCHIVE FOLDER | extract ARCHIVE FOLDER
// Paths are host paths; the platform's prefix comes from PAKRUNE_PREFIX.
#include "engine/ZipMstr.h"
#include "platform/PathMap.h"

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(
            stderr,
            "usage: engine_bench list ARCHIVE | add ARCHIVE FOLDER | extract ARCHIVE FOLDER\n");
        return 2;
    }
    const std::string command = argv[1];
    const std::string archive = platform::WindowsPathOf(argv[2]);
    const std::string folder = argc > 3 ? platform::WindowsPathOf(argv[3]) : std::string();
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
    } else {
        return 2;
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("seconds %.3f\n", seconds.count());
    return 0;
}
