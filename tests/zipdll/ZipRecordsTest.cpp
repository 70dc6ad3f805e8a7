// The records of a changed archive, read back by Python's zipfile from a sparse file: entries that
// stay keep their extra fields and get Zip64 offsets once their local headers lie beyond 4 GiB,
// and the end records count them and point at the directory there.
#include "zipdll/ZipRecords.h"

#include "RunTool.h"
#include "TestMachine.h"
#include "ZipBytes.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;

TEST(ZipRecords, EntriesThatStayBeyondFourGibGetZip64OffsetsThatPeersFollow) {
    zipbytes::Entry second{"b.txt", "bravo"};
    second.extra = zipbytes::U16(0xCAFE) + zipbytes::U16(2) + "xy"; // a field of another tool
    const std::string original = zipbytes::Archive({{"a.txt", "alpha"}, second});
    const std::string path = MachineRoot() + "/far.zip";
    WriteHostFile(path, original);
    const int fd = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    const auto layout = ReadArchiveLayout(fd);
    ASSERT_TRUE(layout);
    // The local entries 5 GiB into the file, the hole before them taking no room.
    constexpr std::uint64_t kShift = 5ull << 30;
    const auto directoryAt = static_cast<std::size_t>(layout->directoryAt);
    ASSERT_EQ(::pwrite(fd, original.data(), directoryAt, static_cast<off_t>(kShift)),
              static_cast<ssize_t>(directoryAt));
    Bytes records;
    for (const LayoutEntry& entry : layout->entries)
        AppendKeptCentralRecord(records, *layout, entry, kShift + entry.localHeaderOffset);
    const std::size_t directorySize = records.size();
    AppendEndRecords(records, 2, kShift + directoryAt, directorySize, "note");
    ASSERT_EQ(
        ::pwrite(fd, records.data(), records.size(), static_cast<off_t>(kShift + directoryAt)),
        static_cast<ssize_t>(records.size()));
    const auto moved = ReadArchiveLayout(fd);
    ::close(fd);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->entries.at(1).localHeaderOffset,
              kShift + layout->entries[1].localHeaderOffset);
    EXPECT_TRUE(moved->entries[1].offsetIn64);
    const auto read = RunPython(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    print(z.testzip(), z.comment.decode(), *[i.filename + "=" + z.read(i).decode() for i in z.infolist()],
          b"\xfe\xca\x02\x00xy" in z.getinfo("b.txt").extra)
)",
                                {path});
    EXPECT_EQ(read.output, "None note a.txt=alpha b.txt=bravo True\n") << read.output;
}
