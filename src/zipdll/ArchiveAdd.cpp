// Adding files to an archive: the new archive is written beside the old one by our own writer, the
// entries that stay copied byte for byte, each replaced entry in its place and the new ones after
// them, then the central directory made from the records the writer kept; it replaces the old
// archive only when complete, so a failed or aborted add leaves the archive as it was. What the
// add holds grows by the list's record, name and look-up slot per file (FileList), never by a copy
// of anything per file.
#include "zipdll/ArchiveUpdate.h"

#include "engine/CommandSpecs.h"
#include "zipdll/AddPlan.h"
#include "zipdll/ArchiveOutput.h"
#include "zipdll/ArchivePath.h"
#include "zipdll/DeflatePool.h"
#include "zipdll/EntryWriter.h"
#include "zipdll/FileCollector.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The central records go to the archive whenever this much has gathered.
constexpr std::size_t kRecordsPiece = 1 << 20;

// Writes the new archive as the plan says.
class AddWriter {
public:
    // password: encrypts every file when not empty; the caller's, which outlives the writer.
    AddWriter(FileList& files, const ExistingArchive& archive, const AddPlan& plan,
              EngineReport& report, int level, std::string_view password)
        : files_(files), archive_(archive), plan_(plan), report_(report),
          out_(replacement_, report), writer_(out_, report, level, password),
          pool_(
              plan.pooled.size(),
              [this](std::size_t job) {
                  const ListedFile& file = files_[plan_.pooled[job]];
                  return DeflatePool::Job{files_.HostPath(file), file.size};
              },
              level, password),
          keptAt_(archive.Count(), 0) {}

    // False with errno set when the archive cannot be written (ECANCELED: the caller aborted).
    bool Write(const std::string& host) {
        if (!replacement_.Create(host, archive_.Identity()))
            return false;
        // What lies before the first entry stays; so does every entry not replaced, and one
        // whose file cannot be read after all.
        if (archive_.Count() > 0 && !out_.Keep(archive_.Fd(), 0, archive_.FirstEntry()))
            return false;
        for (std::size_t i = 0; i < archive_.Count(); ++i) {
            if (const std::uint32_t file = plan_.replacedBy[i]; file != AddPlan::kStays) {
                const EntryWriter::Result result = WriteFile(file);
                if (result == EntryWriter::Result::Failed)
                    return false;
                if (result == EntryWriter::Result::Written)
                    continue;
            }
            keptAt_[i] = out_.Length();
            if (!out_.Keep(archive_.Fd(), archive_.Entry(i).localHeaderOffset,
                           archive_.LocalEnd(i)))
                return false;
        }
        for (std::uint32_t i = 0; i < files_.size(); ++i)
            if (files_[i].fate == ListedFile::Fate::New &&
                WriteFile(i) == EntryWriter::Result::Failed)
                return false;
        return WriteDirectory() && out_.Flush() && replacement_.Commit(report_);
    }

private:
    EntryWriter::Result WriteFile(std::uint32_t i) {
        ListedFile& file = files_[i];
        files_.StoredName(file, name_);
        EntryWriter::Result result;
        if (file.isFolder) {
            result = writer_.Folder(file, name_);
        } else if (nextJob_ < plan_.pooled.size() && plan_.pooled[nextJob_] == i) {
            const std::size_t job = nextJob_++;
            const DeflatedFile* data = pool_.Wait(job, [this] { return report_.KeepAlive(); });
            if (!data) // the caller aborted: the pool goes with the writer
                return EntryWriter::Result::Failed;
            result = writer_.Compressed(file, name_, *data);
            pool_.Release(job);
        } else {
            result = writer_.Streamed(file, name_, files_.HostPath(file));
        }
        if (result == EntryWriter::Result::Unreadable) {
            report_.Message(kMsgWriteFailed,
                            "Cannot read " + files_.WindowsPath(file) + ", not added");
            file.fate = ListedFile::Fate::Left;
        } else if (result == EntryWriter::Result::Written && !file.isFolder) {
            report_.Verbose("Adding: " + name_);
        }
        if (result == EntryWriter::Result::Failed && report_.Aborted())
            errno = ECANCELED;
        return result;
    }

