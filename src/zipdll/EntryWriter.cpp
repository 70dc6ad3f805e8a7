// Writes the new entries of an add into the new archive.
#include "zipdll/EntryWriter.h"

#include "engine/DosDateTime.h"
#include "engine/ZipFormat.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <libdeflate.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

constexpr std::uint8_t kStored = 0;
constexpr std::uint8_t kDeflated = 8;
// Streamed files are read and compressed in pieces of this size, compressed streams written so.
constexpr std::size_t kPiece = 1 << 20;
constexpr std::size_t kWritePiece = 1 << 16;
// A file this large gets Zip64 sizes in its local header: its compressed size may outgrow 32 bits
// (deflate adds a few bytes to every block it cannot shrink).
constexpr std::uint64_t kZip64Size = 0xFFFFFFFFull - (0xFFFFFFFFull >> 10);

// The deflate level as the general purpose bits tell it: maximum, fast or super fast.
std::uint16_t LevelFlags(int level) {
    return level >= 8 ? 1 << 1 : level == 2 ? 2 << 1 : level == 1 ? 3 << 1 : 0;
}

// UTF-8 names that are not plain ASCII are flagged, so readers do not take them for code page 437.
bool NeedsUtf8Flag(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char c) { return c & 0x80; }) &&
           platform::IsValidUtf8(name);
}

