// TMainForm: extracting entries into a folder the user picks, testing them, viewing them, the
// window's engine calls, and dragging rows out.
#include "app/Main.h"

#include "app/ExtractedFile.h"
#include "app/ExtractionPassword.h"
#include "app/Forms.h"
#include "app/untExtract.h"
#include "controls/DirTree.h"
#include "engine/EngineReport.h"
#include "platform/Files.h"
#include "platform/OwnedFiles.h"
#include "platform/PathMap.h"
#include "platform/WinPath.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/HourGlass.h"
#include "platform/ui/ListView.h"
#include "windows/TextView.h"

#include <QMimeData>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <climits>
#include <cstdlib>
#include <utility>

void TMainForm::EngineCall(const std::function<void()>& call) {
    engineNotes_.clear();
    engineRunning_ = true;
    engineCancelled_ = false;
    CancelButton->show();
    CancelShortcut->setEnabled(true);
    struct Done {
        TMainForm* form;
        ~Done() {
            form->engineRunning_ = false;
            form->CancelButton->hide();
            form->CancelShortcut->setEnabled(false);
            // A close asked for during the call happens now that the call has ended.
            if (form->closePending_) {
                form->closePending_ = false;
                QTimer::singleShot(0, form, &QWidget::close);
            }
        }
    } done{this};
    try {
        call();
    } catch (...) {
        ShowEngineMessages(); // what the engine reported before the error went wrong too
        throw;
    }
    if (engineCancelled_) {
        extractionStopped_ = true;
        // The engine's own notes on what it left undone add nothing to this.
        engineNotes_.clear();
        platform::ui::ShowMessage("The operation was cancelled.");
    }
    if (!keepNotes_)
        ShowEngineMessages();
}

std::vector<EngineNote> TMainForm::KeepingEngineNotes(const std::function<void()>& work) {
    engineNotes_.clear();
    keepNotes_ = true;
    struct Done {
        bool& keep;
        ~Done() { keep = false; }
    } done{keepNotes_};
    work();
    return std::exchange(engineNotes_, {});
}

void TMainForm::CancelEngineCall() {
    if (!engineRunning_)
        return;
    engineCancelled_ = true;
    ZipMaster1.AbortFlag = true;
}

void TMainForm::ZipMaster1Message(std::int32_t errCode, const std::string& message) {
    // What was left undone or went wrong is kept for the end of the call; notes on the files
    // processed are not.
    if (errCode >= kMsgSkipped)
        engineNotes_.push_back({errCode, message});
}

void TMainForm::ShowEngineMessages() {
    const std::string errors = ExtractionErrors(engineNotes_);
    engineNotes_.clear();
    if (!errors.empty())
        platform::ui::ShowMessage(QString::fromStdString(errors));
}

bool TMainForm::BaseFolderReady(const std::string& baseDir) {
    // The temp folder is the program's own: made when it is missing.
    if (baseDir == TempDir && !DirExists(baseDir))
        win::CreateDirectoryA(baseDir.c_str(), nullptr);
    if (DirExists(baseDir))
        return true;
    // Without this check the engine would write into whatever folder the process is in.
    platform::ui::ShowMessage(
        baseDir.empty() || baseDir == "?"
            ? QString("No folder is selected. Nothing was extracted.")
            : QString::fromStdString("The folder " + baseDir +
                                     " does not exist. Nothing was extracted."));
    return false;
}

void TMainForm::ExtractSelected(const std::string& baseDir) {
    ResetProgress();
    if (ListView1->RowCount() == 0) {
        platform::ui::ShowMessage("No files to extract");
        return;
    }
    ZipMaster1.FSpecArgs.clear();
    for (const int row : ListView1->SelectedRows())
        ZipMaster1.FSpecArgs.push_back(EntryPathOfRow(row));
    if (ZipMaster1.FSpecArgs.empty()) {
        platform::ui::ShowMessage("No files selected");
        return;
    }
    // The bar follows these entries' bytes: without a total it would stand still however long
    // the extraction takes.
    ProgressTotal = SelectedSize();
    ExtractInto(baseDir);
}

std::int64_t TMainForm::SelectedSize() const {
    std::int64_t size = 0;
    const ZipEntryList& entries = ZipMaster1.Entries();
    for (const int row : ListView1->SelectedRows())
        if (row < SortRows.Count() && SortRows.EntryOf(row) < entries.size())
            size += entries[SortRows.EntryOf(row)].UncompressedSize;
    return size;
}

