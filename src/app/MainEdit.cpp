// TMainForm: the commands that change archives: new, add, delete entries, convert to and from a
// self-extracting program, save as, close and delete the archive.
#include "app/Main.h"

#include "app/AddPassword.h"
#include "app/ExtractionPassword.h"
#include "app/Forms.h"
#include "platform/Files.h"
#include "platform/WinPath.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/HourGlass.h"
#include "platform/ui/ListView.h"
#include "windows/AddFilesToZip.h"
#include "windows/NewArchiveName.h"

#include <QAction>
#include <QCheckBox>

namespace {

bool EndsInExe(const std::string& path) {
    return path.size() >= 4 && win::LowerCase(path.substr(path.size() - 4)) == ".exe";
}

bool Ask(const std::string& question, const std::string& path) {
    return platform::ui::Confirm(QString::fromStdString(question + path + "?"));
}

void Say(const std::string& text) {
    platform::ui::ShowMessage(QString::fromStdString(text));
}

// Deletes the archive the user agreed to delete; says so when it is still there.
bool Deleted(const std::string& path) {
    if (win::DeleteFileA(path.c_str()) || !platform::FileExists(path))
        return true;
    Say("Could not delete " + path + ". Nothing was changed.");
    return false;
}

} // namespace

void TMainForm::NewZipButClick() {
    NewArchive();
}

void TMainForm::NewArchive() {
    platform::ui::FileDialogOptions options;
    options.title = "Create new Zip file";
    options.filter = "ZIP Files (*.ZIP)|*.zip";
    options.defaultExt = "zip";
    options.hideReadOnly = true;
    options.createsFile = true;
    const auto chosen = platform::ui::OpenFileName(options);
    if (!chosen)
        return;
    const auto name = NewArchiveName(*chosen);
    if (!name)
        return;
    if (!ClearWayForNewArchive(*name))
        return;
    ZipMaster1.SetZipFilename(*name);
    ListView1->Clear();
    UpdateCaption();
    AddToArchive();
    AddRecentFile(ZipMaster1.ZipFilename());
}

void TMainForm::AddZipButClick() {
    ResetProgress();
    AddToArchive();
}

void TMainForm::AddToArchive() {
    if (ZipMaster1.ZipFilename().empty()) {
        Say("Error - Open or create a zip file first");
        NewArchive();
        return;
    }
    if (EndsInExe(ZipMaster1.ZipFilename())) {
        Say("Error - this program can NOT add files to a self-extracting archive");
        return;
    }
    CurrentArchive = ZipMaster1.ZipFilename();
    TAddform* add = AppForms().Addform;
    AddCancelled = false;
    add->SetArchive(CurrentArchive);
    add->ShowModal();
    if (AddCancelled)
        return;
    if (add->ListBox1->Count() == 0) {
        Say("There are no files selected");
        return;
    }
    // Protected files need their password, held for the engine call alone; Cancel adds nothing.
    std::optional<PasswordForCall> password;
    if (add->EncryptCB->isChecked()) {
        std::optional<std::string> typed = AskAddPassword(CurrentArchive);
        if (!typed)
            return;
        password.emplace(ZipMaster1, *typed);
        std::fill(typed->begin(), typed->end(), '\0');
    }
    AddOpts options = 0;
    if (add->RecurseCB->isChecked())
        options |= AddRecurseDirs;
    if (add->DirnameCB->isChecked())
        options |= AddDirNames;
    if (add->EncryptCB->isChecked())
        options |= AddEncrypt;
    ZipMaster1.AddOptions = options;
    ZipMaster1.FSpecArgs = add->ListBox1->Items();
    add->ListBox1->Clear();
    add->AddListView1->Clear();
    platform::ui::HourGlass busy; // until the archive has been read again
    try {
        EngineCall([this] { ZipMaster1.Add(); });
    } catch (const std::exception&) {
        Say("Error in Add; Fatal DLL Exception in mainunit");
    }
    password.reset();
    // Only a call that added files says so; a failed one has already shown why.
    const std::int32_t added = ZipMaster1.ResultCount();
    Say(added > 0 ? std::to_string(added) + " files were successfully added!"
                  : std::string("No files were added."));
    ZipMaster1.SetZipFilename(CurrentArchive);
}

