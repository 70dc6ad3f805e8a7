// What an add does, decided before anything is written.
#include "zipdll/AddPlan.h"

#include "engine/EntryNames.h"
#include "zipdll/DeflatePool.h"
#include "zipdll/NameTable.h"

namespace {

// Whether a file should replace or join the archive under the update and freshen rules.
bool Wanted(const ListedFile& file, std::optional<std::time_t> entryTime,
            const ZipCommand& command) {
    const bool update = command.UpdateFlag != 0, freshen = command.FreshenFlag != 0;
    if (!update && !freshen)
        return true;
    if (!entryTime)
        return update;
    return file.modified > *entryTime + 1; // DOS times are two seconds coarse
}

} // namespace

AddPlan PlanAdd(FileList& files, const ExistingArchive& archive, const ZipCommand& command,
                int level, EngineReport& report) {
    AddPlan plan;
    plan.replacedBy.assign(archive.Count(), AddPlan::kStays);
    // The entries by their names as read (the first of two of one name is the one found).
    NameTable entries([&](std::uint32_t i, std::string& name) {
        name = EntryNameOf(archive.Layout(), archive.Entry(i));
    });
    for (std::uint32_t i = 0; i < archive.Count(); ++i)
        entries.Insert(i);
    std::string stored;
    for (std::uint32_t i = 0; i < files.size(); ++i) {
        ListedFile& file = files[i];
        if (file.fate == ListedFile::Fate::Left)
            continue;
        // The entry of exactly this name is the one replaced; one whose name differs only in
        // letter case stays beside it, as the files on the disk do.
        files.StoredName(file, stored);
        const std::optional<std::uint32_t> entry = entries.Find(DecodeEntryName(stored));
        if (file.isFolder) {
            file.fate = entry ? ListedFile::Fate::Left : ListedFile::Fate::New;
        } else if (!Wanted(file, entry ? std::optional(archive.Modified(*entry)) : std::nullopt,
                           command)) {
            file.fate = ListedFile::Fate::Left;
            report.Verbose("Not newer, not added: " + stored);
        } else if (!entry) {
            file.fate = ListedFile::Fate::New;
        } else if (plan.replacedBy[*entry] == AddPlan::kStays) {
            file.fate = ListedFile::Fate::Replaces;
            plan.replacedBy[*entry] = i;
        } else {
            file.fate = ListedFile::Fate::Left; // two names read alike: the first one takes it
        }
        if (file.fate != ListedFile::Fate::Left)
            ++plan.written;
    }
    // The archive is written in its order: each entry where it was, replaced or not, then the new
    // ones. The pool compresses in that same order, which keeps its memory bounded.
    const auto pooled = [&](std::uint32_t i) {
        return !files[i].isFolder && level > 0 && files[i].size <= kWholeFileLimit;
    };
    for (const std::uint32_t file : plan.replacedBy)
        if (file != AddPlan::kStays && pooled(file))
            plan.pooled.push_back(file);
    for (std::uint32_t i = 0; i < files.size(); ++i)
        if (files[i].fate == ListedFile::Fate::New && pooled(i))
            plan.pooled.push_back(i);
    return plan;
}
