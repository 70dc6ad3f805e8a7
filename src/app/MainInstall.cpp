// TMainForm: running an entry, installing the software in a download, and the progress bar.
#include "app/Main.h"

#include "engine/EntryNames.h"
#include "platform/PathMap.h"
#include "platform/Process.h"
#include "platform/WinPath.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/HourGlass.h"
#include "platform/ui/ListView.h"
#include "platform/ui/Terminate.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kBlockBytes = 32768;

// The first entry in archive order whose name, lower-cased in ASCII only, holds "install.exe" or
// "setup.exe", by its name as the listing and the engines decode it; empty when there is none.
std::string SetupEntryName(const TZipMaster& zip) {
    for (const auto& entry : zip.Entries()) {
        std::string name = DecodeEntryName(entry.FileName);
        const std::string lower = win::LowerCase(name);
        if (lower.find("install.exe") != std::string::npos ||
            lower.find("setup.exe") != std::string::npos)
            return name;
    }
    return {};
}

// The temp folder, with where it lies on this machine when that is known.
std::string FolderOnThisMachine(const std::string& folder) {
    const auto host = platform::HostPathOf(folder);
    return folder + (host ? " (" + *host + " on this machine)" : "");
}

} // namespace

std::string TMainForm::EntryPathOfRow(int index) const {
    return (ListView1->Cell(index, 5) + ListView1->Cell(index, 0)).toStdString();
}

std::string TMainForm::FindSetupEntry() const {
    return win::LowerCase(SetupEntryName(ZipMaster1));
}

bool TMainForm::AutoInstall() {
    // The file is found by the name the extraction writes: the lower-cased name would find an
    // older file of exactly its letters that the temp folder may hold beside it.
    const std::string name = SetupEntryName(ZipMaster1);
    if (name.empty()) {
        platform::ui::ShowMessage("Setup.exe or Install.exe not found");
        return false;
    }
    // The setup program starts only when this extraction wrote it and every entry came out as
    // the archive holds it: a setup run from a damaged download installs damaged files.
    const auto file = ExtractForUse({name}, [this] {
        const auto failed = NotExtracted(KeepingEngineNotes([this] { ExtractAllTo(TempDir); }));
        if (failed.empty() || extractionStopped_)
            return;
        extractionStopped_ = true; // said here: nothing more is said, nothing starts
        platform::ui::ShowMessage(QString::fromStdString(UnsoundDownload(
            win::ExtractFileName(ZipMaster1.ZipFilename()), failed, FolderOnThisMachine(TempDir))));
    });
    return file.front() && RunFile(*file.front());
}

void TMainForm::RunEntry(const std::string& name) {
    const auto file = ExtractForUse({name}, [this, &name] {
        ZipMaster1.FSpecArgs = {name};
        ExtractInto(TempDir);
    });
    if (file.front())
        RunFile(*file.front());
}

bool TMainForm::RunFile(const UsableFile& file) {
    // A program starts as one argument, never split again at a blank or a quote (a name such as
    // `foo" bar.exe` must not start foo.exe), from the descriptor it was checked on; a document
    // opens in its program.
    const std::string& path = file.path;
    const bool program = win::LowerCase(win::ExtractFileExt(path)) == ".exe";
    const platform::StartFailure failure =
        program ? platform::StartVerifiedProgram(path, file.verified.Get())
                : platform::OpenDocument(path);
    if (failure == platform::StartFailure::None)
        return true;
    // Without a word the user would wait for an installer that never comes.
    platform::ui::ShowMessage(QString::fromStdString(
        "Pakrune could not " + std::string(program ? "start " : "open ") + path + ": " +
        platform::StartFailureText(failure) + ". Its files were extracted to " +
        FolderOnThisMachine(TempDir) + "."));
    return false;
}

void TMainForm::SpeedButton3Click() {
    const std::vector<int> selected = ListView1->SelectedRows();
    if (ZipMaster1.Count() > 0 && !selected.empty())
        RunEntry(EntryPathOfRow(selected.front()));
}

void TMainForm::btnInstallClick() {
    if (ZipMaster1.Count() == 0)
        return;
    // The program ends only once the setup program runs on by itself: when nothing started, the
    // window stays with what it said.
    if (AutoInstall() && AutoExit)
        platform::ui::TerminateApplication();
}

void TMainForm::ZipMaster1Progress(ProgressType type, const std::string&, std::int32_t fileSize) {
    switch (type) {
    case ProgressType::FileStart:
        // A file above 2 GiB reports the largest 32-bit size: its blocks count beyond that.
        BytesDone += std::max<double>(CurrentSize, StepCount * kBlockBytes);
        UpdateProgress(BytesDone);
        CurrentSize = fileSize;
        StepCount = 0;
        break;
    case ProgressType::BlockDone:
        ++StepCount;
        UpdateProgress(BytesDone + StepCount * kBlockBytes);
        break;
    case ProgressType::BatchEnd:
        ProgressBar1->setValue(0);
        LastShown = 0;
        break;
    }
    // Let the window repaint and stay responsive during long engine calls.
    QCoreApplication::processEvents();
}

void TMainForm::UpdateProgress(double bytes) {
    if (bytes <= LastShown)
        return;
    // A zero total would divide by zero: the bar stays still. Bytes beyond the total (an entry
    // larger than listed) keep the bar at its end.
    if (ProgressTotal > 0)
        ProgressBar1->setValue(static_cast<int>(std::nearbyint(
            std::clamp(100.0 * bytes / static_cast<double>(ProgressTotal), 0.0, 100.0))));
    LastShown = bytes;
}

void TMainForm::ResetProgress() {
    ProgressTotal = 0;
    BytesDone = 0;
    CurrentSize = 0;
}
