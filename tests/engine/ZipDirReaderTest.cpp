// The directory reader on archives laid out byte by byte.
#include "ReaderFixture.h"

#include "platform/SharedFile.h"

#include <unistd.h>

TEST_F(Reader, ReadsTheFixedFieldsOfEveryLocalHeader) {
    Entry a{"doc/a.txt", "hello"};
    a.flags = 0x0800;
    a.method = 8; // the reader does not look at the data, so stored bytes do
    a.dosDateTime = 0x12345678;
    a.extra = U16(0xCAFE) + U16(2) + "xy";
    const std::string bytes = Archive({a, {"doc/", ""}, {"doc/a.txt", "again"}});
    EXPECT_EQ(Open("t.zip", bytes), "");
    EXPECT_EQ(Names(), (std::vector<std::string>{"doc/a.txt", "doc/",
                                                 "doc/a.txt"})); // duplicates and folders stay
    const ZipDirEntry& e = zip.Entries()[0];
    EXPECT_EQ(e.VersionNeeded, 20);
    EXPECT_EQ(e.GeneralFlags, 0x0800);
    EXPECT_EQ(e.CompressionMethod, 8);
    EXPECT_EQ(e.FileDateTime, 0x12345678);
    EXPECT_EQ(e.Crc32, 0x3610A686u); // CRC-32 of "hello"
    EXPECT_EQ(e.CompressedSize, 5);
    EXPECT_EQ(e.UncompressedSize, 5);
    EXPECT_EQ(e.FileNameLength, 9);
    EXPECT_EQ(e.ExtraFieldLength, 6);
    EXPECT_EQ(zip.Entries()[1].ExtraFieldLength, 0); // the walk skipped the extra field
    EXPECT_EQ(zip.FirstHeaderOffset(), 0);
    EXPECT_EQ(updates, std::vector<int>{3});
    EXPECT_TRUE(messages.empty());
}

TEST_F(Reader, FilesWithoutAnAcceptableHeader) {
    struct Row {
        const char* name;
        std::string bytes;
    };
    const Row rows[] = {
        {"empty.zip", ""},
        {"text.zip", std::string(70000, 'x')},
        // The header starts after 60000 candidate bytes.
        {"late.zip", std::string(60000, 'x') + Archive({{"a", "1"}})},
        // Only "PK" 3 4 behind a second "P" : the first "P" takes the next byte with it.
        {"ppk.zip", "PPK\x03\x04" + std::string(40, '\0')},
    };
    for (const auto& row : rows) {
        messages.clear();
        updates.clear();
        EXPECT_EQ(Open(row.name, row.bytes), "") << row.name;
        EXPECT_EQ(zip.Count(), 0) << row.name;
        EXPECT_EQ(messages, std::vector<std::string>{kNoEntries}) << row.name;
        EXPECT_EQ(updates, std::vector<int>{0}) << row.name;
    }
    // 59999 bytes before the header: still within the bound.
    EXPECT_EQ(Open("just.zip", std::string(59999, 'x') + Archive({{"a", "1"}})), "");
    EXPECT_EQ(zip.Count(), 1);
    EXPECT_EQ(zip.FirstHeaderOffset(), 59999);
}

TEST_F(Reader, SelfExtractingFilesAreSearchedFromByte14000) {
    const std::string archive = Archive({{"setup.exe", "MZ"}});
    EXPECT_EQ(Open("early.EXE", std::string(13000, 's') + archive), "");
    EXPECT_EQ(zip.Count(), 0);
    EXPECT_EQ(Open("tool.ExE", std::string(20000, 's') + archive), "");
    EXPECT_EQ(zip.Count(), 1);
    EXPECT_EQ(zip.FirstHeaderOffset(), 20000);
    // Any other extension is searched from the start.
    EXPECT_EQ(Open("tool.bin", std::string(13000, 's') + archive), "");
    EXPECT_EQ(zip.FirstHeaderOffset(), 13000);
}

