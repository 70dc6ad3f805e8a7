// A process that runs one archive operation through TZipMaster with the real engines, as the
// program does, so that a test can kill it at any moment. It works on the machine of the test
// that starts it (the environment names the prefix) and prints what the component reports.
//
//   engine_worker add ARCHIVE SPEC...     (with folder names, recursing)
//   engine_worker delete ARCHIVE SPEC...
//   engine_worker tosfx ARCHIVE | tozip ARCHIVE
//   engine_worker extract ARCHIVE FOLDER  (every entry, with folders, overwriting)
//
// The exit status is 0 when the operation succeeded.
#include "engine/ZipMstr.h"
#include "platform/UserNotice.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: engine_worker add|delete|tosfx|tozip|extract ARCHIVE ...\n");
        return 2;
    }
    platform::SetMessageSink(
        [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });
    TZipMaster zip;
    zip.OnMessage = [](TZipMaster*, std::int32_t code, const std::string& text) {
        std::fprintf(stderr, "%d: %s\n", code, text.c_str());
    };
    const std::string operation = argv[1];
    const std::vector<std::string> rest(argv + 3, argv + argc);
    try {
        zip.SetZipFilename(argv[2]);
        if (operation == "add" || operation == "delete") {
            zip.FSpecArgs = rest;
            zip.AddOptions = AddDirNames | AddRecurseDirs;
            operation == "add" ? zip.Add() : zip.Delete();
            return zip.ResultCount() > 0 ? 0 : 1;
        }
        if (operation == "tosfx")
            return zip.ConvertToSfx() == 0 ? 0 : 1;
        if (operation == "tozip")
            return zip.ConvertToZip() == 0 ? 0 : 1;
        if (operation == "extract" && rest.size() == 1) {
            zip.FSpecArgs = {"*.*"};
            zip.ExtrBaseDir = rest[0];
            zip.ExtrOptions = ExtrDirNames | ExtrOverWrite;
            zip.Extract();
            return zip.ResultCount() > 0 ? 0 : 1;
        }
    } catch (const EZipMaster& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    std::fprintf(stderr, "unknown operation %s\n", operation.c_str());
    return 2;
}
