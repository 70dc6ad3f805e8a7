// The self-extractor stub as a real program: a converted archive runs, extracts every entry with
// its folders, and opens in the peers; hostile archives are refused with a non-zero status and
// leave nothing behind, inside the folder or outside it.
#include "EngineTest.h"
#include "ManyFolders.h"
#include "OpenFileLimit.h"
#include "RunTool.h"
#include "ScratchDisk.h"
#include "TestMachine.h"
#include "ZipBytes.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const std::string kStub = SFX_STUB;

using zipbytes::Crc;
using zipbytes::Deflated;

class SfxStub : public EngineTest {
protected:
    // The stub followed by the archive, as an executable host file.
    std::string Program(const std::string& archive, const std::string& name = "x.exe") {
        const std::string path = HostTemp() + "/" + name;
        WriteHostFile(path, ReadHostFile(kStub) + archive);
        fs::permissions(path, fs::perms::owner_exec, fs::perm_options::add);
        return path;
    }
    std::string Target() const { return DriveC() + "/target"; }
};

} // namespace

TEST_F(SfxStub, AConvertedArchiveExtractsEveryEntryWithItsFolders) {
    WriteHostFile(DriveC() + "/data/readme.txt", std::string(5000, 'r'));
    WriteHostFile(DriveC() + "/data/docs/deep/notes.bin", std::string(300000, '\x01') + "end");
    WriteHostFile(DriveC() + "/data/docs/caf\u00e9.txt", "utf-8 name");
    fs::create_directories(DriveC() + "/data/empty");
    ASSERT_EQ(Add("C:\\pack.zip", {"C:\\data\\*.*"}, AddDirNames | AddRecurseDirs), 3);
    ASSERT_EQ(zip.ConvertToSfx(), 0);
    const std::string program = DriveC() + "/pack.exe";
    EXPECT_EQ(PeerFailures(program), "");

    const auto run = RunTool({program, Target()});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("extracted: data/docs/deep/notes.bin"), std::string::npos);
    EXPECT_EQ(TreeOf(Target() + "/data"), TreeOf(DriveC() + "/data"));
    for (const char* file : {"readme.txt", "docs/deep/notes.bin", "docs/caf\u00e9.txt"})
        EXPECT_EQ(ReadHostFile(Target() + "/data/" + file),
                  ReadHostFile(DriveC() + "/data/" + file))
            << file;

    // Without an argument, into the current folder.
    fs::create_directories(DriveC() + "/here");
    const auto here =
        RunTool({"sh", "-c", "cd \"$0\" && exec \"$1\"", DriveC() + "/here", program});
    EXPECT_EQ(here.exitCode, 0) << here.output;
    EXPECT_EQ(TreeOf(DriveC() + "/here"), TreeOf(Target()));
}

TEST_F(SfxStub, EntriesAreNamedAndMadeFoldersAsTheEnginesDo) {
    // A name in its Unicode Path field beside a legacy one, and a folder made on MS-DOS, known
    // only by its directory attribute.
    const std::string stored = "%U20AC_for_Dollar.txt", euro = "\u20ac_for_Dollar.txt";
    const std::string field = "\x01" + zipbytes::U32(Crc(stored)) + euro;
    zipbytes::Entry named{stored, "dollar"}, folder{"DOCS", ""};
    named.extra =
        zipbytes::U16(0x7075) + zipbytes::U16(static_cast<std::uint16_t>(field.size())) + field;
    folder.externalAttributes = 0x10;
    const auto run = RunTool(
        {Program(zipbytes::Archive({named, folder, {"DOCS/README.TXT", "read me"}})), Target()});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("folder:    DOCS/"), std::string::npos) << run.output;
    EXPECT_EQ(TreeOf(Target()), (std::vector<std::string>{"DOCS/", "DOCS/README.TXT", euro}));
    EXPECT_EQ(ReadHostFile(Target() + "/" + euro), "dollar");
}

