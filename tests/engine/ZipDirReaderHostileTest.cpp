// The directory reader on sizes that no honest archive has: Zip64 sizes that would wrap the file
// position around, or reach past the end of any file. Each must end quickly, move only forward
// and be treated like any entry whose data runs past the end.
#include "ReaderFixture.h"
#include "RunawayGuard.h"

#include <chrono>

namespace {

std::string Seed(const std::string& name) {
    return ReadHostFile(std::string(PAKRUNE_SEEDS_DIR) + "/" + name);
}

// A Zip64 extra field with only the compressed size: the local header's uncompressed size is a
// plain 32-bit value.
std::string CompressedOnlyZip64(std::uint64_t compressed) {
    return U16(0x0001) + U16(8) + U64(compressed);
}

} // namespace

TEST_F(Reader, Zip64SizesBeyondTheFileAreDroppedQuickly) {
    const char* const seeds[] = {
        "zip64-size-wraps-onto-header.zip", // the position would wrap back onto the header
        "zip64-size-wraps-to-start.zip",    // ... onto the bytes before it
        "zip64-size-wraps-onto-header.exe", // ... onto the header behind a 14000-byte stub
        "zip64-size-2pow63.zip",            // negative as a signed 64-bit number
        "zip64-size-max.zip",               // 2^64 - 1: one byte back
    };
    // A position that wraps around would walk for ever: the test ends after 30 seconds at most.
    const TimeLimit limit(std::chrono::seconds(30));
    for (const char* seed : seeds) {
        messages.clear();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Open(seed, Seed(seed)), "") << seed;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500)) << seed;
        EXPECT_EQ(zip.Count(), 0) << seed;
        EXPECT_EQ(messages, std::vector<std::string>{kNoEntries}) << seed;
    }
    // After a good entry the same header is damage.
    EXPECT_EQ(Open("after-entry.zip", LocalEntry({"a", "1"}) + Seed("zip64-size-max.zip")),
              "Error 3 reading Zip file");
    EXPECT_EQ(Names(), std::vector<std::string>{"a"});
}

TEST_F(Reader, AZip64BlockWithOnlyTheCompressedSizeStillWorks) {
    Entry big{"big.bin", std::string(70000, 'z')};
    big.compressedSize = 0xFFFFFFFF;
    big.extra = CompressedOnlyZip64(70000);
    EXPECT_EQ(Open("compressed-only.zip", Archive({big, {"after", "1"}})), "");
    EXPECT_EQ(Names(), (std::vector<std::string>{"big.bin", "after"}));
    EXPECT_EQ(zip.Entries()[0].UncompressedSize, 70000);
}
