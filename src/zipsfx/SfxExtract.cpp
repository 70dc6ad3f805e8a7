// Extraction by the self-extractor.
#include "zipsfx/SfxExtract.h"

#include "engine/DosDateTime.h"
#include "engine/LittleEndian.h"
#include "engine/TraditionalCipher.h"
#include "engine/ZipFormat.h"
#include "platform/TempFile.h"
#include "unzdll/DeflateDecoder.h"
#include "unzdll/TargetTree.h"
#include "zipsfx/SfxArchive.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

constexpr std::size_t kBlock = 1 << 15;

// "PK" 3 4, put together at run time: the stub must not hold these four bytes from byte 14000
// on, or the directory reader would take them for the first entry of the archive behind it.
std::uint32_t LocalHeaderSignature() {
    static volatile std::uint16_t high = 0x0403;
    return 0x4B50u | static_cast<std::uint32_t>(high) << 16;
}

bool ReadAt(int fd, std::uint64_t at, unsigned char* buffer, std::size_t size) {
    return ::pread(fd, buffer, size, static_cast<off_t>(at)) == static_cast<ssize_t>(size);
}

// Where the entry's data starts: after its local header, which must be one and leave the data
// room before the directory. Zero when it does not.
std::uint64_t DataStart(int fd, const SfxArchive& archive, const SfxEntry& entry) {
    unsigned char header[kLocalHeaderSize];
    if (!ReadAt(fd, entry.localHeaderAt, header, sizeof header) ||
        Le32(header) != LocalHeaderSignature())
        return 0;
    const std::uint64_t start =
        entry.localHeaderAt + kLocalHeaderSize + Le16(header + 26) + Le16(header + 28);
    return start <= archive.directoryAt && entry.compressedSize <= archive.directoryAt - start
               ? start
               : 0;
}

// Unpacks the entry's data from at (after its encryption header, with cipher) into out,
// checking that it is exactly as long as declared and that its CRC matches; the reason in error
// when not.
class DataCopy {
public:
    DataCopy(int archiveFd, const SfxEntry& entry, std::uint64_t at, TraditionalCipher* cipher,
             int out)
        : fd_(archiveFd), entry_(entry), at_(at),
          remaining_(entry.compressedSize - (cipher ? kEncryptionHeaderSize : 0)), cipher_(cipher),
          out_(out) {}