bool TMainForm::AllRowsSelected() const {
    return ListView1->AllSelected();
}

void TMainForm::DeleteFromZipButClick() {
    if (ZipMaster1.Count() == 0)
        return;
    if (EndsInExe(ZipMaster1.ZipFilename())) {
        Say("Error - this pgm can NOT delete files from a self-extracting archive");
        return;
    }
    // Folder entries have no row: every row selected is the whole archive only when every
    // entry has one.
    if (ListView1->RowCount() == ZipMaster1.Count() && AllRowsSelected()) {
        DeleteArchive1Click();
        return;
    }
    if (ListView1->RowCount() == 0) {
        Say("Error - no files to delete");
        return;
    }
    if (!Ask("Delete selected files from: ", ZipMaster1.ZipFilename()))
        return;
    ZipMaster1.FSpecArgs.clear();
    for (const int row : ListView1->SelectedRows())
        ZipMaster1.FSpecArgs.push_back(EntryPathOfRow(row));
    if (ZipMaster1.FSpecArgs.empty()) {
        Say("Error - no files selected");
        return;
    }
    platform::ui::HourGlass busy;
    try {
        EngineCall([this] { ZipMaster1.Delete(); });
    } catch (const std::exception&) {
        Say("Fatal error trying to delete");
    }
    if (ZipMaster1.Count() > 0)
        ZipMaster1.SetZipFilename(CurrentArchive);
}

void TMainForm::ConvertZiptoexe1Click() {
    if (ZipMaster1.Count() == 0) {
        Say("Error: no files in archive");
        return;
    }
    QAction* item = Item("ConvertZiptoexe1");
    if (win::UpperCase(win::ExtractFileExt(ZipMaster1.ZipFilename())) == ".EXE") {
        item->setText("Convert ZIP to EXE");
        if (ZipMaster1.ConvertToZip() != 0)
            Say("Error occured in making .ZIP file");
        else
            Say("Filename is now: " + win::LowerCase(ZipMaster1.ZipFilename()));
        return;
    }
    if (ZipMaster1.ConvertToSfx() != 0) {
        Say("Error occured in making .EXE file");
        return;
    }
    item->setText("Convert EXE to ZIP");
    Say("Filename is now: " + ZipMaster1.ZipFilename());
}

void TMainForm::SaveAs1Click() {
    platform::ui::FileDialogOptions options;
    options.filter = "Zip file (*.zip)|*.zip";
    options.defaultExt = "zip";
    const auto chosen = platform::ui::SaveFileName(options);
    if (!chosen)
        return;
    const std::string& target = *chosen;
    // The current archive under another spelling is the same file: nothing to do either.
    if (target == CurrentArchive || platform::SameFile(target, CurrentArchive))
        return;
    // An archive named by New but not yet filled has no file to save.
    if (!platform::FileExists(CurrentArchive)) {
        Say("The archive " + CurrentArchive + " does not exist yet. Nothing was saved.");
        return;
    }
    if (platform::FileExists(target) && !Ask("Overwrite Existing File: ", target))
        return;
    // The copy replaces an existing target only once it is complete.
    if (!win::CopyFileA(CurrentArchive.c_str(), target.c_str(), win::FALSE)) {
        Say("Could not save the archive as " + target + ".");
        return;
    }
    ZipMaster1.SetZipFilename(target);
    UpdateCaption();
}

void TMainForm::CloseArchive1Click() {
    ListView1->Clear();
    ZipMaster1.SetZipFilename("");
}

void TMainForm::DeleteArchive1Click() {
    // An archive that could not be deleted stays open.
    if (!Ask("Delete Existing Archive: ", CurrentArchive) || !Deleted(CurrentArchive))
        return;
    ListView1->Clear();
    ZipMaster1.SetZipFilename("");
}
