// Benchmark driver for the archive engine: lists, adds, extracts or deletes as the program would,
// through TZipMaster and the engine libraries, and prints the seconds it took.
//   engine_bench list ARCHIVE | add ARCHIVE FOLDER [LEVEL [PASSWORD]]
//              | extract ARCHIVE FOLDER [PASSWORD] | delete ARCHIVE NAME...
// With a password, adding protects the files with it (AES-256) and extracting decrypts them.
// Paths are host paths; a relative FOLDER to add is stored with its relative path, as the peers
// store it. The platform's prefix comes from PAKRUNE_PREFIX.
#include "engine/ZipMstr.h"
#include "platform/PathMap.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

// The yardstick of listing: a plain walk of the local headers through stdio's buffer, reading
// each header and name and seeking past the rest, keeping nothing. Returns the entries found.
int PlainWalk(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return -1;
    std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    int count = 0;
    unsigned char header[30];
    char name[65536];
    while (std::fread(header, 1, 30, file) == 30 && header[0] == 'P' && header[1] == 'K' &&
           header[2] == 3 && header[3] == 4) {
        const auto le16 = [&](int at) { return header[at] | header[at + 1] << 8; };
        const long packed = static_cast<long>(le16(18) | static_cast<unsigned>(le16(20)) << 16);
        if (std::fread(name, 1, static_cast<std::size_t>(le16(26)), file) !=
                static_cast<std::size_t>(le16(26)) ||
            std::fseek(file, le16(28) + packed, SEEK_CUR) != 0)
            break;
        ++count;
    }
    std::fclose(file);
    return count;
}

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: engine_bench list ARCHIVE | add ARCHIVE FOLDER [LEVEL "
                             "[PASSWORD]] | "
                             "extract ARCHIVE FOLDER [PASSWORD] | "
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
        // Both in turn, seven times each after one of each to warm the caches.
        std::vector<double> ours, plain;
        int walked = 0;
        for (int run = 0; run < 8; ++run) {
            const double mine = Seconds([&] { zip.SetZipFilename(archive); });
            const double theirs = Seconds([&] { walked = PlainWalk(argv[2]); });
            if (run > 0) {
                ours.push_back(mine);
                plain.push_back(theirs);
            }
        }
        std::printf("entries %d (plain walk %d)\n", zip.Count(), walked);
        std::printf("ReadDirectory %.4f s, plain buffered walk %.4f s (medians of 7), ratio %.2f\n",
                    Median(ours), Median(plain), Median(ours) / Median(plain));
    } else if (command == "add") {
        zip.SetZipFilename(archive);
        zip.FSpecArgs = {folder + "\\*.*"};
        zip.AddOptions = AddDirNames | AddRecurseDirs | AddHiddenFiles;
        zip.AddCompLevel = argc > 4 ? std::atoi(argv[4]) : 9;
        if (argc > 5) {
            zip.AddOptions |= AddEncrypt;
            zip.Password = argv[5];
        }
        zip.Add();
        std::printf("added %d\n", zip.ResultCount());
    } else if (command == "extract") {
        zip.SetZipFilename(archive);
        zip.FSpecArgs = {"*.*"};
        zip.ExtrBaseDir = folder;
        zip.ExtrOptions = ExtrDirNames | ExtrOverWrite;
        if (argc > 4)
            zip.Password = argv[4];
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