TEST_F(Reader, MissingOrEmptyPathsListNothingAndSayNothing) {
    zip.SetZipFilename("C:\\nothing.zip");
    zip.SetZipFilename("");
    EXPECT_EQ(zip.Count(), 0);
    EXPECT_EQ(updates, (std::vector<int>{0, 0}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Reader, DamageAfterTheFirstEntryIsAnError) {
    // Entries of 36 bytes each (30 + a one-byte name + 5 bytes of data), then a third whose
    // header starts at 72.
    const std::string three =
        Archive({{"a", "11111"}, {"b", "22222"}, {"ccccc", std::string(100, '3')}});
    struct Row {
        const char* name;
        std::string bytes;
        const char* error;
        int count;
    };
    const Row rows[] = {
        {"cut-in-data.zip", three.substr(0, 72 + 35 + 50), "Error 3 reading Zip file", 2},
        // The second entry's data ends 21 bytes before the end: no room for an end record.
        {"no-end-record.zip", three.substr(0, 72) + "PK\x05\x06" + std::string(17, '\0'),
         "Error 3 reading Zip file", 1},
        {"cut-in-header.zip", three.substr(0, 72 + 4 + 20), "Error 2 reading Zip file", 2},
        {"cut-in-name.zip", three.substr(0, 72 + 30 + 2), "Error 2 reading Zip file", 2},
        // Three bytes left where a signature should be: the walk has gone on 4 bytes at a time.
        {"cut-in-signature.zip", three.substr(0, 36) + std::string(23, 'j'),
         "Error reading Zip File", 1},
    };
    for (const auto& row : rows) {
        updates.clear();
        EXPECT_EQ(Open(row.name, row.bytes), row.error) << row.name;
        EXPECT_EQ(zip.Count(), row.count) << row.name;
        EXPECT_EQ(updates, std::vector<int>{row.count}) << row.name; // fired before the error left
    }
}

TEST_F(Reader, AFirstEntryRunningPastTheEndIsDroppedAndTheSearchGoesOn) {
    // The first header claims 1000 bytes of data; a real header lies inside them.
    Entry liar{"x", ""};
    liar.compressedSize = 1000;
    const std::string inner = Archive({{"inner.txt", "ok"}});
    EXPECT_EQ(Open("liar.zip", LocalHeader(liar) + inner), "");
    EXPECT_EQ(Names(), std::vector<std::string>{"inner.txt"});
    EXPECT_EQ(zip.FirstHeaderOffset(), 31);
    // Data ending exactly 22 bytes before the end is accepted.
    Entry exact{"e", "12345"};
    EXPECT_EQ(
        Open("exact.zip", LocalHeader(exact) + "12345" + "PK\x05\x06" + std::string(18, '\0')), "");
    EXPECT_EQ(zip.Count(), 1);
    // So is an empty entry followed directly by the end record.
    EXPECT_EQ(Open("empty.zip", LocalHeader({"e", ""}) + "PK\x05\x06" + std::string(18, '\0')), "");
    EXPECT_EQ(Names(), std::vector<std::string>{"e"});
}

TEST_F(Reader, NamesAreCutAtANulAndAt256BytesAndTheWalkStaysInStep) {
    const std::string longName(300, 'n');
    EXPECT_EQ(Open("names.zip",
                   Archive({{std::string("a\0b.txt", 7), "1"}, {longName, "2"}, {"last", "3"}})),
              "");
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", longName.substr(0, 256), "last"}));
    EXPECT_EQ(zip.Entries()[1].FileNameLength, 300);
}

TEST_F(Reader, AZip64EntryIsSkippedByItsRealSize) {
    Entry big{"big.bin", std::string(70000, 'z')};
    big.compressedSize = 0xFFFFFFFF;
    big.uncompressedSize = 0xFFFFFFFF;
    big.extra = Zip64Extra(70000, 70000);
    EXPECT_EQ(Open("zip64.zip", Archive({big, {"after", "1"}})), "");
    EXPECT_EQ(Names(), (std::vector<std::string>{"big.bin", "after"}));
    EXPECT_EQ(zip.Entries()[0].CompressedSize, 70000); // the real sizes, from the Zip64 field
    EXPECT_EQ(zip.Entries()[0].UncompressedSize, 70000);
}

TEST_F(Reader, SizesComeFromTheZip64FieldWhereTheHeaderHas0xFFFFFFFF) {
    struct Row {
        const char* what;
        std::uint32_t packedField, sizeField;
        std::string extra;
        std::int64_t packed, size;
    };
    const Row rows[] = {
        {"both beyond 32 bits", 0xFFFFFFFF, 0xFFFFFFFF, Zip64Extra(5000000000, 100), 100,
         5000000000},
        {"the size alone: the field holds it alone", 100, 0xFFFFFFFF,
         U16(0x0001) + U16(8) + U64(6000000000), 100, 6000000000},
        {"after another extra field", 0xFFFFFFFF, 0xFFFFFFFF,
         U16(0x5455) + U16(5) + std::string(5, 't') + Zip64Extra(4294967296, 100), 100, 4294967296},
        {"3,000,000,000 in the header's 32 bits, no Zip64", 100, 3000000000U, "", 100, 3000000000},
        {"a Zip64 field too short for the size: the header's value stays", 100, 0xFFFFFFFF,
         U16(0x0001) + U16(4) + std::string(4, '\0'), 100, 0xFFFFFFFF},
    };
    for (const Row& row : rows) {
        Entry entry{"big.bin", std::string(100, 'z')};
        entry.compressedSize = row.packedField;
        entry.uncompressedSize = row.sizeField;
        entry.extra = row.extra;
        ASSERT_EQ(Open("sizes.zip", Archive({entry, {"after", "1"}})), "") << row.what;
        ASSERT_EQ(Names(), (std::vector<std::string>{"big.bin", "after"})) << row.what;
        EXPECT_EQ(zip.Entries()[0].CompressedSize, row.packed) << row.what;
        EXPECT_EQ(zip.Entries()[0].UncompressedSize, row.size) << row.what;
    }
}

TEST_F(Reader, ManyEntriesAcrossBufferBoundaries) {
    std::vector<Entry> entries;
    for (int i = 0; i < 5000; ++i)
        entries.push_back(
            {"f" + std::to_string(i), std::string(static_cast<std::size_t>(i % 97), 'd')});
    EXPECT_EQ(Open("many.zip", Archive(entries)), "");
    ASSERT_EQ(zip.Count(), 5000);
    EXPECT_EQ(zip.Entries()[4999].FileName, "f4999");
    EXPECT_EQ(zip.Entries()[4999].CompressedSize, 4999 % 97);
}

TEST_F(Reader, AFileLockedByAWriterCannotBeOpened) {
    WriteHostFile(DriveC() + "/locked.zip", Archive({{"a", "1"}}));
    const int writer = platform::OpenWriteDenyAll(DriveC() + "/locked.zip", false);
    ASSERT_GE(writer, 0);
    try {
        zip.SetZipFilename("C:\\locked.zip");
        FAIL() << "no error";
    } catch (const EZipMaster& error) {
        EXPECT_STREQ(error.what(), "Cannot open file C:\\locked.zip");
    }
    EXPECT_TRUE(updates.empty()); // OnDirUpdate does not fire
    EXPECT_EQ(zip.ZipFilename(), "C:\\locked.zip");
    ::close(writer);
}
