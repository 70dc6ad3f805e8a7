// Archives that the peers (Python's zipfile, 7-Zip, bsdtar) read: entries of other compression
// methods, folders marked only by their attributes, padding and stray bytes between entries, a
// Unicode name beside a legacy one, and the last part of a split archive, which peers name as
// such. Each row is made here byte by byte and says what the listing shows, what lands on disk
// and what the engine says.
#include "EngineTest.h"
#include "RunTool.h"
#include "TestMachine.h"
#include "ZipBytes.h"

#include "engine/EngineReport.h"
#include "engine/LittleEndian.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kEndRecordSize = 22;
constexpr std::uint16_t kMadeOnUnix = 3 << 8 | 20;
constexpr std::uint16_t kMadeOnNtfs = 11 << 8 | 20; // as Info-ZIP and 7-Zip number NTFS

std::string Bytes(const std::vector<unsigned char>& bytes, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(bytes.data()), size);
}

// Text that compresses, with some variety.
std::string Words(std::size_t size) {
    const char* const words[] = {"archive ", "entry ", "folder\n", "header ", "42 "};
    std::string text;
    for (unsigned seed = 7; text.size() < size; seed = seed * 1103515245 + 12345)
        text += words[(seed >> 16) % 5];
    return text.substr(0, size);
}

// LZMA as a ZIP entry carries it: the encoder's version, the size of the properties, the
// properties, the raw stream, with or without the end marker.
std::string LzmaPacked(const std::string& data, bool endMarker) {
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 6);
    options.ext_flags = endMarker ? LZMA_LZMA1EXT_ALLOW_EOPM : 0;
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    std::vector<unsigned char> out(data.size() + 1024);
    std::size_t size = 0;
    EXPECT_EQ(lzma_raw_buffer_encode(filters, nullptr,
                                     reinterpret_cast<const uint8_t*>(data.data()), data.size(),
                                     out.data(), &size, out.size()),
              LZMA_OK);
    const std::string properties = {
        static_cast<char>((options.pb * 5 + options.lp) * 9 + options.lc)};
    return std::string("\x10\x02\x05\x00", 4) + properties + zipbytes::U32(options.dict_size) +
           Bytes(out, size);
}

std::string XzPacked(const std::string& data) {
    std::vector<unsigned char> out(data.size() + 1024);
    std::size_t size = 0;
    EXPECT_EQ(lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr,
                                      reinterpret_cast<const uint8_t*>(data.data()), data.size(),
                                      out.data(), &size, out.size()),
              LZMA_OK);
    return Bytes(out, size);
}

// Zstandard frames of frameSize bytes each, one after the other, as a parallel writer makes them.
std::string ZstandardPacked(const std::string& data, std::size_t frameSize) {
    std::string packed;
    for (std::size_t at = 0; at < data.size(); at += frameSize) {
        const std::size_t size = std::min(frameSize, data.size() - at);
        std::vector<unsigned char> out(ZSTD_compressBound(size));
        const std::size_t made = ZSTD_compress(out.data(), out.size(), data.data() + at, size, 9);
        EXPECT_FALSE(ZSTD_isError(made));
        packed += Bytes(out, made);
    }
    return packed;
}

// A Deflate64 stream written bit by bit: literals and matches of the fixed codes in one block.
class Deflate64Writer {
public:
    void Literal(unsigned char byte) {
        byte < 144 ? Code(0x30 + byte, 8) : Code(0x190 + byte - 144, 9);
        made += static_cast<char>(byte);
    }
    // A match of the length code 285 (Deflate64's 3 + 16 extra bits) at a distance of the codes
    // 30 or 31 (14 extra bits), Deflate64's too.
    void LongMatch(std::uint32_t length, std::uint32_t distance) {
        Code(0xC0 + 285 - 280, 8);
        Bits(length - 3, 16);
        const std::uint32_t code = distance >= 49153 ? 31 : 30;
        Code(code, 5);
        Bits(distance - (code == 31 ? 49153 : 32769), 14);
        for (std::uint32_t i = 0; i < length; ++i)
            made += made[made.size() - distance];
    }
    std::string Finish() {
        Code(0, 7); // end of block
        if (count_ > 0)
            packed += static_cast<char>(bits_);
        return packed;
    }
    std::string made; // what the stream unpacks to

