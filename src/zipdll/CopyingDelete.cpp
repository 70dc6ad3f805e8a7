// Deleting entries by copying what stays byte for byte.
#include "zipdll/CopyingDelete.h"

#include "zipdll/ArchiveOutput.h"
#include "zipdll/ZipRecords.h"

bool DeleteByCopying(const ExistingArchive& archive, const std::string& hostPath,
                     const std::vector<bool>& removed, EngineReport& report) {
    Replacement replacement;
    if (!replacement.Create(hostPath, archive.Identity()))
        return false;
    ArchiveOutput out(replacement, report);
    // What lies before the first entry stays.
    if (archive.Count() > 0 && !out.Keep(archive.Fd(), 0, archive.FirstEntry()))
        return false;
    std::vector<std::uint64_t> keptAt(archive.Count());
    for (std::size_t i = 0; i < archive.Count(); ++i) {
        if (removed[i])
            continue;
        keptAt[i] = out.Length();
        if (!out.Keep(archive.Fd(), archive.Entry(i).localHeaderOffset, archive.LocalEnd(i)))
            return false;
    }
    // The kept central records, in their order, with their new offsets; then the end records.
    const std::uint64_t directoryAt = out.Length();
    Bytes records;
    std::uint64_t kept = 0;
    for (std::size_t i = 0; i < archive.Count(); ++i) {
        if (removed[i])
            continue;
        AppendKeptCentralRecord(records, archive.Layout(), archive.Entry(i), keptAt[i]);
        ++kept;
    }
    AppendEndRecords(records, kept, directoryAt, records.size(), archive.Comment());
    return out.Write(records.data(), records.size()) && out.Flush() && replacement.Commit(report);
}
