// Hostile archives: nothing is ever written outside the folder extracted into, no bad entry leaves
// a partial file or replaces a good one, and no failure passes for a success.
#include "EngineTest.h"
#include "RunTool.h"
#include "TestMachine.h"
#include "ZipBytes.h"

#include "engine/ArchiveLayout.h"
#include "engine/EngineReport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

constexpr ExtrOpts kAll = ExtrDirNames | ExtrOverWrite;

class UnzSafety : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        fs::create_directories(DriveC() + "/target/inner");
    }
    // Extracts an archive laid out from entries into C:\target\inner.
    int ExtractEntries(const std::vector<zipbytes::Entry>& entries,
                       const std::string& name = "h.zip") {
        WriteHostFile(DriveC() + "/" + name, zipbytes::Archive(entries));
        return Extract("C:\\" + name, "C:\\target\\inner", {"*.*"}, kAll);
    }
    // Every file on the test machine (links not followed), except the archives.
    std::vector<std::string> Machine() {
        auto tree = TreeOf(MachineRoot());
        std::erase_if(tree, [](const std::string& p) { return p.ends_with(".zip"); });
        return tree;
    }
};

} // namespace

TEST_F(UnzSafety, NamesThatWouldLeaveTheTargetAreRefused) {
    const auto before = Machine();
    const char* const hostile[] = {"../../x",        "a/../../x", "..\\..\\x", "/etc/x",
                                   "C:\\x",          "C:x",       "Z:\\x",     "\\\\srv\\s\\x",
                                   "a/../b/../../x", "..",        "./../x"};
    for (const char* name : hostile) {
        engineMessages.clear();
        EXPECT_EQ(ExtractEntries({{name, "evil"}}), 0) << name;
        EXPECT_EQ(MessagesWith(kMsgUnsafeName).size(), 1u) << name;
        // A test writes nothing: it checks the entry's data whatever the name.
        EXPECT_EQ(Extract("C:\\h.zip", "C:\\target\\inner", {"*.*"}, ExtrTest), 1) << name;
        EXPECT_EQ(MessagesWith(kMsgUnsafeName).size(), 1u) << name;
    }
    EXPECT_EQ(Machine(), before);
    EXPECT_FALSE(fs::exists("/x"));
    // Harmless odd names are kept inside; control characters never reach a file name.
    EXPECT_EQ(ExtractEntries({{"./a//b\x01"
                               "c.txt",
                               "ok"}}),
              1);
    EXPECT_EQ(ReadHostFile(DriveC() + "/target/inner/a/b_c.txt"), "ok");
}

TEST_F(UnzSafety, LinksAreNeverFollowed) {
    const std::string outside = MachineRoot() + "/outside";
    fs::create_directories(outside);
    // An entry that a link-making tool would turn into a link is a plain file here, so the
    // entry behind it cannot pass through it.
    EXPECT_EQ(ExtractEntries({{"link", outside}, {"link/passwd", "owned"}}), 1);
    EXPECT_EQ(ReadHostFile(DriveC() + "/target/inner/link"), outside);
    EXPECT_TRUE(fs::is_empty(outside));
    // A link already in the target folder is not written through either...
    fs::create_symlink(outside, DriveC() + "/target/inner/evil");
    EXPECT_EQ(ExtractEntries({{"evil/x.txt", "owned"}}), 0);
    EXPECT_TRUE(fs::is_empty(outside));
    // ...and replacing it replaces the link itself.
    fs::create_symlink(outside + "/victim", DriveC() + "/target/inner/victim");
    EXPECT_EQ(ExtractEntries({{"victim", "new"}}), 1);
    EXPECT_FALSE(fs::is_symlink(DriveC() + "/target/inner/victim"));
    EXPECT_FALSE(fs::exists(outside + "/victim"));
}

TEST_F(UnzSafety, DeclaredSizesAreNotTrusted) {
    zipbytes::Entry shortDeclared{"short.bin", "0123456789"};
    shortDeclared.uncompressedSize = 5; // more data than declared
    zipbytes::Entry offBy4G{"zip64.bin", "hello"};
    offBy4G.compressedSize = 0xFFFFFFFF;
    offBy4G.uncompressedSize = 0xFFFFFFFF;
    offBy4G.extra = zipbytes::Zip64Extra(5 + (1ULL << 32), 5);
    zipbytes::Entry badCrc{"crc.bin", std::string(65536 * 2, 'c')}; // a whole number of read blocks
    badCrc.crc = 0x12345678;
    for (const auto& entry : {shortDeclared, offBy4G, badCrc}) {
        engineMessages.clear();
        EXPECT_EQ(ExtractEntries({entry}), 0) << entry.name;
        EXPECT_EQ(MessagesWith(kMsgDataError).size(), 1u) << entry.name;
    }
    EXPECT_TRUE(TreeOf(DriveC() + "/target/inner").empty()); // no partial files, no temporary files
    // A good file is not replaced by a bad entry of the same name.
    WriteHostFile(DriveC() + "/target/inner/crc.bin", "good");
    EXPECT_EQ(ExtractEntries({badCrc}), 0);
    EXPECT_EQ(ReadHostFile(DriveC() + "/target/inner/crc.bin"), "good");
}