void TMainForm::ExtractAllTo(const std::string& baseDir) {
    ResetProgress();
    ProgressTotal = ListingTotal;
    ZipMaster1.FSpecArgs = {"*.*"};
    ExtractInto(baseDir);
}

void TMainForm::Test1Click() {
    if (ZipMaster1.Count() == 0)
        return;
    ResetProgress();
    ZipMaster1.FSpecArgs.clear();
    if (rowsChosen_)
        for (const int row : ListView1->SelectedRows())
            ZipMaster1.FSpecArgs.push_back(EntryPathOfRow(row));
    // The bar follows the bytes tested, as an extraction's does.
    ProgressTotal = ZipMaster1.FSpecArgs.empty() ? ListingTotal : SelectedSize();
    if (ZipMaster1.FSpecArgs.empty())
        ZipMaster1.FSpecArgs = {"*.*"};
    const auto notes = KeepingEngineNotes([this] { Unpack(std::nullopt); });
    if (extractionStopped_)
        return; // refused (and said why) or cancelled: there is no result
    platform::ui::ShowMessage(QString::fromStdString(TestResult(
        win::ExtractFileName(ZipMaster1.ZipFilename()), ZipMaster1.ResultCount(), notes)));
}

namespace {

// An archive that changed since it was listed may hold anything: nothing is taken from it, and
// a test of it would not tell of what was listed.
QString ChangedSinceListed(const std::string& archive, bool testing) {
    return QString::fromStdString((testing ? "Cannot test " : "Cannot extract from ") + archive +
                                  ": another program changed it meanwhile. Open it again to see "
                                  "what it holds now.");
}

} // namespace

bool TMainForm::ExtractionAllowed(const std::optional<std::string>& baseDir) {
    // The listing is what the user chose from; a missing archive is the engine's to report.
    if (!ZipMaster1.StillAsListed() && platform::FileExists(ZipMaster1.ZipFilename())) {
        platform::ui::ShowMessage(ChangedSinceListed(ZipMaster1.ZipFilename(), !baseDir));
        return false;
    }
    // What is viewed, run or installed is read from the temp folder: no folder there that
    // another user owns or could change may receive any of it.
    const auto hostTemp = platform::HostPathOf(TempDir);
    char real[PATH_MAX];
    if (baseDir != TempDir || !hostTemp || !::realpath(hostTemp->c_str(), real))
        return true;
    const auto unsafe =
        platform::FolderBelowNotOwned(real, FoldersWrittenInto(ZipMaster1, ZipMaster1.FSpecArgs));
    if (!unsafe)
        return true;
    platform::ui::ShowMessage(QString::fromStdString(
        "The folder " + TempDir + "\\" + ToBackslashes(*unsafe) +
        " can be changed by other users; nothing was extracted into the temporary folder."));
    return false;
}

void TMainForm::ExtractInto(const std::string& baseDir) {
    extractionStopped_ = false;
    if (!BaseFolderReady(baseDir)) {
        ZipMaster1.FSpecArgs.clear();
        return;
    }
    Unpack(baseDir);
}

void TMainForm::Unpack(const std::optional<std::string>& baseDir) {
    extractionStopped_ = false;
    if (!ExtractionAllowed(baseDir)) {
        extractionStopped_ = true;
        ZipMaster1.FSpecArgs.clear();
        return;
    }
    // Encrypted entries need the password, asked once; Cancel extracts nothing.
    std::optional<PasswordForCall> password;
    if (ZipMaster1.Password.empty() && NamesEncryptedEntry(ZipMaster1, ZipMaster1.FSpecArgs)) {
        auto typed = AskExtractionPassword(ZipMaster1.ZipFilename());
        if (!typed) {
            extractionStopped_ = true;
            ZipMaster1.FSpecArgs.clear();
            return;
        }
        password.emplace(ZipMaster1, std::move(*typed));
    }
    platform::ui::HourGlass busy;
    if (baseDir) {
        ZipMaster1.ExtrBaseDir = *baseDir;
        ZipMaster1.ExtrOptions |= ExtrDirNames | ExtrOverWrite;
        EngineCall([this] { ZipMaster1.Extract(); });
    } else {
        // A test writes nothing, so it needs no folder; the option holds for this call only.
        ZipMaster1.ExtrBaseDir.clear();
        ZipMaster1.ExtrOptions |= ExtrTest;
        struct Done {
            TZipMaster& zip;
            ~Done() { zip.ExtrOptions &= static_cast<ExtrOpts>(~ExtrTest); }
        } done{ZipMaster1};
        EngineCall([this] { ZipMaster1.Extract(); });
    }
    // Changed while the engine read it: what was written (or tested) came from something never
    // listed.
    if (!ZipMaster1.StillAsListed() && platform::FileExists(ZipMaster1.ZipFilename())) {
        extractionStopped_ = true;
        platform::ui::ShowMessage(ChangedSinceListed(ZipMaster1.ZipFilename(), !baseDir));
    }
}