    Deflate64Writer() { Bits(0b011, 3); } // the last block, fixed codes

private:
    void Bits(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            bits_ |= ((value >> i) & 1) << count_;
            if (++count_ == 8) {
                packed += static_cast<char>(bits_);
                bits_ = 0;
                count_ = 0;
            }
        }
    }
    // A Huffman code goes most significant bit first.
    void Code(std::uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i)
            Bits((code >> i) & 1, 1);
    }
    std::string packed;
    std::uint32_t bits_ = 0;
    int count_ = 0;
};

zipbytes::Entry Packed(const std::string& name, const std::string& data, std::uint16_t method,
                       const std::string& packed) {
    zipbytes::Entry entry{name, packed, 0, method};
    entry.uncompressedSize = static_cast<std::uint32_t>(data.size());
    entry.crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    return entry;
}

// The archive with bytes put at position, every record and the directory moved past them.
std::string InsertedAt(std::string archive, std::size_t position, const std::string& bytes) {
    for (std::size_t at = archive.find("PK\x01\x02"); at != std::string::npos;
         at = archive.find("PK\x01\x02", at + 4)) {
        const std::uint32_t offset =
            Le32(reinterpret_cast<const unsigned char*>(&archive[at + 42]));
        if (offset >= position)
            archive.replace(at + 42, 4,
                            zipbytes::U32(static_cast<std::uint32_t>(offset + bytes.size())));
    }
    const std::size_t directoryAt = archive.size() - kEndRecordSize + 16;
    const std::uint32_t directory =
        Le32(reinterpret_cast<const unsigned char*>(&archive[directoryAt]));
    archive.replace(directoryAt, 4,
                    zipbytes::U32(static_cast<std::uint32_t>(directory + bytes.size())));
    return archive.insert(position, bytes);
}

// The last part of the archive split in two: its central directory and end record, the end
// record naming disk 1 (the second) as this one and the directory's.
std::string LastPartOf(const std::string& archive) {
    std::string last = archive.substr(archive.find("PK\x01\x02"));
    last.replace(last.size() - kEndRecordSize + 4, 4, zipbytes::U16(1) + zipbytes::U16(1));
    last.replace(last.size() - kEndRecordSize + 16, 4, zipbytes::U32(0));
    return last;
}

struct Row {
    const char* fixture;
    std::string bytes;
    std::vector<std::string> listed;    // every entry the listing holds, as its name is listed
    std::vector<std::string> extracted; // the tree below the folder extracted into
    std::vector<std::pair<std::string, std::string>> contents; // files and what they hold
    std::vector<std::string> messages;                         // of the engine, in order
    std::string listingError{};
};

class UnzPeerArchives : public EngineTest {
protected:
    // Runs 7-Zip in C:\ with the arguments.
    void SevenZip(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(),
                         {"sh", "-c", "cd '" + DriveC() + "' && exec 7zz \"$@\"", "sh"});
        const auto made = RunTool(arguments);
        ASSERT_EQ(made.exitCode, 0) << made.output;
    }
    // Extracts C:\<archive> into C:\<archive>-x with the password.
    int ExtractWith(const std::string& archive, const std::string& password) {
        const std::string folder = archive + "-x";
        fs::remove_all(DriveC() + "/" + folder);
        fs::create_directories(DriveC() + "/" + folder);
        engineMessages.clear();
        zip.Password = password;
        return Extract("C:\\" + archive, "C:\\" + folder, {"*.*"}, ExtrDirNames | ExtrOverWrite);
    }
};

} // namespace

