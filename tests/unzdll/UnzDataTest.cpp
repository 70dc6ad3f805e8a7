// The data of stored and deflated entries, read straight from the archive: small entries decoded
// whole, entries beyond the memory bound streamed. Both come back byte for byte with one block
// reported per 32768 bytes, and both refuse damaged data and data longer than declared without
// leaving anything behind.
#include "EngineTest.h"
#include "ProgressLog.h"
#include "RunTool.h"
#include "TestMachine.h"

#include "engine/EngineReport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

constexpr ExtrOpts kAll = ExtrDirNames | ExtrOverWrite;

// Writes good.zip and, for each damage and each of small.txt (decoded whole) and big.txt
// (streamed), a copy with that entry damaged: its deflate data overwritten in the middle, or its
// size declared shorter than it is; and for each of the streamed entries big.txt (deflated) and
// bigstored.bin (stored), a copy declaring a wrong CRC. Also writes the entries' contents beside,
// to compare.
const char* const kWriter = R"(
import os, random, sys, zipfile
out = sys.argv[1]
rng = random.Random(5)
words = [b"archive ", b"entry ", b"deflate ", b"header ", b"folder\n", b"42 "]
def text(size):
    parts, n = [], 0
    while n < size:
        w = rng.choice(words); parts.append(w); n += len(w)
    return b"".join(parts)[:size]
contents = {
    "small.txt": text(100000),
    "stored.bin": bytes(rng.randrange(256) for _ in range(70000)),
    "empty.txt": b"",
    "big.txt": text((17 << 20) + 5),
    "bigstored.bin": text((16 << 20) + 1),
}
os.makedirs(os.path.join(out, "expected"))
with zipfile.ZipFile(os.path.join(out, "good.zip"), "w") as z:
    for name, data in contents.items():
        method = zipfile.ZIP_STORED if name.endswith(".bin") else zipfile.ZIP_DEFLATED
        z.writestr(name, data, method)
        open(os.path.join(out, "expected", name), "wb").write(data)
good = open(os.path.join(out, "good.zip"), "rb").read()
infos = {i.filename: i for i in zipfile.ZipFile(os.path.join(out, "good.zip")).infolist()}
for name in ("small.txt", "big.txt"):
    info = infos[name]
    start = info.header_offset + 30 + len(name) + len(info.extra)
    damaged = bytearray(good)
    middle = start + info.compress_size // 2
    damaged[middle:middle + 64] = b"\xff" * 64
    open(os.path.join(out, "damaged-" + name + ".zip"), "wb").write(damaged)
    shorter = bytearray(good)
    central = good.rfind(name.encode()) - 46
    for at in (info.header_offset + 22, central + 24):
        shorter[at:at + 4] = (info.file_size - 1000).to_bytes(4, "little")
    open(os.path.join(out, "long-" + name + ".zip"), "wb").write(shorter)
for name in ("big.txt", "bigstored.bin"):
    info = infos[name]
    wrong = bytearray(good)
    central = good.rfind(name.encode()) - 46
    for at in (info.header_offset + 14, central + 16):
        wrong[at:at + 4] = (info.CRC ^ 1).to_bytes(4, "little")
    open(os.path.join(out, "crc-" + name + ".zip"), "wb").write(wrong)
)";

class UnzData : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        const auto made = RunPython(kWriter, {DriveC()});
        ASSERT_EQ(made.exitCode, 0) << made.output;
    }
    std::string Expected(const std::string& name) {
        return ReadHostFile(DriveC() + "/expected/" + name);
    }
};

} // namespace

TEST_F(UnzData, EntriesDecodedWholeOrStreamedComeBackWithTheirBlocks) {
    ProgressLog progress;
    progress.Attach(zip);
    std::filesystem::create_directories(DriveC() + "/out");
    EXPECT_EQ(Extract("C:\\good.zip", "C:\\out", {"*.*"}, kAll), 5);
    for (const char* name : {"small.txt", "stored.bin", "empty.txt", "big.txt", "bigstored.bin"}) {
        EXPECT_TRUE(ReadHostFile(DriveC() + "/out/" + name) == Expected(name)) << name;
        const auto size = static_cast<std::int32_t>(Expected(name).size());
        EXPECT_EQ(progress.files[name].starts, 1) << name;
        EXPECT_EQ(progress.files[name].size, size) << name;
        EXPECT_EQ(progress.files[name].blocks, size / 32768) << name;
    }
    // Testing reads every entry the same way and writes nothing.
    EXPECT_EQ(Extract("C:\\good.zip", "C:\\out", {"*.*"}, ExtrTest), 5);
    EXPECT_TRUE(engineMessages.empty());
}

TEST_F(UnzData, DamagedOrTooLongDataIsRefusedAndLeavesNothing) {
    const struct {
        const char* archive;
        const char* entry;
        const char* message;
    } rows[] = {
        {"damaged-small.txt.zip", "small.txt", " in small.txt"},
        {"damaged-big.txt.zip", "big.txt", " in big.txt"},
        {"long-small.txt.zip", "small.txt", "data longer than its declared size in small.txt"},
        {"long-big.txt.zip", "big.txt", "data longer than its declared size in big.txt"},
        {"crc-big.txt.zip", "big.txt", "CRC error in big.txt"},
        {"crc-bigstored.bin.zip", "bigstored.bin", "CRC error in bigstored.bin"},
    };
    for (const auto& row : rows) {
        engineMessages.clear();
        const std::string folder = std::string("out-") + row.archive;
        std::filesystem::create_directories(DriveC() + "/" + folder);
        // Every other entry comes out; the damaged one neither appears nor leaves a part.
        EXPECT_EQ(Extract(std::string("C:\\") + row.archive, "C:\\" + folder, {"*.*"}, kAll), 4)
            << row.archive;
        const auto errors = MessagesWith(kMsgDataError);
        ASSERT_EQ(errors.size(), 1u) << row.archive;
        EXPECT_TRUE(errors[0].ends_with(row.message)) << errors[0];
        const std::vector<std::string> files = TreeOf(DriveC() + "/" + folder);
        EXPECT_EQ(files.size(), 4u) << row.archive;
        EXPECT_EQ(std::count(files.begin(), files.end(), row.entry), 0) << row.archive;
    }
}