TEST_F(SfxStub, OffsetsCountedFromTheStartOfTheFileWorkToo) {
    // "cat stub x.zip" and then the offsets moved by the stub's length, as zip -A does.
    const auto made = RunPython(R"(
import sys, zipfile
with open(sys.argv[2], "wb") as f:
    f.write(open(sys.argv[1], "rb").read())
    with zipfile.ZipFile(f, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("a/b.txt", "hello " * 1000)
)",
                                {kStub, HostTemp() + "/abs.exe"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    fs::permissions(HostTemp() + "/abs.exe", fs::perms::owner_exec, fs::perm_options::add);
    const auto run = RunTool({HostTemp() + "/abs.exe", Target()});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(ReadHostFile(Target() + "/a/b.txt").size(), 6000u);
}

TEST_F(SfxStub, BytesAppendedAfterTheArchiveAreSteppedOver) {
    const std::string archive = zipbytes::Archive({{"a/b.txt", "hello"}});
    for (const std::string& trailing : {std::string(1, '\0'), std::string(100, '\n')}) {
        SCOPED_TRACE(trailing.size());
        fs::remove_all(Target());
        const auto run = RunTool({Program(archive + trailing), Target()});
        EXPECT_EQ(run.exitCode, 0) << run.output;
        EXPECT_EQ(ReadHostFile(Target() + "/a/b.txt"), "hello");
    }
}

TEST_F(SfxStub, HostileArchivesFailAndLeaveNoPartialFile) {
    using zipbytes::Entry;
    const std::string bomb = std::string(100000, 'z');
    std::string overlapping = zipbytes::Archive({{"one.txt", "1"}, {"two.txt", "2"}});
    // The second central header points at the first entry's local header.
    const std::size_t second = overlapping.rfind("PK\x01\x02");
    overlapping.replace(second + 42, 4, zipbytes::U32(0));
    // Deeper than the folders the stub keeps open.
    std::string deep;
    for (int level = 0; level < 100; ++level)
        deep += "new/";
    struct Row {
        const char* fixture;
        std::string archive;
        const char* said;
        std::vector<std::string> extracted; // what the target holds afterwards
    };
    const Row rows[] = {
        {"traversal-dotdot",
         zipbytes::Archive({{"good.txt", "ok"}, {"../evil.txt", "evil"}}),
         "unsafe name: ../evil.txt",
         {}},
        {"absolute-name", zipbytes::Archive({{"/tmp/evil.txt", "evil"}}), "unsafe name", {}},
        {"crc-error",
         zipbytes::Archive(
             {{"bad.txt", "data", 0, 0, 0x5A8C6000, {}, {}, {}, 1}, {"good.txt", "ok"}}),
         "bad.txt: CRC error",
         {"good.txt"}},
        {"crc-error-in-folders-of-its-own",
         zipbytes::Archive(
             {{deep + "bad.txt", "data", 0, 0, 0x5A8C6000, {}, {}, {}, 1}, {"good.txt", "ok"}}),
         "/bad.txt: CRC error",
         {"good.txt"}},
        {"longer-than-declared",
         zipbytes::Archive({{"bomb.bin", Deflated(bomb), 0, 8, 0x5A8C6000, {}, 10, {}, Crc(bomb)}}),
         "bomb.bin: data longer than declared",
         {}},
        {"damaged-deflate",
         zipbytes::Archive({{"cut.bin",
                             Deflated(bomb).substr(0, 20),
                             0,
                             8,
                             0x5A8C6000,
                             {},
                             100000,
                             {},
                             Crc(bomb)}}),
         "cut.bin: damaged data",
         {}},
        {"encrypted-without-its-header",
         zipbytes::Archive({{"secret.txt", "xxxx", 1}}),
         "sizes do not match: secret.txt",
         {}},
        {"aes-encrypted",
         zipbytes::Archive({{"good.txt", "ok"}, {"secret.txt", std::string(40, 'x'), 1, 99}}),
         "AES encryption is not supported: secret.txt",
         {}},
        {"other-method",
         zipbytes::Archive({{"good.txt", "ok"}, {"packed.bz2", "BZh9", 0, 12}}),
         "compression method 12 is not supported: packed.bz2",
         {}},
        {"overlapping-entries", overlapping, "entries overlap", {}},
        {"no-archive", "", "no archive found", {}},
    };
    const auto outside = TreeOf(MachineRoot());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fixture);
        fs::remove_all(Target());
        const auto run =
            RunTool({Program(row.archive, std::string(row.fixture) + ".exe"), Target()});
        EXPECT_EQ(run.exitCode, 1) << run.output;
        EXPECT_NE(run.output.find(row.said), std::string::npos) << run.output;
        EXPECT_EQ(TreeOf(Target()), row.extracted); // no partial or temporary file
        fs::remove(HostTemp() + "/" + row.fixture + ".exe");
    }
    fs::remove_all(Target());
    EXPECT_EQ(TreeOf(MachineRoot()), outside);
}