std::vector<std::optional<UsableFile>>
TMainForm::ExtractForUse(const std::vector<std::string>& names,
                         const std::function<void()>& extract) {
    std::vector<ExtractedFile> files;
    std::vector<std::optional<UsableFile>> paths(names.size());
    for (const std::string& name : names) {
        files.emplace_back(TempDir, name);
        if (!files.back().InsideFolder()) {
            platform::ui::ShowMessage(QString::fromStdString(
                "The entry " + name + " does not lie inside the temporary folder " + TempDir +
                "; it is not opened."));
            return paths;
        }
    }
    extractionStopped_ = false;
    extract();
    if (extractionStopped_)
        return paths; // refused (and said why) or cancelled: nothing more to say
    std::string failed;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const ExtractedFile& file = files[i];
        platform::Descriptor verified;
        switch (file.Verify(ZipMaster1.WrittenFiles(), verified)) {
        case ExtractedFile::Check::Usable:
            paths[i] = UsableFile{file.Path(), std::move(verified)};
            break;
        case ExtractedFile::Check::NotWritten:
            failed += (failed.empty() ? "" : ", ") + names[i];
            break;
        case ExtractedFile::Check::Unsafe:
            platform::ui::ShowMessage(QString::fromStdString(
                "The file " + file.Path() +
                " or a folder on the way to it can be changed by other users; it is not opened."));
            break;
        }
    }
    if (!failed.empty())
        platform::ui::ShowMessage(QString::fromStdString("Could not extract " + failed + "."));
    return paths;
}

QMimeData* TMainForm::DragRowsOut(const std::vector<int>& rows) {
    if (engineRunning_ || rows.empty())
        return nullptr;
    // The dragged entries are extracted below the temp folder, as running them would, and
    // offered as files; one that could not be extracted is left out (and reported).
    std::vector<std::string> names;
    for (const int row : rows)
        names.push_back(EntryPathOfRow(row));
    QList<QUrl> urls;
    for (const auto& file : ExtractForUse(names, [this, &names] {
             ZipMaster1.FSpecArgs = names;
             ExtractInto(TempDir);
         }))
        if (const auto host = file ? platform::HostPathOf(file->path) : std::nullopt)
            urls << QUrl::fromLocalFile(QString::fromStdString(*host));
    if (urls.isEmpty())
        return nullptr;
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

std::optional<std::string> TMainForm::ChooseExtractFolder() {
    if (ZipMaster1.Count() == 0)
        return std::nullopt;
    TExtractForm* window = AppForms().ExtractForm;
    if (!DownloadDir.empty())
        window->DirTree1->OpenPath(DownloadDir);
    ExtractCancelled = true;
    window->ShowModal();
    if (ExtractCancelled)
        return std::nullopt;
    // The folder as the disk names it: the tree's path in upper case would find a folder whose
    // name differs only in letter case first.
    return window->DirTree1->SelectedStoredPath();
}

void TMainForm::btnExtractSelectedClick() {
    if (const auto folder = ChooseExtractFolder())
        ExtractSelected(*folder);
}

void TMainForm::btnExtractAllClick() {
    ExtractAllWithChoice();
}

void TMainForm::ExtractAllWithChoice() {
    if (const auto folder = ChooseExtractFolder())
        ExtractAllTo(*folder);
}

void TMainForm::btnViewSelectedClick() {
    if (ZipMaster1.Count() == 0 || !ListView1->HasListFocus())
        return;
    // One showing of the viewer per selected row, in list order; each extraction takes all the
    // selected entries, as the Extract Selected command would.
    for (const int row : ListView1->SelectedRows()) {
        const std::string name = EntryPathOfRow(row);
        const auto file =
            std::move(ExtractForUse({name}, [this] { ExtractSelected(TempDir); }).front());
        if (!file)
            return; // reported; the viewing ends
        AppForms().frmTextViewer->ViewModal(file->path);
    }
}
