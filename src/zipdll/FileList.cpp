// The files and folders an add takes, held compactly.
#include "zipdll/FileList.h"

#include "platform/WinPath.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

static_assert(std::is_trivially_copyable_v<ListedFile> &&
                  std::is_trivially_destructible_v<ListedFile>,
              "records are copied into raw blocks and dropped without destruction");

namespace {

// Names longer than this are cut, as the disk's find data cuts them.
constexpr std::size_t kMaxName = 0xFFFF;

void* NewBlock() {
    void* block = std::malloc(FileList::kBlockBytes);
    if (!block)
        throw std::bad_alloc();
    return block;
}

} // namespace

FileList::~FileList() {
    for (ListedFile* block : blocks_)
        std::free(block);
    for (char* block : nameBlocks_)
        std::free(block);
}

std::uint32_t FileList::AddFolder(Folder folder) {
    folders_.push_back(std::move(folder));
    return static_cast<std::uint32_t>(folders_.size() - 1);
}

std::uint32_t FileList::Add(ListedFile file, std::string_view name) {
    name = name.substr(0, std::min(name.size(), kMaxName));
    if (nameBlocks_.empty() || kBlockBytes - nameBlockUsed_ < name.size()) {
        nameBlocks_.push_back(static_cast<char*>(NewBlock()));
        nameBlockUsed_ = 0;
    }
    if (size_ == blocks_.size() * kRecordsPerBlock)
        blocks_.push_back(static_cast<ListedFile*>(NewBlock()));
    char* kept = nameBlocks_.back() + nameBlockUsed_;
    if (!name.empty())
        std::memcpy(kept, name.data(), name.size());
    nameBlockUsed_ += name.size();
    file.name = kept;
    file.nameLength = static_cast<std::uint16_t>(name.size());
    new (&blocks_.back()[size_ % kRecordsPerBlock]) ListedFile(file);
    return static_cast<std::uint32_t>(size_++);
}

std::string FileList::HostPath(const ListedFile& file) const {
    return FolderOf(file).host + "/" + std::string(file.Name());
}

std::string FileList::WindowsPath(const ListedFile& file) const {
    return FolderOf(file).windows + std::string(file.Name());
}

void FileList::StoredName(const ListedFile& file, std::string& out) const {
    out = FolderOf(file).stored;
    if (dosNames_)
        out += DosNameComponent(file.Name());
    else
        out += file.Name();
    if (file.isFolder)
        out += '/';
}

std::string FileList::StoredName(const ListedFile& file) const {
    std::string name;
    StoredName(file, name);
    return name;
}

std::string DosNameComponent(std::string_view name) {
    const std::string upper = win::UpperCase(name);
    const auto dot = upper.rfind('.');
    auto clean = [](std::string_view part, std::size_t limit) {
        std::string out;
        for (const char c : part) {
            if (out.size() == limit)
                break;
            const auto b = static_cast<unsigned char>(c);
            const bool allowed =
                b > 0x20 && b < 0x7F &&
                std::string_view(" .\"*+,/:;<=>?[\\]|").find(c) == std::string_view::npos;
            out += allowed ? c : '_';
        }
        return out;
    };
    if (dot == std::string::npos || dot == 0)
        return clean(upper, 8);
    const std::string ext = clean(std::string_view(upper).substr(dot + 1), 3);
    return clean(std::string_view(upper).substr(0, dot), 8) + (ext.empty() ? "" : "." + ext);
}
