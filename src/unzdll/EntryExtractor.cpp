// Extracts or tests the matching entries of an archive.
#include "unzdll/EntryExtractor.h"

#include "engine/EntryNames.h"
#include "engine/EntrySpecs.h"
#include "engine/WriteFailure.h"
#include "platform/AtomicFile.h"
#include "platform/TempFile.h"
#include "platform/WinPath.h"
#include "unzdll/Inflater.h"
#include "unzdll/OutputFile.h"
#include "unzdll/SafeName.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <unistd.h>
#include <zlib.h>

namespace {

constexpr std::size_t kReadBlock = 1 << 16;
// Decoded data goes to the file in pieces of this size: one write of a whole entry of several
// megabytes copies into the page cache far more slowly (measured: the corpus of the benchmarks
// extracts 1.4 times faster in 128 KiB pieces than in one write per entry, 64 KiB no faster).
constexpr std::size_t kWritePiece = 1 << 17;
// Entries larger than this are decoded aside: one call of libdeflate on a 16 MiB entry takes
// longer than the caller's windows may wait.
constexpr std::uint64_t kAsideSize = 1 << 20;

// What of an entry's methods libzip cannot decode, or nothing when it can read the entry.
const char* UnsupportedMethod(const zip_stat_t& stat) {
    if ((stat.valid & ZIP_STAT_COMP_METHOD) &&
        !zip_compression_method_supported(static_cast<zip_int32_t>(stat.comp_method), 0))
        return "compression method";
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE &&
        !zip_encryption_method_supported(stat.encryption_method, 0))
        return "encryption method";
    return nullptr;
}

bool IsAes(const zip_stat_t& stat) {
    return (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) &&
           (stat.encryption_method == ZIP_EM_AES_128 || stat.encryption_method == ZIP_EM_AES_192 ||
            stat.encryption_method == ZIP_EM_AES_256);
}

// Whether libzip hands the entry over decrypted but still deflated, to be inflated here: libzip
// 1.7.3 ends every deflated AES entry of the kind 7-Zip writes (whose authentication code takes
// the place of the CRC, which is 0) with a CRC error, while the same data read without its
// decompression layer decrypts and authenticates correctly.
bool InflatedHere(const zip_stat_t& stat) {
    return IsAes(stat) && (stat.valid & ZIP_STAT_COMP_METHOD) && stat.comp_method == ZIP_CM_DEFLATE;
}

// The folder of an entry's file (its components but the last), as one text.
std::string FolderKey(const std::vector<std::string>& parts) {
    std::string key;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i)
        key += parts[i] + '/';
    return key;
}

// An entry time later than a file's by more than the two seconds a DOS time can be off.
bool Newer(const zip_stat_t& entry, const struct stat& file) {
    return (entry.valid & ZIP_STAT_MTIME) && entry.mtime > file.st_mtim.tv_sec + 1;
}

} // namespace

EntryExtractor::EntryExtractor(int archiveFd, const ArchiveLayout& layout, int baseFolder,
                               const ExtractOptions& options, EngineReport& report)
    : archiveFd_(archiveFd), layout_(layout), data_(archiveFd, layout), tree_(baseFolder),
      options_(options), report_(report), unnamedFiles_(platform::UnnamedFilesCanBeNamed()) {
    ::fstat(archiveFd, &archiveStat_);
}

EntryExtractor::~EntryExtractor() {
    if (archive_)
        zip_discard(archive_);
}

zip_t* EntryExtractor::Libzip() {
    if (libzipTried_)
        return archive_;
    libzipTried_ = true;
    // Through a descriptor of its own, with the directory offsets counted from the archive start
    // (an archive may follow a self-extractor stub).
    FILE* file = ::fdopen(::dup(archiveFd_), "rb");
    if (!file)
        return nullptr;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_filep_create(
        file, layout_.archiveStart, static_cast<zip_int64_t>(layout_.archiveSize), &error);
    archive_ = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (!archive_ && source)
        zip_source_free(source);
    if (!source)
        ::fclose(file);
    zip_error_fini(&error);
    return archive_;
}

