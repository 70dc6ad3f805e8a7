// Adding files to an archive and deleting entries from it.
#include "zipdll/ArchiveUpdate.h"

#include "engine/ArchiveLayout.h"
#include "engine/CommandSpecs.h"
#include "engine/EntryNames.h"
#include "engine/EntrySpecs.h"
#include "engine/WriteFailure.h"
#include "engine/ZipEntryNames.h"
#include "platform/AtomicFile.h"
#include "platform/PathMap.h"
#include "platform/WinPath.h"
#include "zipdll/ArchiveFileSource.h"
#include "zipdll/CopyingDelete.h"
#include "zipdll/DeflatePool.h"
#include "zipdll/DeflatedSource.h"
#include "zipdll/FileCollector.h"
#include "zipdll/ProgressSource.h"
#include "zipdll/Replacement.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <zip.h>

namespace {

// An empty archive: an end-of-central-directory record alone.
const std::string kEmptyArchive = std::string("PK\x05\x06", 4) + std::string(18, '\0');

// The archive named in the command: its name as given, for messages, and the host path of the
// file to change (where a link to it leads, so that the link survives).
struct ArchivePath {
    std::string name;
    std::string host;
    std::string folder; // a Windows path in the changed file's folder, for messages

    // Nothing, after a message, when the name has no host path or names a read-only archive
    // (which, as on Windows, is not replaced even where the file system would allow it).
    static std::optional<ArchivePath> Of(const ZipCommand& command, EngineReport& report) {
        ArchivePath path;
        path.name = command.ArchiveName ? command.ArchiveName : "";
        const auto host = platform::HostPathOf(path.name);
        if (!host) {
            report.Message(kMsgBadArchive, "Cannot open archive " + path.name);
            return std::nullopt;
        }
        path.host = ArchiveRealPath(*host);
        path.folder = platform::WindowsPathOf(path.host);
        RemoveStaleReplacements(path.host);
        struct stat st {};
        if (::stat(path.host.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)) {
            report.Message(kMsgWriteFailed,
                           "Cannot write archive " + path.name + ": the archive is read-only");
            return std::nullopt;
        }
        return path;
    }
    std::string CannotWrite(int error) const {
        return ::CannotWrite("archive " + name, folder, error);
    }
};

// Opens the archive for changing; refuses a self-extracting one, whose stub libzip would drop.
zip_t* OpenForUpdate(const std::string& host, bool create, EngineReport& report,
                     const std::string& name) {
    const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        const auto layout = ReadArchiveLayout(fd);
        ::close(fd);
        if (layout && layout->archiveStart != 0) {
            report.Message(kMsgBadArchive, "Cannot change a self-extracting archive: " + name);
            return nullptr;
        }
    }
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        CreateArchiveFileSource(host, &error, [&report] { return report.KeepAlive(); });
    zip_t* archive =
        source ? zip_open_from_source(source, create ? ZIP_CREATE : 0, &error) : nullptr;
    if (!archive && source)
        zip_source_free(source);
    zip_error_fini(&error);
    if (!archive)
        report.Message(kMsgBadArchive, "Cannot open archive " + name);
    return archive;
}

bool Close(zip_t* archive, EngineReport& report, const ArchivePath& path) {
    if (zip_close(archive) == 0)
        return true;
    zip_error_t* error = zip_get_error(archive);
    const int code = zip_error_code_zip(error);
    if (code == ZIP_ER_CANCELLED || report.Aborted()) {
        zip_discard(archive);
        report.Message(kMsgAborted, "Aborted, archive unchanged: " + path.name);
        return false;
    }
    // Writing the new archive failed: say why in the user's terms. Anything else (a file to
    // add that went away, say) in libzip's words.
    std::string text;
    switch (code) {
    case ZIP_ER_WRITE:
    case ZIP_ER_TMPOPEN:
    case ZIP_ER_RENAME:
    case ZIP_ER_CLOSE:
        text = path.CannotWrite(zip_error_code_system(error));
        break;
    case ZIP_ER_CHANGED:
        text = path.CannotWrite(ESTALE);
        break;
    default:
        text = "Cannot write archive " + path.name + ": " + zip_error_strerror(error);
    }
    zip_discard(archive);
    report.Message(kMsgWriteFailed, text);
    return false;
}

// Whether the file should replace or join the archive under the update and freshen rules.
bool Wanted(zip_t* archive, zip_int64_t existing, const FileToAdd& file,
            const ZipCommand& command) {
    const bool update = command.UpdateFlag != 0, freshen = command.FreshenFlag != 0;
    if (!update && !freshen)
        return true;
    if (existing < 0)
        return update;
    zip_stat_t stat;
    if (zip_stat_index(archive, static_cast<zip_uint64_t>(existing), 0, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_MTIME))
        return true;
    return file.modified > stat.mtime + 1; // DOS times are two seconds coarse
}