TEST_F(SfxStub, NoLinkIsFollowedAndTheProgramIsNotOverwritten) {
    fs::create_directories(Target());
    fs::create_directories(DriveC() + "/elsewhere");
    fs::create_directory_symlink(DriveC() + "/elsewhere", Target() + "/sub");
    const std::string program =
        Program(zipbytes::Archive({{"sub/x.txt", "through the link"}, {"x.exe", "me"}}));
    fs::copy_file(program, Target() + "/x.exe");
    const auto self = RunTool({Target() + "/x.exe", Target()});
    EXPECT_EQ(self.exitCode, 1) << self.output;
    EXPECT_NE(self.output.find("sub/x.txt: a link or file is in the way"), std::string::npos);
    EXPECT_NE(self.output.find("x.exe: it would overwrite this program"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(DriveC() + "/elsewhere"));
    EXPECT_EQ(ReadHostFile(Target() + "/x.exe"), ReadHostFile(program));
}

TEST_F(SfxStub, FiveThousandFoldersExtractWithinALimitOf256OpenFiles) {
    // Not called .exe: the machine would keep it as a fuzzing seed, and replay it on every run.
    const std::string program = Program(zipbytes::Archive(ManyFolderEntries()), "many.run");
    // Into a disk of the test's own where it can have one: a disk that discards what is deleted
    // takes many seconds to remove ten thousand names again.
    const ScratchDisk disk('F', 64 << 20);
    const std::string target = disk.Mounted() ? disk.Host() + "/target" : Target();
    ToolResult run;
    {
        const OpenFileLimit limit(256);
        run = RunTool({program, target});
    }
    const auto error = run.output.find("error");
    EXPECT_EQ(error, std::string::npos) << run.output.substr(error, 300);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(FilesHoldingTheirFolder(target), 5000u);
}

TEST_F(SfxStub, EntriesThatDifferOnlyInLetterCaseAreFilesOfTheirOwn) {
    const std::string program = Program(zipbytes::Archive({{"README.txt", "upper"},
                                                           {"readme.txt", "lower"},
                                                           {"Docs/a.txt", "in Docs"},
                                                           {"DOCS/a.txt", "in DOCS"}}));
    const auto run = RunTool({program, Target()});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(TreeOf(Target()),
              (std::vector<std::string>{"DOCS/", "DOCS/a.txt", "Docs/", "Docs/a.txt", "README.txt",
                                        "readme.txt"}));
    EXPECT_EQ(ReadHostFile(Target() + "/README.txt"), "upper");
    EXPECT_EQ(ReadHostFile(Target() + "/readme.txt"), "lower");
    EXPECT_EQ(ReadHostFile(Target() + "/Docs/a.txt"), "in Docs");
    EXPECT_EQ(ReadHostFile(Target() + "/DOCS/a.txt"), "in DOCS");
}

TEST_F(SfxStub, NamesArePrintedWithoutTheControlCharactersATerminalWouldObey) {
    // C0 controls and DEL, and C1 controls written in UTF-8 (CSI U+009B, OSC U+009D, ST U+009C
    // and the ends of the range), each printed as one "_"; the characters beside them stay.
    struct Row {
        std::string name;
        std::string printed;
    };
    const Row rows[] = {
        {"bell\x07.txt", "bell_.txt"},
        {"del\x7f.txt", "del_.txt"},
        {"csi\xc2\x9b"
         "31mred.txt",
         "csi_31mred.txt"},
        {"osc\xc2\x9d"
         "0;title\xc2\x9c.txt",
         "osc_0;title_.txt"},
        {"ends\xc2\x80\xc2\x9f.txt", "ends__.txt"},
        {"nbsp\xc2\xa0"
         "caf\xc3\xa9.txt",
         "nbsp\xc2\xa0"
         "caf\xc3\xa9.txt"},
    };
    std::vector<zipbytes::Entry> entries;
    for (const Row& row : rows)
        entries.push_back({row.name, "x"});
    const auto run = RunTool({Program(zipbytes::Archive(entries)), Target()});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    for (const Row& row : rows)
        EXPECT_NE(run.output.find(row.printed), std::string::npos) << row.printed;
    for (const char* control : {"\x07", "\x7f", "\xc2\x9b", "\xc2\x9d", "\xc2\x9c", "\xc2\x80"})
        EXPECT_EQ(run.output.find(control), std::string::npos) << run.output;
}
