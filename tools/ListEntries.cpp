// Prints what ReadDirectory finds in each archive, for comparing the listing with other readers
// (scripts/compare-listings): list_entries ARCHIVE...   (host paths)
// Per archive a line "archive<TAB>path<TAB>ok" or "...<TAB>error: text", then one line per entry:
// "entry<TAB>crc<TAB>packed<TAB>size<TAB>name", the CRC in hex, the stored name's bytes in hex.
// A message the reader shows ("No valid zip entries found") is printed as "message<TAB>text".
#include "engine/ZipMstr.h"
#include "platform/PathMap.h"
#include "platform/UserNotice.h"

#include <cstdio>

namespace {

std::string Hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char byte : bytes) {
        out += digits[byte >> 4];
        out += digits[byte & 15];
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    platform::SetMessageSink(
        [](const std::string& text) { std::printf("message\t%s\n", text.c_str()); });
    for (int i = 1; i < argc; ++i) {
        TZipMaster zip;
        std::string status = "ok";
        try {
            zip.SetZipFilename(platform::WindowsPathOf(argv[i]));
        } catch (const EZipMaster& error) {
            status = std::string("error: ") + error.what();
        }
        std::printf("archive\t%s\t%s\n", argv[i], status.c_str());
        for (const auto& entry : zip.Entries())
            std::printf("entry\t%08x\t%lld\t%lld\t%s\n", entry.Crc32,
                        static_cast<long long>(entry.CompressedSize),
                        static_cast<long long>(entry.UncompressedSize),
                        Hex(entry.FileName).c_str());
    }
    return 0;
}