// The newest time among the entries: an added file's is its own (its source is not asked, since
// it may still be waiting for the pool), any other entry's is libzip's.
std::time_t NewestEntryTime(zip_t* archive,
                            const std::unordered_map<zip_uint64_t, std::time_t>& addedTimes) {
    std::time_t newest = 0;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        zip_stat_t stat;
        if (const auto added = addedTimes.find(index); added != addedTimes.end())
            newest = std::max(newest, added->second);
        else if (zip_stat_index(archive, index, 0, &stat) == 0 && (stat.valid & ZIP_STAT_MTIME))
            newest = std::max(newest, stat.mtime);
    }
    return newest;
}

// Replaces the archive open as fd with one without entries; false with errno set.
bool WriteEmptyArchive(int fd, const std::string& host) {
    struct stat original {};
    if (::fstat(fd, &original) != 0)
        return false;
    Replacement empty;
    return empty.Create(host, ArchiveIdentity::Of(original)) &&
           platform::WriteFully(empty.Fd(), kEmptyArchive.data(), kEmptyArchive.size()) &&
           empty.Commit();
}

} // namespace

std::int32_t AddToArchive(const ZipCommand& command, EngineReport& report) {
    const auto path = ArchivePath::Of(command, report);
    if (!path)
        return 0;
    const std::string& name = path->name;
    const std::string& host = path->host;
    CollectOptions options;
    options.recurse = command.RecurseFlag != 0;
    options.noDirNames = command.NoDirNamesFlag != 0;
    options.hiddenFiles = command.HiddenFilesFlag != 0;
    options.forceDos = command.ForceDosFlag != 0;
    std::vector<FileToAdd> files = CollectFiles(SpecsOf(command), options, report);

    // The archive never goes into itself.
    struct stat archiveStat {};
    if (::stat(host.c_str(), &archiveStat) == 0) {
        std::erase_if(files, [&](const FileToAdd& file) {
            struct stat st {};
            return ::stat(file.hostPath.c_str(), &st) == 0 && st.st_dev == archiveStat.st_dev &&
                   st.st_ino == archiveStat.st_ino;
        });
    }
    if (files.empty() || report.Aborted())
        return 0;

    zip_t* archive = OpenForUpdate(host, true, report, name);
    if (!archive)
        return 0;
    const int level = std::clamp(command.CompressionLevel, 0, 9);
    const std::string password = command.PasswordText ? command.PasswordText : "";
    const bool encrypt = command.EncryptFlag && !password.empty();
    // First what goes in, so that the files to compress can go to the pool before libzip asks.
    struct Step {
        const FileToAdd* file;
        zip_int64_t existing; // the entry it replaces, or -1
        std::ptrdiff_t job = -1;
    };
    std::vector<Step> steps; // new folders and wanted files, in the order found
    for (const auto& file : files) {
        // The entry of exactly this name is the one libzip replaces; one whose name differs only
        // in letter case stays beside it, as the files on the disk do.
        const zip_int64_t existing = zip_name_locate(archive, file.storedName.c_str(), 0);
        if (file.folder ? existing < 0 : Wanted(archive, existing, file, command))
            steps.push_back({&file, existing});
        else if (!file.folder)
            report.Verbose("Not newer, not added: " + file.storedName);
    }
    // libzip writes entries in their order in the archive: a replaced entry keeps its place, new
    // ones come last in the order added. The pool compresses in that same order, which keeps its
    // memory bounded. Encrypted entries are compressed by libzip, which encrypts as it goes; files
    // beyond the memory bound are streamed through it too.
    std::vector<Step*> pooled;
    for (Step& step : steps)
        if (!step.file->folder && level > 0 && !encrypt && step.file->size <= kWholeFileLimit)
            pooled.push_back(&step);
    std::stable_sort(pooled.begin(), pooled.end(), [](const Step* a, const Step* b) {
        return static_cast<zip_uint64_t>(a->existing) < static_cast<zip_uint64_t>(b->existing);
    });
    std::vector<DeflatePool::Job> jobs;
    for (Step* step : pooled) {
        step->job = static_cast<std::ptrdiff_t>(jobs.size());
        jobs.push_back({step->file->hostPath, step->file->size});
    }
    DeflatePool pool(std::move(jobs), level);
    std::vector<const FileToAdd*> added;
    std::unordered_map<zip_uint64_t, std::time_t> addedTimes;
    for (const Step& step : steps) {
        const FileToAdd* file = step.file;
        if (file->folder) {
            zip_dir_add(archive, file->storedName.c_str(), ZIP_FL_ENC_GUESS);
            continue;
        }
        zip_source_t* source =
            step.job >= 0 ? CreateDeflatedSource(archive, pool, static_cast<std::size_t>(step.job),
                                                 file->storedName, file->modified, report)
                          : CreateProgressSource(archive, file->hostPath, file->storedName,
                                                 file->size, file->modified, report);
        const zip_int64_t index = source ? zip_file_add(archive, file->storedName.c_str(), source,
                                                        ZIP_FL_OVERWRITE | ZIP_FL_ENC_GUESS)
                                         : -1;
        if (index < 0) {
            if (source)
                zip_source_free(source);
            report.Message(kMsgWriteFailed, "Cannot add " + file->storedName);
            if (step.job >= 0)
                pool.Discard(static_cast<std::size_t>(step.job));
            continue;
        }
        const auto entry = static_cast<zip_uint64_t>(index);
        // A compressed file keeps the method its source names; libzip compresses the others.
        if (step.job < 0)
            zip_set_file_compression(archive, entry, level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                     static_cast<zip_uint32_t>(level));
        zip_file_set_mtime(archive, entry, file->modified, 0);
        addedTimes[entry] = file->modified;
        if (encrypt)
            zip_file_set_encryption(archive, entry, ZIP_EM_TRAD_PKWARE, password.c_str());
        added.push_back(file);
        report.Verbose("Adding: " + file->storedName);
    }
    if (added.empty()) {
        zip_discard(archive);
        return 0;
    }
    const std::time_t newest = command.ZipTimeFlag ? NewestEntryTime(archive, addedTimes) : 0;
    if (!Close(archive, report, *path))
        return 0;
    // Only now that the new archive is in place do the sources go.
    if (command.MoveFlag)
        for (const FileToAdd* file : added)
            ::unlink(file->hostPath.c_str());
    if (command.ZipTimeFlag && newest > 0) {
        const struct timespec times[2] = {{newest, 0}, {newest, 0}};
        ::utimensat(AT_FDCWD, host.c_str(), times, 0);
    }
    return static_cast<std::int32_t>(added.size());
}