std::int32_t EntryExtractor::Run(const std::vector<std::string>& specs) {
    // Names are decoded as they are needed, never all held at once.
    const auto nameOf = [this](const LayoutEntry& entry) {
        return DecodeEntryName(StoredName(layout_, entry));
    };
    EntrySpecs patterns(
        specs,
        [&](const std::function<void(std::string_view)>& visit) {
            for (const LayoutEntry& entry : layout_.entries)
                visit(nameOf(entry));
        },
        EntrySpecs::WholeArchive::EveryEntry);
    std::int32_t count = 0;
    for (std::size_t i = 0; i < layout_.entries.size() && !report_.Aborted() && !driveFailed_;
         ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const std::string name = nameOf(layout_.entries[i]);
        if (name.empty() || !patterns.Matches(name))
            continue;
        zip_stat_t stat;
        if (!data_.StatOf(index, stat))
            continue;
        if (name.back() == '/' || name.back() == '\\') {
            // A folder entry: made when folders are kept, so empty folders come back too.
            const auto parts = SafeComponents(name);
            if (parts && options_.dirNames && !options_.test)
                tree_.Keep(tree_.Folder(*parts, parts->size(), true));
            continue;
        }
        if (ExtractEntry(index, name, stat) == Result::Done)
            ++count;
    }
    tree_.RemoveEmptyCreated();
    for (std::size_t i = 0; i < patterns.Count() && !report_.Aborted() && !driveFailed_; ++i)
        if (!patterns.Used(i))
            report_.Message(kMsgNotFound, "No entry matches " + specs[i]);
    return count;
}

void EntryExtractor::WriteFailed(const std::string& name, int error) {
    report_.Message(kMsgWriteFailed, CannotWrite(name, options_.folder, error));
    if (error == ENOSPC || error == EDQUOT || error == EROFS) {
        driveFailed_ = true;
        report_.Message(kMsgWriteFailed,
                        "Extraction stopped: " + WriteFailureReason(options_.folder, error));
    }
}

EntryExtractor::Target EntryExtractor::TargetOf(int folder, const std::string& fileName,
                                                const std::string& name, const zip_stat_t& stat) {
    struct stat existing {};
    if (::fstatat(folder, fileName.c_str(), &existing, AT_SYMLINK_NOFOLLOW) != 0)
        return options_.freshen ? Target::Skip : Target::Create; // freshening: existing files only
    if (S_ISDIR(existing.st_mode)) {
        report_.Message(kMsgSkipped, "A folder has that name, not extracted: " + name);
        return Target::Skip;
    }
    if (existing.st_dev == archiveStat_.st_dev && existing.st_ino == archiveStat_.st_ino) {
        report_.Message(kMsgSkipped, "Would overwrite the archive itself, not extracted: " + name);
        return Target::Skip;
    }
    if (options_.freshen || options_.update) {
        if (!Newer(stat, existing)) {
            report_.Verbose("Not newer, not extracted: " + name);
            return Target::Skip;
        }
        return Target::Replace;
    }
    if (!options_.overwrite) {
        report_.Message(kMsgSkipped, "File exists, not overwritten: " + name);
        return Target::Skip;
    }
    return Target::Replace;
}