    // The central directory in the order of the entries, then the end records.
    bool WriteDirectory() {
        const std::uint64_t start = out_.Length();
        std::uint64_t count = 0;
        Bytes records;
        const auto add = [&](const ListedFile& file) {
            files_.StoredName(file, name_);
            AppendCentralRecord(records, EntryWriter::EntryOf(file, name_));
        };
        const auto write = [&](bool always) {
            report_.KeepAlive();
            if (!always && records.size() < kRecordsPiece)
                return true;
            const bool ok = out_.Write(records.data(), records.size());
            records.clear();
            return ok;
        };
        for (std::size_t i = 0; i < archive_.Count(); ++i, ++count) {
            const std::uint32_t file = plan_.replacedBy[i];
            if (file != AddPlan::kStays && files_[file].fate == ListedFile::Fate::Replaces)
                add(files_[file]);
            else
                AppendKeptCentralRecord(records, archive_.Layout(), archive_.Entry(i), keptAt_[i]);
            if (!write(false))
                return false;
        }
        for (std::uint32_t i = 0; i < files_.size(); ++i) {
            if (files_[i].fate != ListedFile::Fate::New)
                continue;
            add(files_[i]);
            ++count;
            if (!write(false))
                return false;
        }
        const std::uint64_t size = out_.Length() + records.size() - start;
        AppendEndRecords(records, count, start, size, archive_.Comment());
        return write(true);
    }

    FileList& files_;
    const ExistingArchive& archive_;
    const AddPlan& plan_;
    EngineReport& report_;
    Replacement replacement_;
    ArchiveOutput out_;
    EntryWriter writer_;
    DeflatePool pool_;
    std::size_t nextJob_ = 0;
    std::vector<std::uint64_t> keptAt_; // where each entry that stays begins in the new archive
    std::string name_;
};

} // namespace

std::int32_t AddToArchive(const ZipCommand& command, EngineReport& report) {
    const auto path = ArchivePath::Of(command, report);
    if (!path)
        return 0;
    CollectOptions options;
    options.recurse = command.RecurseFlag != 0;
    options.noDirNames = command.NoDirNamesFlag != 0;
    options.hiddenFiles = command.HiddenFilesFlag != 0;
    options.forceDos = command.ForceDosFlag != 0;
    // The archive never goes into itself.
    if (struct stat st{}; ::stat(path->host.c_str(), &st) == 0)
        options.excluded = std::pair{st.st_dev, st.st_ino};
    const int level = std::clamp(command.CompressionLevel, 0, 9);
    // Encrypted only when asked to, and then never without a password: the files would go in
    // unprotected. The password stays in the caller's buffer, which the call does not outlive.
    const std::string_view password =
        command.EncryptFlag && command.PasswordText ? command.PasswordText : "";
    if (command.EncryptFlag && password.empty()) {
        report.Message(kMsgWrongPassword,
                       "No password to protect the files with, nothing added to " + path->name);
        return 0;
    }

    // What goes in and where, found aside: a large tree takes a while to walk, and the look-ups
    // in a large archive a while to make.
    FileList files(options.forceDos);
    ExistingArchive archive;
    AddPlan plan;
    const bool planned = report.Meanwhile([&] {
        CollectFiles(SpecsOf(command), options, report, files);
        bool any = false;
        for (std::size_t i = 0; i < files.size() && !any; ++i)
            any = files[i].fate != ListedFile::Fate::Left;
        if (!any || report.Aborted() || !archive.Open(path->host, path->name, true, report))
            return false;
        plan = PlanAdd(files, archive, command, level, report);
        return plan.written > 0;
    });
    if (!planned)
        return 0;

    {
        std::optional<AddWriter> writer;
        writer.emplace(files, archive, plan, report, level, password);
        const bool written = writer->Write(path->host);
        const int error = errno;
        // Aside: after an abort the pool's workers still finish the files they hold.
        report.Meanwhile([&] {
            writer.reset();
            archive.Close(report);
        });
        if (!written) {
            if (error == ECANCELED || report.Aborted())
                report.Message(kMsgAborted, "Aborted, archive unchanged: " + path->name);
            else
                report.Message(kMsgWriteFailed, path->CannotWrite(error));
            return 0;
        }
    }
    // Only now that the new archive is in place do the sources go.
    std::int32_t count = 0;
    std::time_t newest = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const ListedFile& file = files[i];
        if (file.fate == ListedFile::Fate::Left || file.isFolder)
            continue;
        ++count;
        newest = std::max(newest, file.modified);
        if (command.MoveFlag) {
            ::unlink(files.HostPath(file).c_str());
            report.KeepAlive();
        }
    }
    if (command.ZipTimeFlag) {
        for (std::size_t i = 0; i < archive.Count(); ++i)
            if (plan.replacedBy[i] == AddPlan::kStays ||
                files[plan.replacedBy[i]].fate != ListedFile::Fate::Replaces)
                newest = std::max(newest, archive.Modified(i));
        if (newest > 0) {
            const struct timespec times[2] = {{newest, 0}, {newest, 0}};
            ::utimensat(AT_FDCWD, path->host.c_str(), times, 0);
        }
    }
    return count;
}
