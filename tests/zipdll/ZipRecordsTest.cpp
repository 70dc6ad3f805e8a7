// The records of a changed archive, read back by Python's zipfile and 7-Zip from a sparse file:
// entries that stay keep their extra fields and get Zip64 offsets once their local headers lie
// beyond 4 GiB, and the end records count them and point at the directory there; a new entry
// encrypted with AES has its AES field beside its Zip64 fields.
#include "zipdll/ZipRecords.h"

#include "engine/AesCipher.h"

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

TEST(ZipRecords, AnAesEntryWithZip64FieldsBeyondFourGibOpensWithItsPassword) {
    if (!ToolInstalled("7zz"))
        GTEST_SKIP() << "7zz is not installed";
    // The entry's data as the writer makes it: salt and check, encrypted bytes, code.
    const std::string plain = "protected beyond 4 GiB";
    AesCipher cipher(aes::kStrength256);
    Bytes data(cipher.HeaderSize() + plain.size() + aes::kAuthenticationCodeSize);
    unsigned char* encrypted = data.data() + cipher.HeaderSize();
    std::copy(plain.begin(), plain.end(), encrypted);
    ASSERT_TRUE(cipher.StartEntry("pw", data.data()));
    ASSERT_TRUE(cipher.Encrypt(encrypted, plain.size()));
    ASSERT_TRUE(cipher.AuthenticationCode(encrypted + plain.size()));
    NewEntry entry;
    entry.name = "far.txt";
    entry.flags = kFlagEncrypted;
    entry.dosTime = 0x5A210000;
    entry.crc32 = 0x12345678; // AE-2 writes 0 instead
    entry.compressedSize = data.size();
    entry.size = plain.size();
    entry.offset = 5ull << 30;
    entry.zip64Local = true;
    entry.aes = true;
    // A plain entry at the start, where readers look for the archive, then the hole.
    NewEntry first;
    first.name = "a.txt";
    first.crc32 = 0xE8B7BE43; // of "a"
    first.compressedSize = first.size = 1;
    Bytes start;
    AppendLocalHeader(start, first);
    start.push_back('a');
    Bytes records;
    AppendLocalHeader(records, entry);
    records.insert(records.end(), data.begin(), data.end());
    const std::uint64_t directoryAt = entry.offset + records.size();
    const std::size_t directoryStart = records.size();
    AppendCentralRecord(records, first);
    AppendCentralRecord(records, entry);
    AppendEndRecords(records, 2, directoryAt, records.size() - directoryStart, "");
    const std::string path = MachineRoot() + "/far.zip";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, start.data(), start.size(), 0), static_cast<ssize_t>(start.size()));
    ASSERT_EQ(::pwrite(fd, records.data(), records.size(), static_cast<off_t>(entry.offset)),
              static_cast<ssize_t>(records.size()));
    ::close(fd);
    const auto read = RunPython(R"(
import sys, zipfile
i = zipfile.ZipFile(sys.argv[1]).getinfo("far.txt")
print(i.compress_type, i.CRC, i.header_offset, i.flag_bits & 1, i.extract_version, i.extra.hex())
)",
                                {path});
    // The central record's extra field: the Zip64 offset (0001, 8 bytes), then the AES field
    // (9901, 7 bytes): AE-2, "AE", AES-256, stored.
    const std::string extra = "0100"
                              "0800"
                              "0000004001000000"
                              "0199"
                              "0700"
                              "0200"
                              "4145"
                              "03"
                              "0000";
    EXPECT_EQ(read.output, "99 0 5368709120 1 51 " + extra + "\n");
    const auto opened = RunTool({"7zz", "t", "-ppw", path});
    EXPECT_EQ(opened.exitCode, 0) << opened.output;
    const auto refused = RunTool({"7zz", "t", "-pwrong", path});
    EXPECT_NE(refused.exitCode, 0) << refused.output;
}