TEST_F(UnzSafety, MethodsThatCannotBeReadAreNamedAndTheOtherEntriesExtracted) {
    zipbytes::Entry strongEncryption{"strong.bin", "ciphertext"};
    strongEncryption.flags = 0x41; // encrypted, with a strong encryption of an unknown kind
    zipbytes::Entry unknownCompression{"method97.bin", "packed"};
    unknownCompression.method = 97;
    EXPECT_EQ(ExtractEntries({strongEncryption, unknownCompression, {"fine.txt", "fine"}}), 1);
    EXPECT_EQ(
        MessagesWith(kMsgDataError),
        (std::vector<std::string>{
            "Cannot read strong.bin: its encryption method is not supported",
            "Cannot read method97.bin: its compression method 97 (WavPack) is not supported"}));
    EXPECT_EQ(TreeOf(DriveC() + "/target/inner"), (std::vector<std::string>{"fine.txt"}));
}

TEST_F(UnzSafety, OverlappingEntriesAreRefused) {
    // Two directory entries share one local header: the data would be written twice over.
    std::string bytes = zipbytes::Archive({{"a.txt", "aaaa"}});
    const std::size_t directory = 30 + 5 + 4;
    const std::string header = bytes.substr(directory, 46 + 5);
    std::string twice = bytes.substr(0, directory) + header + header + "PK\x05\x06" +
                        zipbytes::U16(0) + zipbytes::U16(0) + zipbytes::U16(2) + zipbytes::U16(2) +
                        zipbytes::U32(static_cast<std::uint32_t>(2 * header.size())) +
                        zipbytes::U32(static_cast<std::uint32_t>(directory)) + zipbytes::U16(0);
    WriteHostFile(DriveC() + "/overlap.zip", twice);
    EXPECT_EQ(Extract("C:\\overlap.zip", "C:\\target\\inner", {"*.*"}, kAll), 0);
    EXPECT_EQ(MessagesWith(kMsgBadArchive).size(), 1u);

    struct Row {
        std::uint64_t secondOffset;
        bool overlap;
    };
    // The first entry's data ends at 30 + 5 + 100 = 135.
    for (const Row row : {Row{135, false}, Row{133, false}, Row{132, true}, Row{0, true}})
        EXPECT_EQ(EntriesOverlap({{0, 100, 5}, {row.secondOffset, 10, 5}}), row.overlap)
            << row.secondOffset;
}

TEST_F(UnzSafety, AWrongPasswordIsNeverASuccess) {
    WriteHostFile(DriveC() + "/secret.txt", std::string(1000, 's'));
    const auto made = RunTool({"7zz", "a", "-tzip", "-mem=ZipCrypto", "-pright",
                               DriveC() + "/enc.zip", DriveC() + "/secret.txt"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    // Find wrong passwords that pass the one-byte check (about 1 in 256 do): only the CRC can tell.
    zip_t* archive = zip_open((DriveC() + "/enc.zip").c_str(), ZIP_RDONLY, nullptr);
    ASSERT_NE(archive, nullptr);
    std::string passing;
    for (int i = 0; i < 20000 && passing.empty(); ++i) {
        const std::string candidate = "wrong" + std::to_string(i);
        if (zip_file_t* file = zip_fopen_encrypted(archive, "secret.txt", 0, candidate.c_str())) {
            passing = candidate;
            zip_fclose(file);
        }
    }
    zip_discard(archive);
    ASSERT_FALSE(passing.empty());
    for (const std::string& password : {std::string("plainly wrong"), passing}) {
        engineMessages.clear();
        zip.Password = password;
        EXPECT_EQ(Extract("C:\\enc.zip", "C:\\target\\inner", {"*.*"}, kAll), 0) << password;
        EXPECT_EQ(MessagesWith(kMsgWrongPassword).size(), 1u) << password;
    }
    EXPECT_TRUE(TreeOf(DriveC() + "/target/inner").empty());
    zip.Password = "right";
    EXPECT_EQ(Extract("C:\\enc.zip", "C:\\target\\inner", {"*.*"}, kAll), 1);
}

TEST_F(UnzSafety, TheArchiveIsNotExtractedOntoItself) {
    const std::string bytes = zipbytes::Archive({{"self.zip", "not the archive"}});
    WriteHostFile(DriveC() + "/target/inner/self.zip", bytes);
    EXPECT_EQ(Extract("C:\\target\\inner\\self.zip", "C:\\target\\inner", {"*.*"}, kAll), 0);
    EXPECT_EQ(ReadHostFile(DriveC() + "/target/inner/self.zip"), bytes);
    EXPECT_EQ(MessagesWith(kMsgSkipped).size(), 1u);
}

TEST_F(UnzSafety, AnAbortLeavesNoPartialFile) {
    zip.OnProgress = [this](TZipMaster*, ProgressType type, const std::string&, std::int32_t) {
        if (type == ProgressType::BlockDone)
            zip.AbortFlag = true;
    };
    EXPECT_EQ(ExtractEntries({{"small.txt", "done first"},
                              {"big.bin", std::string(200000, 'b')},
                              {"later.txt", "x"}}),
              1);
    EXPECT_EQ(TreeOf(DriveC() + "/target/inner"), std::vector<std::string>{"small.txt"});
}
