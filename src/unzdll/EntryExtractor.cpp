// Extracts or tests the matching entries of an archive.
#include "unzdll/EntryExtractor.h"

#include "engine/CompressionMethods.h"
#include "engine/EntryNames.h"
#include "engine/EntrySpecs.h"
#include "engine/WriteFailure.h"
#include "platform/AtomicFile.h"
#include "platform/TempFile.h"
#include "platform/WinPath.h"
#include "unzdll/AesDecryption.h"
#include "unzdll/OutputFile.h"
#include "unzdll/SafeName.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

// Decoded data goes to the file in pieces of this size: one write of a whole entry of several
// megabytes copies into the page cache far more slowly (measured: the corpus of the benchmarks
// extracts 1.4 times faster in 128 KiB pieces than in one write per entry, 64 KiB no faster).
constexpr std::size_t kWritePiece = 1 << 17;
// Entries larger than this are decoded aside: one call of libdeflate on a 16 MiB entry takes
// longer than the caller's windows may wait.
constexpr std::uint64_t kAsideSize = 1 << 20;

// Whether libzip hands the entry over decrypted but still packed, to be unpacked here: an entry
// of a method libzip cannot decode.
bool UnpackedAfterLibzip(const zip_stat_t& stat) {
    const auto method = static_cast<std::uint16_t>(stat.comp_method);
    return (stat.valid & ZIP_STAT_COMP_METHOD) && UnpackedHere(method) &&
           !zip_compression_method_supported(method, 0);
}

// Why neither libzip nor the engine can read the entry ("its compression method 97 (WavPack) is
// not supported"), or nothing when one of them can.
std::string Unsupported(const zip_stat_t& stat) {
    const auto method = static_cast<std::uint16_t>(stat.comp_method);
    if ((stat.valid & ZIP_STAT_COMP_METHOD) && !UnpackedHere(method) &&
        !zip_compression_method_supported(method, 0))
        return "its " + CompressionMethodText(method) + " is not supported";
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE &&
        !zip_encryption_method_supported(stat.encryption_method, 0))
        return "its encryption method is not supported";
    return {};
}

// The bytes that encryption adds before and after the packed data: the traditional method's
// header; AES's salt and password check before it and its authentication code after.
std::uint64_t EncryptionOverhead(const zip_stat_t& stat) {
    if (!(stat.valid & ZIP_STAT_ENCRYPTION_METHOD))
        return 0;
    switch (stat.encryption_method) {
    case ZIP_EM_TRAD_PKWARE:
        return 12;
    case ZIP_EM_AES_128:
        return aes::Overhead(1);
    case ZIP_EM_AES_192:
        return aes::Overhead(2);
    case ZIP_EM_AES_256:
        return aes::Overhead(3);
    default:
        return 0;
    }
}

bool IsEncrypted(const zip_stat_t& stat) {
    return (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE;
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
    const auto nameOf = [this](const LayoutEntry& entry) { return EntryNameOf(layout_, entry); };
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
    int libzipError = ZIP_ER_OK;
    const PackedInput input = [&](unsigned char* buffer, std::size_t capacity) -> std::ptrdiff_t {
        const zip_int64_t n = zip_fread(file, buffer, capacity);
        if (n < 0)
            libzipError = zip_error_code_zip(zip_file_get_error(file));
        return static_cast<std::ptrdiff_t>(n);
    };
    PackedEntry entry;
    entry.method = UnpackedAfterLibzip(stat) ? static_cast<std::uint16_t>(stat.comp_method)
                                             : std::uint16_t{ZIP_CM_STORE};
    entry.packedSize = stat.comp_size - std::min(stat.comp_size, EncryptionOverhead(stat));
    entry.size = stat.size;
    entry.crc = stat.crc;
    entry.checkCrc = (stat.valid & ZIP_STAT_CRC) != 0;
    Unpacked outcome = Unpack(entry, input, [&](const unsigned char* bytes, std::size_t size) {
        return Write(out, bytes, size, name);
    });
    if (outcome == Unpacked::InputFailed && libzipError == ZIP_ER_CRC)
        outcome = Unpacked::BadCrc;
    return UnpackedWell(outcome, name, stat);
}

bool EntryExtractor::UnpackedWell(Unpacked outcome, const std::string& name,
                                  const zip_stat_t& stat) {
    if (outcome == Unpacked::WrongPassword) {
        report_.Message(kMsgWrongPassword, "Wrong password for " + name);
        return false;
    }
    const char* what = UnpackFailure(outcome);
    if (!what)
        return outcome == Unpacked::Good;
    // With a wrong password, decrypted data looks damaged or fails its check.
    const bool encrypted = IsEncrypted(stat) && outcome != Unpacked::NeedsMemory;
    report_.Message(encrypted ? kMsgWrongPassword : kMsgDataError,
                    (encrypted ? "Wrong password or " : "") + std::string(what) + " in " + name);
    return false;
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
    const auto decode = [&] {
        return data_.Decode(dataStart, stat, options_.password,
                            [&](const unsigned char* bytes, std::size_t size) {
                                return Write(out, bytes, size, name);
                            });
    };
    // A large entry is read and unpacked aside, the caller kept alive meanwhile.
    const Unpacked outcome =
        std::max(stat.size, stat.comp_size) > kAsideSize ? report_.Meanwhile(decode) : decode();
    return UnpackedWell(outcome, name, stat);
}

EntryExtractor::Result EntryExtractor::ExtractEntry(zip_uint64_t index, const std::string& name,
                                                    zip_stat_t stat) {
    auto parts = SafeComponents(name);
    // A test writes nothing: an entry's data is checked whatever its name.
    if (!parts && !options_.test) {
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

    // Entries of the methods unpacked here, unencrypted or encrypted with AES, are read here;
    // libzip reads the others (and decrypts), as it describes them.
    const auto dataStart = data_.DataStart(index, stat);
    if (dataStart && IsEncrypted(stat) && options_.password.empty()) {
        report_.Message(kMsgWrongPassword, "Password needed for " + name);
        return Result::Failed;
    }
    zip_file_t* file = nullptr;
    zip_t* archive = dataStart ? nullptr : Libzip();
    if (archive && zip_stat_index(archive, index, 0, &stat) != 0)
        archive = nullptr;
    if (!dataStart && !archive) {
        // Only what is read here can be read from an archive that libzip refuses.
        report_.Message(kMsgDataError, "Cannot read " + name +
                                           ": the archive's directory is inconsistent, so only "
                                           "unencrypted entries are read");
        return Result::Failed;
    }
    if (!dataStart) {
        // A method nobody here can read is refused before opening: libzip's failed open of one
        // leaks (1.7.3).
        if (const std::string unsupported = Unsupported(stat); !unsupported.empty()) {
            report_.Message(kMsgDataError, "Cannot read " + name + ": " + unsupported);
            return Result::Failed;
        }
        file = zip_fopen_index_encrypted(
            archive, index, UnpackedAfterLibzip(stat) ? ZIP_FL_COMPRESSED : 0,
            options_.password.empty() ? nullptr : options_.password.c_str());
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
