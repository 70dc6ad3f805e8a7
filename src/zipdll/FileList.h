// The files and folders an add takes, held compactly for trees of any size: the facts of each in
// one record of fixed size, records and names each side by side in blocks of 1 MiB (as the
// directory reader keeps an archive's entries), and the folders they were found in once each. A
// file's host path, its Windows path and its stored name are made from its folder and its name
// when they are needed. The writer notes in each record where and how the file was stored, so
// the new central directory is made from the records at the end. Adding 200,000 files then holds
// about 70 bytes a file besides the names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ListedFile {
    enum class Fate : std::uint8_t {
        Left,     // not added: a later duplicate, not newer, unreadable, the archive itself
        New,      // a new entry, after the entries already there
        Replaces, // takes the place of the entry of its name
    };
    std::uint64_t size = 0;     // as found
    std::int64_t modified = 0;  // seconds since 1970
    const char* name = nullptr; // as the disk calls it, kept by the list
    std::uint32_t folder = 0;   // where it was found (FileList::FolderOf)
    std::uint16_t nameLength = 0;
    bool isFolder = false;
    Fate fate = Fate::New;
    // How it was stored, noted by the writer.
    std::uint64_t offset = 0; // of its local header in the new archive
    std::uint64_t compressedSize = 0;
    std::uint32_t crc32 = 0;
    std::uint16_t flags = 0; // general purpose bits
    std::uint8_t method = 0; // 0 stored, 8 deflated
    bool zip64Local = false; // its local header carries Zip64 sizes

    std::string_view Name() const { return {name, nameLength}; }
};

class FileList {
public:
    static constexpr std::size_t kBlockBytes = 1 << 20;
    static constexpr std::size_t kRecordsPerBlock = kBlockBytes / sizeof(ListedFile);

    struct Folder {
        std::string host;    // the host path, without a trailing "/"
        std::string windows; // the Windows path, with a trailing "\"
        std::string stored;  // the stored names' folder part, "" or ending in "/"
    };

    // dosNames: names are stored in upper-case 8.3 form (DosNameComponent).
    explicit FileList(bool dosNames = false) : dosNames_(dosNames) {}
    ~FileList();
    FileList(const FileList&) = delete;
    FileList& operator=(const FileList&) = delete;

    std::uint32_t AddFolder(Folder folder);
    // Appends the file with a copy of name kept by the list; its number.
    std::uint32_t Add(ListedFile file, std::string_view name);

    std::size_t size() const { return size_; }
    ListedFile& operator[](std::size_t i) {
        return blocks_[i / kRecordsPerBlock][i % kRecordsPerBlock];
    }
    const ListedFile& operator[](std::size_t i) const {
        return blocks_[i / kRecordsPerBlock][i % kRecordsPerBlock];
    }
    const Folder& FolderAt(std::uint32_t folder) const { return folders_[folder]; }
    const Folder& FolderOf(const ListedFile& file) const { return folders_[file.folder]; }

    std::string HostPath(const ListedFile& file) const;
    std::string WindowsPath(const ListedFile& file) const;
    // The name the file is stored under ("/" separators, a folder's ending in "/"), made in out.
    void StoredName(const ListedFile& file, std::string& out) const;
    std::string StoredName(const ListedFile& file) const;

private:
    bool dosNames_;
    std::vector<Folder> folders_;
    std::vector<ListedFile*> blocks_;
    std::vector<char*> nameBlocks_;
    std::size_t size_ = 0;
    std::size_t nameBlockUsed_ = 0;
};

// A name component in upper-case 8.3 form: "Long name.text" gives "LONG_NAM.TEX".
std::string DosNameComponent(std::string_view name);