bool EntryExtractor::CopyData(zip_file_t* file, int out, const std::string& name,
                              const zip_stat_t& stat) {
    const bool encrypted =
        (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE;
    const auto dataError = [&](const std::string& what) {
        report_.Message(encrypted ? kMsgWrongPassword : kMsgDataError,
                        (encrypted ? "Wrong password or " + what : what) + " in " + name);
        return false;
    };
    std::vector<char> buffer(kReadBlock);
    uLong crc = crc32(0, Z_NULL, 0);
    std::uint64_t total = 0;
    bool tooLong = false, notWritten = false;
    const auto take = [&](const unsigned char* bytes, std::size_t size) {
        total += size;
        tooLong = (stat.valid & ZIP_STAT_SIZE) && total > stat.size;
        crc = crc32(crc, bytes, static_cast<uInt>(size));
        notWritten = !tooLong && !Write(out, bytes, size, name); // reported
        return !tooLong && !notWritten;
    };
    std::optional<Inflater> inflater;
    if (InflatedHere(stat))
        inflater.emplace(kReadBlock);
    // Always read to the end: only the last read reports a CRC error.
    for (;;) {
        const zip_int64_t n = zip_fread(file, buffer.data(), buffer.size());
        if (n < 0) {
            const int code = zip_error_code_zip(zip_file_get_error(file));
            return dataError(code == ZIP_ER_CRC ? "CRC error" : "damaged data");
        }
        if (n == 0)
            break;
        const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
        const auto size = static_cast<std::size_t>(n);
        const bool taken = inflater ? inflater->Feed(bytes, size, take) : take(bytes, size);
        if (tooLong)
            return dataError("data longer than its declared size");
        if (!taken)
            return notWritten ? false : dataError("damaged data");
    }
    if (inflater && !inflater->Ended())
        return dataError("damaged data");
    if ((stat.valid & ZIP_STAT_SIZE) && total != stat.size)
        return dataError("data shorter than its declared size");
    // An AES entry of the kind whose CRC is 0 is checked by its authentication code instead,
    // which libzip verifies at the end of the data.
    const bool authenticated = IsAes(stat) && stat.crc == 0;
    if ((stat.valid & ZIP_STAT_CRC) && crc != stat.crc && !authenticated)
        return dataError("CRC error");
    return true;
}

bool EntryExtractor::Write(int out, const unsigned char* bytes, std::size_t size,
                           const std::string& name) {
    for (std::size_t at = 0; at < size; at += kWritePiece) {
        const std::size_t piece = std::min(kWritePiece, size - at);
        if (out >= 0 && !platform::WriteFully(out, bytes + at, piece)) {
            WriteFailed(name, errno);
            return false;
        }
        if (!report_.Progress(static_cast<std::int64_t>(piece)))
            return false;
    }
    return true;
}

bool EntryExtractor::CopyDirect(std::uint64_t dataStart, int out, const std::string& name,
                                const zip_stat_t& stat) {
    using Outcome = EntryData::Outcome;
    const auto decode = [&] {
        return data_.Decode(dataStart, stat, [&](const unsigned char* bytes, std::size_t size) {
            return Write(out, bytes, size, name);
        });
    };
    // A large entry is read and inflated aside, the caller kept alive meanwhile.
    const Outcome outcome =
        std::max(stat.size, stat.comp_size) > kAsideSize ? report_.Meanwhile(decode) : decode();
    const char* what = outcome == Outcome::Damaged    ? "damaged data"
                       : outcome == Outcome::TooLong  ? "data longer than its declared size"
                       : outcome == Outcome::TooShort ? "data shorter than its declared size"
                       : outcome == Outcome::BadCrc   ? "CRC error"
                                                      : nullptr;
    if (what)
        report_.Message(kMsgDataError, std::string(what) + " in " + name);
    return outcome == Outcome::Good;
}

EntryExtractor::Result EntryExtractor::ExtractEntry(zip_uint64_t index, const std::string& name,
                                                    zip_stat_t stat) {
    auto parts = SafeComponents(name);
    if (!parts) {
        report_.Message(kMsgUnsafeName, "Unsafe name, not extracted: " + name);
        return Result::Failed;
    }
    int folder = -1;
    std::string fileName;
    Target target = Target::Create;
    if (!options_.test) {
        if (!options_.dirNames)
            parts = std::vector<std::string>{parts->back()};
        folder = tree_.Folder(*parts, parts->size() - 1, true);
        if (folder < 0) {
            if (errno == ELOOP || errno == ENOTDIR)
                report_.Message(kMsgWriteFailed,
                                "A link or file is in the way, not extracted: " + name);
            else
                WriteFailed(name, errno);
            return Result::Failed;
        }
        fileName = parts->back();
        target = TargetOf(folder, fileName, name, stat);
        if (target == Target::Skip)
            return Result::Skipped;
    }

    // Stored and deflated entries are read here; libzip reads the others (and decrypts), as it
    // describes them.
    const auto dataStart = data_.DataStart(index, stat);
    zip_file_t* file = nullptr;
    zip_t* archive = dataStart ? nullptr : Libzip();
    if (archive && zip_stat_index(archive, index, 0, &stat) != 0)
        archive = nullptr;
    if (!dataStart && !archive) {
        // Only what is read here can be read from an archive that libzip refuses.
        report_.Message(kMsgDataError, "Cannot read " + name +
                                           ": the archive's directory is inconsistent, so only "
                                           "unencrypted stored or deflated entries are read");
        return Result::Failed;
    }
    if (!dataStart) {
        // A method libzip cannot read is refused before opening: its failed open leaks (1.7.3).
        if (const char* unsupported = UnsupportedMethod(stat)) {
            report_.Message(kMsgDataError,
                            "Cannot read " + name + ": its " + unsupported + " is not supported");
            return Result::Failed;
        }
        file = zip_fopen_index_encrypted(archive, index, InflatedHere(stat) ? ZIP_FL_COMPRESSED : 0,
                                         options_.password.empty() ? nullptr
                                                                   : options_.password.c_str());
        if (!file) {
            const int code = zip_error_code_zip(zip_get_error(archive));
            zip_error_clear(archive);
            report_.Message(code == ZIP_ER_NOPASSWD || code == ZIP_ER_WRONGPASSWD
                                ? kMsgWrongPassword
                                : kMsgDataError,
                            (code == ZIP_ER_NOPASSWD      ? "Password needed for "
                             : code == ZIP_ER_WRONGPASSWD ? "Wrong password for "
                                                          : "Cannot read ") +
                                name);
            return Result::Failed;
        }
    }
    const auto closeFile = [&] {
        if (file)
            zip_fclose(file);
    };
    if (!report_.FileStart(name, static_cast<std::int64_t>(stat.size))) {
        closeFile();
        return Result::Failed;
    }
    if (!options_.test && cleaned_.insert(FolderKey(*parts)).second)
        platform::RemoveStaleTemporaryFiles(folder);
    OutputFile output(folder);
    const int out = options_.test ? -1 : output.Open(target == Target::Replace, unnamedFiles_);
    if (!options_.test && out < 0) {
        const int error = errno;
        closeFile();
        WriteFailed(name, error);
        return Result::Failed;
    }
    bool ok = file ? CopyData(file, out, name, stat) : CopyDirect(*dataStart, out, name, stat);
    closeFile();
    if (options_.test) {
        if (ok)
            report_.Verbose("OK: " + name);
        return ok ? Result::Done : Result::Failed;
    }
    if (ok && (stat.valid & ZIP_STAT_MTIME)) {
        const struct timespec times[2] = {{stat.mtime, 0}, {stat.mtime, 0}};
        ::futimens(out, times);
    }
    // The identity of the file written, for the caller that starts or opens it afterwards.
    struct stat written {};
    if (!ok || ::fstat(out, &written) != 0)
        return Result::Failed;
    int error = output.Name(fileName, target == Target::Replace);
    if (error == EEXIST) {
        // The name was taken while the entry was written: decided again as for a taken name.
        target = TargetOf(folder, fileName, name, stat);
        if (target == Target::Skip)
            return Result::Skipped;
        error = output.Name(fileName, true);
    }
    if (error != 0) {
        WriteFailed(name, error);
        return Result::Failed;
    }
    tree_.Keep(folder);
    report_.FileWritten(written.st_dev, written.st_ino);
    report_.Verbose("Extracted: " + name);
    return Result::Done;
}
