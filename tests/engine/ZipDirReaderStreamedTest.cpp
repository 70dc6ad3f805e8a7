// The directory reader on archives written by streaming writers: CRC and sizes after the data
// (flag bit 3), as Java archives, many server downloads and desktop "compress" commands have them.
#include "ReaderFixture.h"

#include "RunTool.h"

#include <sstream>

namespace {

// An end record of an empty directory: the archive has no usable central directory for the
// entries before it, so the reader must find their data descriptors.
const std::string kBareEnd = "PK\x05\x06" + std::string(18, '\0');

Entry Streamed(const std::string& name, const std::string& data, bool signature = true,
               bool zip64 = false) {
    Entry entry{name, data};
    entry.streamed = true;
    entry.descriptorSignature = signature;
    entry.descriptorZip64 = zip64;
    return entry;
}

std::string LocalEntries(const std::vector<Entry>& entries) {
    std::string out;
    for (const Entry& entry : entries)
        out += LocalEntry(entry);
    return out;
}

// "name crc packed size" per entry, one line each, as the reader found them.
std::string Listing(const TZipMaster& zip) {
    std::ostringstream out;
    for (const auto& e : zip.Entries())
        out << e.FileName << ' ' << e.Crc32 << ' ' << static_cast<std::uint32_t>(e.CompressedSize)
            << ' ' << static_cast<std::uint32_t>(e.UncompressedSize) << '\n';
    return out.str();
}

} // namespace

TEST_F(Reader, StreamedEntriesTakeTheirSizesFromTheDirectoryOrTheDescriptor) {
    // 7 bytes of data: a walk 4 bytes at a time from the data's start would never line up.
    const Entry odd = Streamed("d.txt", "abcdefg");
    // Stored data holding the bytes of a local header, which the walk must not take for one.
    const Entry decoy = Streamed("decoy.bin", "xy" + LocalHeader({"fake", ""}) + "z");
    const Entry plain{"n", "1"};
    const std::string expected =
        "d.txt 824863398 7 7\ndecoy.bin 1880685940 37 37\nn 2212294583 1 1\n";
    struct Row {
        const char* name;
        std::string bytes;
    };
    const Row rows[] = {
        {"directory.zip", Archive({odd, decoy, plain})},
        {"signed-descriptors.zip", LocalEntries({odd, decoy, plain}) + kBareEnd},
        {"unsigned-descriptors.zip",
         LocalEntries({Streamed("d.txt", "abcdefg", false), Streamed(decoy.name, decoy.data, false),
                       plain}) +
             kBareEnd},
        {"zip64-descriptors.zip",
         LocalEntries({Streamed("d.txt", "abcdefg", true, true),
                       Streamed(decoy.name, decoy.data, false, true), plain}) +
             kBareEnd},
        // A stub before the archive: the directory's offsets count from the archive's start.
        {"stub.exe", std::string(20000, 's') + Archive({odd, decoy, plain})},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Open(row.name, row.bytes), "") << row.name;
        EXPECT_EQ(Listing(zip), expected) << row.name;
        EXPECT_TRUE(messages.empty()) << row.name;
    }
}

TEST_F(Reader, AStreamedEntryWhoseEndCannotBeFoundRunsToTheEndOfTheFile) {
    Entry lost = Streamed("lost", "abcdefg");
    lost.descriptorSignature = false;
    const std::string noDescriptor = LocalHeader(lost) + lost.data; // the descriptor is missing
    // As the first entry it is dropped and the search goes on from the end of its name.
    EXPECT_EQ(Open("first.zip", noDescriptor + Archive({{"n", "1"}})), "");
    EXPECT_EQ(Names(), std::vector<std::string>{"n"});
    // After an entry it is damage.
    EXPECT_EQ(Open("second.zip", LocalEntry({"a", "1"}) + noDescriptor + kBareEnd),
              "Error 3 reading Zip file");
    EXPECT_EQ(Names(), std::vector<std::string>{"a"});
}

// Archives from Python's zipfile writing to a pipe and from bsdtar writing to standard output:
// both use data descriptors. The reader must list what zipfile reads from the same file.
TEST_F(Reader, ArchivesOfStreamingWritersListLikeZipfileReadsThem) {
    const std::string write = R"(
import io, sys, zipfile
class Pipe(io.RawIOBase):
    def __init__(self, f): self.f = f
    def writable(self): return True
    def write(self, b): return self.f.write(b)
decoy = b'PK\x03\x04' + bytes(26) + b'xx'
with open(sys.argv[1], 'wb') as f:
    with zipfile.ZipFile(Pipe(f), 'w') as z:
        z.writestr('stored.bin', decoy * 100, zipfile.ZIP_STORED)
        z.writestr('deflated.txt', b'text ' * 5000, zipfile.ZIP_DEFLATED)
        z.writestr('empty.txt', b'', zipfile.ZIP_DEFLATED)
        z.writestr('folder/', b'')
        z.writestr('folder/odd.bin', bytes(range(256)) * 3 + b'x', zipfile.ZIP_DEFLATED)
with zipfile.ZipFile(sys.argv[1]) as z:
    assert all(i.flag_bits & 8 for i in z.infolist() if not i.is_dir())
)";
    const std::string list = R"(
import sys, zipfile
for i in zipfile.ZipFile(sys.argv[1]).infolist():
    print(i.filename, i.CRC, i.compress_size, i.file_size)
)";
    const std::string host = HostTemp() + "/python.zip";
    ASSERT_EQ(RunPython(write, {host}).exitCode, 0);
    const std::string bytes = ReadHostFile(host);
    const auto python = RunPython(list, {host});
    ASSERT_EQ(python.exitCode, 0) << python.output;

    EXPECT_EQ(Open("python.zip", bytes), "");
    EXPECT_EQ(Listing(zip), python.output);
    EXPECT_EQ(zip.Count(), 5);
    EXPECT_EQ(Open("python.exe", std::string(16000, 's') + bytes), "");
    EXPECT_EQ(Listing(zip), python.output);

    // bsdtar writes a zip to a pipe the same way.
    const std::string folder = HostTemp() + "/tree";
    WriteHostFile(folder + "/a.txt", std::string(100000, 'a'));
    WriteHostFile(folder + "/sub/b.bin", "PK\x03\x04 inside");
    const std::string piped = HostTemp() + "/bsdtar.zip";
    const auto bsdtar =
        RunTool({"sh", "-c",
                 "cd '" + folder + "' && bsdtar -cf - --format zip a.txt sub | cat > " + piped});
    ASSERT_EQ(bsdtar.exitCode, 0) << bsdtar.output;
    const auto expected = RunPython(list, {piped});
    ASSERT_EQ(expected.exitCode, 0) << expected.output;
    EXPECT_EQ(Open("bsdtar.zip", ReadHostFile(piped)), "");
    EXPECT_EQ(Listing(zip), expected.output);
}