TEST_F(UnzPeerArchives, WhatThePeersReadIsListedAndExtractedAsTheyReadIt) {
    const std::string text = Words(300000);
    const std::string small = "small and plain\n";
    Deflate64Writer deflate64;
    for (unsigned seed = 1; deflate64.made.size() < 60000; seed = seed * 69069 + 1)
        deflate64.Literal(static_cast<unsigned char>(seed >> 24));
    deflate64.LongMatch(1003, 50000);
    deflate64.LongMatch(3, 40000);
    deflate64.Literal('Z');
    const std::string deflate64Stream = deflate64.Finish();
    Deflate64Writer farBack; // a match reaching before the start of the data
    farBack.Literal('a');
    farBack.LongMatch(3, 40000);

    zipbytes::Entry dosFolder{"DOCS", ""}, ntfsFolder{"DOCS/SUB", ""}, unixFolder{"bin", ""},
        dosFileWithData{"NOTES", "text"};
    dosFolder.externalAttributes = dosFileWithData.externalAttributes = 0x10;
    ntfsFolder.madeBy = kMadeOnNtfs;
    ntfsFolder.externalAttributes = 0x10;
    unixFolder.madeBy = kMadeOnUnix;
    unixFolder.externalAttributes = 040755u << 16;
    const zipbytes::Entry inFolder{"DOCS/README.TXT", "read me"};
    const zipbytes::Entry inSub{"DOCS/SUB/A.TXT", "a"};

    const std::string euro = "\xE2\x82\xAC_for_Dollar.txt";
    const std::string euroInCodePage = "\xE2\x82\xAC_in_a_code_page.txt";
    zipbytes::Entry escaped{"%U20AC_for_Dollar.txt", "dollar"},
        codePage{"\x80_in_a_code_page.txt", "code page"}, stale{"stale.txt", "stale"};
    escaped.extra = zipbytes::UnicodePathExtra(escaped.name, euro);
    codePage.extra = zipbytes::UnicodePathExtra(codePage.name, euroInCodePage);
    stale.extra =
        zipbytes::UnicodePathExtra("other.txt", "wrong.txt"); // the stored name changed since

    const std::string two = zipbytes::Archive({{"one.txt", "one"}, {"two.txt", "two"}});
    zipbytes::Entry nameless; // with an extra field that pads the next entry to an alignment
    nameless.extra = std::string(6, '\0');
    const std::string padding = zipbytes::LocalHeader(nameless);
    const std::string damaged = "damaged data in ";
    // Declared 2 GiB long, with a dictionary as large (the properties' last 4 bytes).
    zipbytes::Entry hugeDictionary = Packed("huge.txt", text, 14, LzmaPacked(text, true));
    hugeDictionary.data.replace(5, 4, zipbytes::U32(0x80000000));
    hugeDictionary.uncompressedSize = 0x80000000;
    const Row rows[] = {
        {"lzma-with-end-marker",
         zipbytes::Archive({Packed("a.txt", text, 14, LzmaPacked(text, true))}),
         {"a.txt"},
         {"a.txt"},
         {{"a.txt", text}},
         {}},
        {"lzma-without-end-marker",
         zipbytes::Archive({Packed("a.txt", text, 14, LzmaPacked(text, false))}),
         {"a.txt"},
         {"a.txt"},
         {{"a.txt", text}},
         {}},
        {"xz-two-streams",
         zipbytes::Archive({Packed("a.txt", text, 95,
                                   XzPacked(text.substr(0, 1000)) + XzPacked(text.substr(1000)))}),
         {"a.txt"},
         {"a.txt"},
         {{"a.txt", text}},
         {}},
        {"zstandard-three-frames",
         zipbytes::Archive({Packed("a.txt", text, 93, ZstandardPacked(text, 100000))}),
         {"a.txt"},
         {"a.txt"},
         {{"a.txt", text}},
         {}},
        {"deflate64-long-matches-far-back",
         zipbytes::Archive({Packed("a.bin", deflate64.made, 9, deflate64Stream)}),
         {"a.bin"},
         {"a.bin"},
         {{"a.bin", deflate64.made}},
         {}},
        {"deflate64-match-before-the-start",
         zipbytes::Archive({Packed("a.bin", farBack.made, 9, farBack.Finish())}),
         {"a.bin"},
         {},
         {},
         {damaged + "a.bin"}},
        {"lzma-with-a-dictionary-of-2-gib",
         zipbytes::Archive({hugeDictionary}),
         {"huge.txt"},
         {},
         {},
         {"compression needing more than 1 GiB of memory in huge.txt"}},
        {"lzma-cut-short",
         zipbytes::Archive({Packed("a.txt", text, 14, LzmaPacked(text, true).substr(0, 5000))}),
         {"a.txt"},
         {},
         {},
         {damaged + "a.txt"}},
        {"folders-by-their-attributes",
         zipbytes::Archive({dosFolder, inFolder, ntfsFolder, inSub, unixFolder, dosFileWithData}),
         {"DOCS/", "DOCS/README.TXT", "DOCS/SUB/", "DOCS/SUB/A.TXT", "bin/", "NOTES"},
         {"DOCS/", "DOCS/README.TXT", "DOCS/SUB/", "DOCS/SUB/A.TXT", "NOTES", "bin/"},
         {{"DOCS/README.TXT", "read me"}, {"NOTES", "text"}},
         {}},
        {"padding-header-at-the-start",
         InsertedAt(two, 0, padding),
         {"one.txt", "two.txt"},
         {"one.txt", "two.txt"},
         {{"two.txt", "two"}},
         {}},
        {"junk-between-entries",
         InsertedAt(two, two.find("PK\x03\x04", 4), "JUNK!!"),
         {"one.txt", "two.txt"},
         {"one.txt", "two.txt"},
         {{"two.txt", "two"}},
         {}},
        {"unicode-path",
         zipbytes::Archive({escaped, codePage, stale}),
         {euro, euroInCodePage, "stale.txt"},
         {"stale.txt", euro, euroInCodePage},
         {{euro, "dollar"}, {euroInCodePage, "code page"}},
         {}},
        {"last-part-of-a-split-archive",
         LastPartOf(two),
         {},
         {},
         {},
         {"C:\\odd.zip is the last part of a split archive; Pakrune needs the whole archive"},
         "This is the last part of a split archive; Pakrune needs the whole archive"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fixture);
        WriteHostFile(DriveC() + "/odd.zip", row.bytes);
        const std::string target = DriveC() + "/target";
        fs::remove_all(target);
        fs::create_directories(target);
        engineMessages.clear();
        std::string listingError;
        try {
            zip.SetZipFilename("C:\\odd.zip");
        } catch (const EZipMaster& error) {
            listingError = error.what();
        }
        EXPECT_EQ(listingError, row.listingError);
        std::vector<std::string> listed;
        for (const ZipDirEntry& entry : zip.Entries())
            listed.emplace_back(entry.FileName);
        EXPECT_EQ(listed, row.listed);
        zip.FSpecArgs = {"*.*"};
        zip.ExtrBaseDir = "C:\\target";
        zip.ExtrOptions = ExtrDirNames | ExtrOverWrite;
        zip.Extract();
        EXPECT_EQ(TreeOf(target), row.extracted);
        for (const auto& [file, expected] : row.contents)
            EXPECT_TRUE(ReadHostFile(target + "/" + file) == expected) << file;
        std::vector<std::string> messages;
        for (const auto& message : engineMessages)
            messages.push_back(message.text);
        EXPECT_EQ(messages, row.messages);
    }
}