std::int32_t DeleteFromArchive(const ZipCommand& command, EngineReport& report) {
    const auto path = ArchivePath::Of(command, report);
    if (!path)
        return 0;
    const std::string& name = path->name;
    const std::string& host = path->host;
    // A plain archive loses its entries by copying what stays; any other goes through libzip.
    const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
    std::optional<ArchiveLayout> layout = fd >= 0 ? ReadArchiveLayout(fd) : std::nullopt;
    if (layout && !CanDeleteByCopying(*layout))
        layout.reset();
    zip_t* archive = !layout ? OpenForUpdate(host, false, report, name) : nullptr;
    const auto finish = [&](std::int32_t count) {
        if (archive)
            zip_discard(archive);
        if (fd >= 0)
            ::close(fd);
        return count;
    };
    if (!layout && !archive)
        return finish(0);
    std::vector<std::string> names;
    if (layout) {
        for (const LayoutEntry& entry : layout->entries)
            names.push_back(EntryNameOf(*layout, entry));
    } else {
        names = DecodedEntryNames(archive);
    }
    EntrySpecs patterns(SpecsOf(command), names, EntrySpecs::WholeArchive::EntryOfThatName);
    std::vector<bool> removed(names.size(), false);
    std::int32_t count = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!patterns.Matches(names[i]))
            continue;
        if (!report.FileStart(names[i], 0))
            return finish(0);
        removed[i] = true;
        report.Verbose("Deleting: " + names[i]);
        ++count;
    }
    if (count == 0) {
        report.Message(kMsgNotFound, "No entry matches, nothing deleted");
        return finish(0);
    }
    if (static_cast<std::size_t>(count) == names.size()) {
        // Every entry goes: the archive stays, empty (libzip would remove the file instead).
        if (WriteEmptyArchive(fd, host))
            return finish(count);
        report.Message(kMsgWriteFailed, path->CannotWrite(errno));
        return finish(0);
    }
    if (layout) {
        if (DeleteByCopying(fd, host, *layout, removed, [&report] { return report.KeepAlive(); }))
            return finish(count);
        if (report.Aborted())
            return finish(0);
        report.Message(kMsgWriteFailed, path->CannotWrite(errno));
        return finish(0);
    }
    for (std::size_t i = 0; i < removed.size(); ++i)
        if (removed[i])
            zip_delete(archive, static_cast<zip_uint64_t>(i));
    zip_t* changed = std::exchange(archive, nullptr);
    return finish(Close(changed, report, *path) ? count : 0);
}