    bool Run(std::string& error) {
        const bool complete = entry_.method == 0 ? CopyStored() : Inflate();
        if (!complete)
            error = written_ > entry_.uncompressedSize ? "data longer than declared"
                    : writeFailed_                     ? "cannot write"
                                                       : "damaged data";
        else if (written_ != entry_.uncompressedSize)
            error = "data shorter than declared";
        else if (crc_ != entry_.crc)
            error = cipher_ ? "wrong password or CRC error" : "CRC error";
        return error.empty();
    }

private:
    // The next block of the entry's data, decrypted, into buffer; false at the end or on a read
    // error.
    bool ReadBlock(std::size_t& size, unsigned char* buffer, std::size_t capacity) {
        size = static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, capacity));
        if (size == 0 || !ReadAt(fd_, at_, buffer, size))
            return false;
        if (cipher_)
            cipher_->Decrypt(buffer, size);
        at_ += size;
        remaining_ -= size;
        return true;
    }

    bool Write(const unsigned char* data, std::size_t size) {
        written_ += size;
        if (written_ > entry_.uncompressedSize)
            return false;
        crc_ = crc32(crc_, data, static_cast<uInt>(size));
        for (std::size_t done = 0; done < size;) {
            const ssize_t n = ::write(out_, data + done, size - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                writeFailed_ = true;
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    bool CopyStored() {
        std::size_t size = 0;
        while (remaining_ > 0)
            if (!ReadBlock(size, in_, kBlock) || !Write(in_, size))
                return false;
        return true;
    }

    bool Inflate() {
        const PackedInput input = [this](unsigned char* buffer, std::size_t capacity) {
            std::size_t size = 0;
            if (remaining_ == 0)
                return std::ptrdiff_t{0};
            return ReadBlock(size, buffer, capacity) ? static_cast<std::ptrdiff_t>(size)
                                                     : std::ptrdiff_t{-1};
        };
        PackedReader packed(input, kBlock);
        return DecodeDeflate(
                   packed,
                   [this](const unsigned char* data, std::size_t size) {
                       return Write(data, size);
                   },
                   DeflateVariant::Deflate) == StreamEnd::Ended;
    }

    int fd_;
    const SfxEntry& entry_;
    std::uint64_t at_;
    std::uint64_t remaining_;
    TraditionalCipher* cipher_;
    int out_;
    std::uint64_t written_ = 0;
    uLong crc_ = crc32(0, Z_NULL, 0);
    bool writeFailed_ = false;
    unsigned char in_[kBlock];
};

class Extraction {
public:
    Extraction(int archiveFd, int targetFolder, SfxSay say, const SfxQuestions& ask)
        : fd_(archiveFd), tree_(targetFolder), say_(say), ask_(ask) {
        ::fstat(archiveFd, &self_);
    }

    SfxOutcome Run() {
        std::string error;
        const auto archive = ReadSfxArchive(fd_, error);
        if (!archive) {
            say_("archive refused, nothing extracted: " + error, true);
            return {1, 0};
        }
        for (const SfxEntry& entry : archive->entries) {
            error.clear();
            bool kept = false;
            if (entry.folder ? MakeFolder(entry, error) : ExtractFile(*archive, entry, kept, error))
                say_((entry.folder ? "  folder:    "
                      : kept       ? "  kept:      "
                                   : "  extracted: ") +
                         entry.name,
                     false);
            else {
                say_(entry.name + ": " + error + ", not extracted", true);
                ++outcome_.failures;
            }
            outcome_.kept += kept;
        }
        // The folders made only for entries that failed go again.
        tree_.RemoveEmptyCreated();
        return outcome_;
    }

private:
    bool MakeFolder(const SfxEntry& entry, std::string& error) {
        if (const int folder = tree_.Folder(entry.parts, entry.parts.size(), true); folder >= 0) {
            tree_.Keep(folder); // wanted even when empty
            return true;
        }
        error = errno == ELOOP || errno == ENOTDIR ? "a link or file is in the way"
                                                   : "cannot create the folder";
        return false;
    }

    // Whether the existing file of the entry is to be replaced; asked until the answer covers
    // every later file too.
    bool Replace(const SfxEntry& entry) {
        if (replaceAll_ || keepAll_)
            return replaceAll_;
        const SfxReplace answer = ask_.replace(entry.name);
        replaceAll_ = answer == SfxReplace::All;
        keepAll_ = answer == SfxReplace::None;
        return answer == SfxReplace::Yes || replaceAll_;
    }

    // A cipher for the entry's data at dataAt, once the password checks against its header;
    // nothing and the reason when not. The password is asked at the first encrypted entry.
    std::optional<TraditionalCipher> Cipher(const SfxEntry& entry, std::uint64_t dataAt,
                                            std::string& error) {
        if (!passwordAsked_) {
            password_ = ask_.password();
            passwordAsked_ = true;
        }
        unsigned char header[kEncryptionHeaderSize];
        if (password_.empty())
            error = "encrypted";
        else if (!ReadAt(fd_, dataAt, header, sizeof header))
            error = "damaged data";
        else {
            TraditionalCipher cipher(password_);
            cipher.Decrypt(header, sizeof header);
            if (header[kEncryptionHeaderSize - 1] == entry.passwordCheck)
                return cipher;
            error = "wrong password";
        }
        return std::nullopt;
    }

    bool ExtractFile(const SfxArchive& archive, const SfxEntry& entry, bool& kept,
                     std::string& error) {
        const std::uint64_t dataAt = DataStart(fd_, archive, entry);
        if (dataAt == 0) {
            error = "bad local header";
            return false;
        }
        const int folder = tree_.Folder(entry.parts, entry.parts.size() - 1, true);
        if (folder < 0) {
            error = errno == ELOOP || errno == ENOTDIR ? "a link or file is in the way"
                                                       : "cannot create its folder";
            return false;
        }
        const std::string& fileName = entry.parts.back();
        struct stat existing {};
        if (::fstatat(folder, fileName.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISDIR(existing.st_mode))
                error = "a folder has that name";
            else if (existing.st_dev == self_.st_dev && existing.st_ino == self_.st_ino)
                error = "it would overwrite this program";
            if (!error.empty())
                return false;
            if (!Replace(entry)) {
                kept = true;
                return true;
            }
        }
        std::optional<TraditionalCipher> cipher;
        if (entry.encrypted && !(cipher = Cipher(entry, dataAt, error)))
            return false;
        std::string temporary;
        const int out = platform::CreateTemporaryFile(folder, temporary, 0666);
        if (out < 0) {
            error = "cannot create the file";
            return false;
        }
        const platform::TemporaryFileLock inUse(out); // until renamed or removed
        const std::uint64_t data = dataAt + (cipher ? kEncryptionHeaderSize : 0);
        bool ok = DataCopy(fd_, entry, data, cipher ? &*cipher : nullptr, out).Run(error);
        const std::time_t modified = LocalTimeOfDos(entry.dosDate, entry.dosTime);
        const struct timespec times[2] = {{modified, 0}, {modified, 0}};
        if (ok)
            ::futimens(out, times);
        if (::close(out) != 0 && ok) {
            error = "cannot write";
            ok = false;
        }
        if (ok && ::renameat(folder, temporary.c_str(), folder, fileName.c_str()) != 0) {
            error = "cannot write";
            ok = false;
        }
        if (!ok)
            ::unlinkat(folder, temporary.c_str(), 0);
        else
            tree_.Keep(folder);
        return ok;
    }

    int fd_;
    TargetTree tree_;
    SfxSay say_;
    SfxQuestions ask_;
    struct stat self_ {};
    SfxOutcome outcome_;
    bool replaceAll_ = false;
    bool keepAll_ = false;
    bool passwordAsked_ = false;
    std::string password_;
};

} // namespace

SfxOutcome ExtractSfxArchive(int archiveFd, int targetFolder, SfxSay say, const SfxQuestions& ask) {
    return Extraction(archiveFd, targetFolder, say, ask).Run();
}