TEST_F(UnzPeerArchives, WhatSevenZipWritesInEachMethodComesBackByteForByte) {
    // Text over several Deflate64 blocks and windows, bytes that do not compress (which 7-Zip
    // stores, also inside AES), an empty file.
    const std::string text = Words((1 << 20) + 1000); // its last piece short of a whole one
    std::string noise(100000, '\0');
    for (unsigned seed = 3, i = 0; i < noise.size(); ++i, seed = seed * 69069 + 1)
        noise[i] = static_cast<char>(seed >> 24);
    WriteHostFile(DriveC() + "/src/text.txt", text);
    WriteHostFile(DriveC() + "/src/sub/noise.bin", noise);
    WriteHostFile(DriveC() + "/src/empty.txt", "");
    const std::vector<std::string> files = {"src/", "src/empty.txt", "src/sub/",
                                            "src/sub/noise.bin", "src/text.txt"};
    const auto sameAsSource = [&](const std::string& folder) {
        EXPECT_EQ(TreeOf(DriveC() + "/" + folder), files);
        EXPECT_TRUE(ReadHostFile(DriveC() + "/" + folder + "/src/text.txt") == text);
        EXPECT_TRUE(ReadHostFile(DriveC() + "/" + folder + "/src/sub/noise.bin") == noise);
    };
    struct Row {
        const char* archive;
        std::vector<std::string> options;
    };
    const Row rows[] = {
        {"deflate64.zip", {"-mm=Deflate64"}},
        {"deflate64-fast.zip", {"-mm=Deflate64", "-mx=1"}},
        {"lzma.zip", {"-mm=LZMA"}},
        {"xz.zip", {"-mm=XZ"}},
        {"bzip2.zip", {"-mm=BZip2"}},
        {"ppmd.zip", {"-mm=PPMd"}},
        {"aes-stored.zip", {"-mm=Copy", "-mem=AES256", "-pSECRET"}},
        {"aes128-deflated.zip", {"-mm=Deflate", "-mem=AES128", "-pSECRET"}},
        {"aes-lzma.zip", {"-mm=LZMA", "-mem=AES256", "-pSECRET"}},
        {"aes-bzip2.zip", {"-mm=BZip2", "-mem=AES256", "-pSECRET"}},
        {"aes-ppmd.zip", {"-mm=PPMd", "-mem=AES256", "-pSECRET"}}, // its CRC field is 0
        {"zipcrypto-deflate64.zip", {"-mm=Deflate64", "-mem=ZipCrypto", "-pSECRET"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.archive);
        std::vector<std::string> arguments = {"a", "-bd", "-tzip", row.archive, "src"};
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        SevenZip(arguments);
        EXPECT_EQ(ExtractWith(row.archive, "SECRET"), 3);
        EXPECT_TRUE(engineMessages.empty());
        sameAsSource(std::string(row.archive) + "-x");
    }
    // Cancelled in the middle of an entry unpacked by its own decoder: nothing of it is left.
    zip.OnProgress = [this](TZipMaster*, ProgressType type, const std::string&, std::int32_t) {
        if (type == ProgressType::BlockDone)
            zip.AbortFlag = true;
    };
    for (const char* archive : {"lzma.zip", "deflate64.zip"}) {
        ExtractWith(archive, "");
        const std::string folder = DriveC() + "/" + archive + "-x";
        EXPECT_EQ(TreeOf(folder), (std::vector<std::string>{"src/", "src/empty.txt", "src/sub/"}))
            << archive;
        EXPECT_TRUE(TemporaryFilesIn(folder).empty()) << archive;
    }
}

TEST_F(UnzPeerArchives, AnAesEntryStoredWithoutCrcNeedsTheRightPasswordAndUnchangedData) {
    const std::string secret = Words(200000);
    WriteHostFile(DriveC() + "/secret.txt", secret);
    SevenZip({"a", "-bd", "-tzip", "-mm=Copy", "-mem=AES256", "-pSECRET", "aes.zip", "secret.txt"});
    const std::string archive = ReadHostFile(DriveC() + "/aes.zip");
    // The kind whose CRC field is 0 (AE-2): its authentication code stands for the CRC.
    ASSERT_EQ(Le32(reinterpret_cast<const unsigned char*>(&archive[14])), 0u);

    EXPECT_EQ(ExtractWith("aes.zip", "SECRET"), 1);
    EXPECT_TRUE(ReadHostFile(DriveC() + "/aes.zip-x/secret.txt") == secret);
    EXPECT_EQ(ExtractWith("aes.zip", "wrong"), 0);
    EXPECT_EQ(MessagesWith(kMsgWrongPassword),
              std::vector<std::string>{"Wrong password for secret.txt"});
    EXPECT_EQ(ExtractWith("aes.zip", ""), 0);
    EXPECT_EQ(MessagesWith(kMsgWrongPassword),
              std::vector<std::string>{"Password needed for secret.txt"});
    // One byte changed in the middle of the encrypted data, another in the authentication code.
    for (const std::size_t at : {archive.size() / 2, archive.find("PK\x01\x02") - 1}) {
        std::string changed = archive;
        changed[at] = static_cast<char>(changed[at] ^ 0x20);
        WriteHostFile(DriveC() + "/aes.zip", changed);
        EXPECT_EQ(ExtractWith("aes.zip", "SECRET"), 0);
        EXPECT_EQ(MessagesWith(kMsgWrongPassword),
                  std::vector<std::string>{"Wrong password or authentication error in secret.txt"});
        EXPECT_TRUE(TreeOf(DriveC() + "/aes.zip-x").empty());
    }
}