// zlib's raw deflate, fed a piece at a time.
class StreamDeflater {
public:
    explicit StreamDeflater(int level) {
        ok_ = deflateInit2(&z_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~StreamDeflater() { deflateEnd(&z_); }
    StreamDeflater(const StreamDeflater&) = delete;
    StreamDeflater& operator=(const StreamDeflater&) = delete;

    // Compresses size bytes (the last ones when finish), handing each piece of output to take.
    template <typename Take>
    bool Feed(const unsigned char* data, std::size_t size, bool finish, unsigned char* out,
              Take take) {
        if (!ok_)
            return false;
        z_.next_in = const_cast<Bytef*>(data);
        z_.avail_in = static_cast<uInt>(size);
        int result = Z_OK;
        do {
            z_.next_out = out;
            z_.avail_out = static_cast<uInt>(kPiece);
            result = deflate(&z_, finish ? Z_FINISH : Z_NO_FLUSH);
            if (result == Z_STREAM_ERROR || !take(out, kPiece - z_.avail_out))
                return false;
        } while (z_.avail_out == 0 || (finish && result != Z_STREAM_END));
        return true;
    }

private:
    z_stream z_{};
    bool ok_ = false;
};

} // namespace

EntryWriter::EntryWriter(ArchiveOutput& out, EngineReport& report, int level,
                         std::string_view password)
    : out_(out), report_(report), level_(level), password_(password), cipher_(aes::kStrength256) {}

NewEntry EntryWriter::EntryOf(const ListedFile& file, std::string_view name) {
    NewEntry entry;
    entry.name = name;
    entry.flags = file.flags;
    entry.method = file.method;
    entry.dosTime = DosOfLocalTime(file.modified);
    entry.crc32 = file.crc32;
    entry.compressedSize = file.compressedSize;
    entry.size = file.isFolder ? 0 : file.size;
    entry.offset = file.offset;
    entry.isFolder = file.isFolder;
    entry.zip64Local = file.zip64Local;
    entry.aes = (file.flags & kFlagEncrypted) != 0; // the only encryption this writer makes
    return entry;
}

EntryWriter::Result EntryWriter::Failed() const {
    if (report_.Aborted())
        errno = ECANCELED;
    return Result::Failed;
}

bool EntryWriter::Begin(ListedFile& file, std::string_view name) {
    file.offset = out_.Length();
    if (NeedsUtf8Flag(name))
        file.flags |= kFlagUtf8;
    if (!password_.empty() && !file.isFolder)
        file.flags |= kFlagEncrypted;
    header_.clear();
    AppendLocalHeader(header_, EntryOf(file, name));
    return out_.Write(header_.data(), header_.size());
}

bool EntryWriter::Data(const unsigned char* bytes, std::size_t size) {
    if (!encrypting_)
        return out_.Write(bytes, size);
    unsigned char piece[kWritePiece];
    for (std::size_t at = 0; at < size; at += kWritePiece) {
        const std::size_t n = std::min(kWritePiece, size - at);
        std::copy(bytes + at, bytes + at + n, piece);
        if (!cipher_.Encrypt(piece, n) || !out_.Write(piece, n))
            return false;
    }
    return true;
}

bool EntryWriter::PatchSizes(const ListedFile& file, std::string_view name) {
    const Bytes sizes = LocalSizes(EntryOf(file, name));
    return out_.Patch(file.offset + kLocalSizesAt, sizes.data(), kLocalSizesLength) &&
           (!file.zip64Local ||
            out_.Patch(file.offset + kLocalHeaderSize + name.size() + 4,
                       sizes.data() + kLocalSizesLength, sizes.size() - kLocalSizesLength));
}

EntryWriter::Result EntryWriter::Folder(ListedFile& folder, std::string_view name) {
    folder.method = kStored;
    return Begin(folder, name) ? Result::Written : Failed();
}

EntryWriter::Result EntryWriter::Compressed(ListedFile& file, std::string_view name,
                                            const DeflatedFile& data) {
    if (!data.ok) {
        errno = data.systemError;
        return Result::Unreadable;
    }
    file.size = data.size;
    file.crc32 = data.crc32;
    file.method = kDeflated;
    file.flags = LevelFlags(level_);
    file.compressedSize = data.streamSize;
    if (!report_.FileStart(std::string(name), static_cast<std::int64_t>(file.size)) ||
        !Begin(file, name))
        return Failed();
    // The file's bytes reported in proportion to the stream's, so its blocks add up to the file.
    std::uint64_t reported = 0;
    for (std::size_t sent = 0; sent < data.streamSize;) {
        const std::size_t n = std::min(kWritePiece, data.streamSize - sent);
        if (!out_.Write(data.stream.get() + sent, n))
            return Failed();
        sent += n;
        const std::uint64_t done =
            sent == data.streamSize
                ? file.size
                : static_cast<std::uint64_t>(static_cast<unsigned __int128>(file.size) * sent /
                                             data.streamSize);
        if (!report_.Progress(static_cast<std::int64_t>(done - reported)))
            return Failed();
        reported = done;
    }
    return Result::Written;
}

EntryWriter::Result EntryWriter::Streamed(ListedFile& file, std::string_view name,
                                          const std::string& hostPath) {
    const int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        errno = error;
        return Result::Unreadable;
    }
    if (!input_) {
        input_ = std::make_unique_for_overwrite<unsigned char[]>(kPiece);
        output_ = std::make_unique_for_overwrite<unsigned char[]>(kPiece);
    }
    file.method = level_ == 0 ? kStored : kDeflated;
    file.flags = file.method == kDeflated ? LevelFlags(level_) : 0;
    file.zip64Local = static_cast<std::uint64_t>(st.st_size) >= kZip64Size;
    file.size = file.compressedSize = 0;
    file.crc32 = 0;
    const std::uint64_t start = out_.Length();
    const auto unreadable = [&](int error) {
        ::close(fd);
        out_.Truncate(start); // nothing of the file stays
        errno = error;
        return Result::Unreadable;
    };
    const auto failed = [&] {
        const int error = errno;
        ::close(fd);
        errno = error;
        return Failed();
    };
    if (!report_.FileStart(std::string(name), static_cast<std::int64_t>(st.st_size)) ||
        !Begin(file, name))
        return failed();
    // The salt and password check, then the encrypted data, then its authentication code: all
    // of it counts as the entry's data.
    const std::uint64_t dataStart = out_.Length();
    encrypting_ = (file.flags & kFlagEncrypted) != 0;
    if (encrypting_) {
        unsigned char header[aes::kMaxSaltSize + aes::kPasswordCheckSize];
        if (!cipher_.StartEntry(password_, header) || !out_.Write(header, cipher_.HeaderSize()))
            return failed();
    }
    std::optional<StreamDeflater> deflater;
    if (file.method == kDeflated)
        deflater.emplace(level_);
    const auto take = [&](const unsigned char* bytes, std::size_t size) {
        return Data(bytes, size);
    };
    for (bool finished = false; !finished;) {
        ssize_t n;
        do
            n = ::read(fd, input_.get(), kPiece);
        while (n < 0 && errno == EINTR);
        if (n < 0)
            return unreadable(errno);
        finished = n == 0;
        const auto size = static_cast<std::size_t>(n);
        file.size += size;
        file.crc32 = libdeflate_crc32(file.crc32, input_.get(), size);
        if (!(deflater ? deflater->Feed(input_.get(), size, finished, output_.get(), take)
                       : take(input_.get(), size)) ||
            !report_.Progress(n))
            return failed();
    }
    ::close(fd);
    if (encrypting_) {
        unsigned char code[aes::kAuthenticationCodeSize];
        if (!cipher_.AuthenticationCode(code) || !out_.Write(code, sizeof code))
            return Failed();
    }
    file.compressedSize = out_.Length() - dataStart;
    if (!file.zip64Local && (file.size >= kInZip64 || file.compressedSize >= kInZip64)) {
        // It grew past what its local header can say since it was found.
        out_.Truncate(start);
        errno = EFBIG;
        return Result::Unreadable;
    }
    return PatchSizes(file, name) ? Result::Written : Failed();
}
