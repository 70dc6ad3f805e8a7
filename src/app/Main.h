// The main window TMainForm: the archive window. Its handlers are split by concern:
//   Main.cpp         creation, showing, opening an archive and the download hand-off, caption
//   MainLayout.cpp   toolbar, list, progress bar and status bar
//   MainMenu.cpp     the main menu and the list's popup menu
//   MainListing.cpp  the listing: directory update, sort keys, totals, rows, sorting, views
//   MainEdit.cpp     new, add, delete entries, convert, save as, close and delete the archive
//   MainExtract.cpp  extracting into a folder, testing, the window's engine calls, dragging rows
//   out MainInstall.cpp  running entries, installing a download, progress MainSettings.cpp the
//   settings file, the recent files, the list's appearance MainBrowsers.cpp the browser integration
//   in the registry and on the desktop MainOptions.cpp  the options dialog's exchange with the
//   settings MainHelp.cpp     the wizard, the Help menu and the about window
#pragma once

#include "app/EngineNotes.h"
#include "app/ExtractedFile.h"
#include "app/ListingRows.h"
#include "app/NameOrder.h"
#include "app/SettingsFile.h"
#include "engine/ZipMstr.h"
#include "platform/ui/ColourCodec.h"

#include <QMainWindow>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QMimeData;
class QMenu;
class QProgressBar;
class QShortcut;
class QToolButton;
class TPathDialog;
namespace platform::ui {
class ListView;
}

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Start-up and shutdown.
    void FormCreate();
    void FormsCreated(); // every window exists: the first showing may use them
    void FormShow();
    void FormDestroy();

    // Opening an archive.
    void FindTempFolder();
    void OpenArchive(std::string path);
    void MoveDownloadToFolder(std::string& path);
    void UpdateCaption();
    void Open1Click();
    void Exit1Click();

    // The listing.
    void ZipMaster1DirUpdate();
    void BuildSortKeys();
    void ComputeTotals();
    void FillList(int first, int last);
    void ExtractSortValues(const std::string& field);
    void SortByValue(int lo, int hi);
    void ReverseOrder();
    void ListView1ColumnClick(int column);
    void ListView1DblClick();
    void ListView1KeyDown(int key);
    void MarkeraAllt1Click();
    void List1Click();
    void Full1Click();
    void Icons1Click();
    void SmallIcons1Click();
    void UpdateFileInfo();

    // Extracting and viewing.
    void btnExtractSelectedClick();
    void btnExtractAllClick();
    void ExtractAllWithChoice();
    void btnViewSelectedClick();
    void ExtractSelected(const std::string& baseDir);
    // The sum of the sizes of the entries of the selected rows.
    std::int64_t SelectedSize() const;
    void ExtractAllTo(const std::string& baseDir);
    // Tests the entries of the rows the user selected, or all when the user selected none (the
    // first row that a listing selects is not chosen), and says in one message whether they are
    // sound or which failed and why. Nothing is written.
    void Test1Click();
    // The data of rows dragged out of the list: their entries extracted below the temp folder,
    // as file addresses. Nothing when no entry could be extracted.
    QMimeData* DragRowsOut(const std::vector<int>& rows);
    // True while an engine call of this window runs; archive commands are ignored meanwhile.
    bool EngineRunning() const { return engineRunning_; }

    // Editing archives.
    void NewZipButClick();
    void NewArchive();
    void AddZipButClick();
    void AddToArchive();
    // Every row of the list is selected (true for an empty list).
    bool AllRowsSelected() const;
    void DeleteFromZipButClick();
    void ConvertZiptoexe1Click();
    void SaveAs1Click();
    void CloseArchive1Click();
    void DeleteArchive1Click();

    // Running, installing, progress.
    std::string EntryPathOfRow(int index) const;
    std::string FindSetupEntry() const;
    // Extracts the download below the temp folder and starts its setup program when every entry
    // came out whole; true when it started.
    bool AutoInstall();
    void RunEntry(const std::string& name);
    // Starts a program, or opens a document, that an extraction wrote and that was checked: a
    // program starts from the descriptor it was checked on. False, and said why, when it could
    // not start.
    bool RunFile(const UsableFile& file);
    void SpeedButton3Click();
    void btnInstallClick();
    void ZipMaster1Progress(ProgressType type, const std::string& filename, std::int32_t fileSize);
    void UpdateProgress(double bytes);
    void ResetProgress();

    // Settings and recent files. The check-mark items have already inverted their mark when
    // their handler runs (the menu does it), so the handlers apply the mark as it now is.
    void LoadSettings();
    void UpdateRecentFilesMenu();
    void AddRecentFile(const std::string& path);
    void SaveRecentFiles();
    void LastZipClick(int slot);
    void SaveSettings1Click();
    void Savewindowpos1Click();
    void SaveColumnwidth1Click();
    void Font1Click();
    void BackgroundColor1Click();
    void GridLines1Click();
    void ColumnToggleClick(int column);

    // Browser integration and the options dialog. A registration that cannot set a value raises
    // "Failed to set data for '...'"; ApplyBrowserIntegration reports the first such failure,
    // which ends its step, and returns normally.
    void ApplyBrowserIntegration();
    void RegisterNetscapeViewer();
    void UnregisterNetscapeViewer();
    void RegisterZipAssociation();
    void UnregisterZipAssociation();
    void ShowOptionsDialog();
    void Options1Click();

    // The wizard and the Help menu.
    void WizardAddButClick();
    void FileInfo1Click();
    void Contents1Click();
    void Readmetxt1Click();
    void TolvekHomePage1Click();
    void LatestVersion1Click();
    void SendUsYourComments1Click();
    void About1Click();

    // Program-wide state.
    std::string TempDir;
    bool ChoiceShown = false;
    std::string CurrentArchive;
    std::string HelpFile;
    std::string IniFileName;
    // The settings' in-memory copies.
    bool AutoMove = true;
    std::string DownloadDir = "c:\\download";
    bool Netscape = true;
    bool IE = true;
    bool AutoRun = true;
    bool AutoExit = true;
    SettingsFile Settings{""};
    std::string RecentFiles[4];
    std::int32_t ListColor = colours::clWindow; // the list colour in the settings' encoding

    TZipMaster ZipMaster1;
    // The sort keys in display order, each the index of its entry in SortRows' entries (the
    // component's); a key's text is made from its entry when keys are compared by name.
    std::vector<std::uint32_t> SortKeys;
    // 64-bit, so that ratios beyond 32 bits sort as they are shown.
    std::vector<std::int64_t> SortValues;
    std::string SortColumn;
    // Sums of the entries' sizes in 64 bits, so archives above 2 GiB show their real totals.
    std::int64_t TotalPacked = 0;
    std::int64_t TotalSize = 0;
    // The progress bar's scale for Extract All, taken from TotalSize: 64-bit, since a total that
    // wrapped above 2 GiB would leave the bar still.
    std::int64_t ListingTotal = 0;
    listing::ListingRows SortRows; // the entries the keys name, and the rows the list shows
    listing::NameOrder KeyOrder;   // the name order of those entries' keys

    // Progress counters.
    std::int64_t ProgressTotal = 0;
    double BytesDone = 0;
    std::int32_t CurrentSize = 0;
    std::int32_t StepCount = 0;
    double LastShown = 0;

    // Controls (designed names).
    platform::ui::ListView* ListView1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QToolButton* CancelButton = nullptr; // shown while an engine call runs
    QShortcut* CancelShortcut = nullptr; // Escape, enabled while an engine call runs
    // Asks the running engine call to stop (the Cancel button and Escape).
    void CancelEngineCall();
    QMenu* PopupMenu1 = nullptr;
    TPathDialog* PathDialog1 = nullptr;
    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString& text);
    QToolButton* Button(const char* name) const;
    QAction* Item(const char* name) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Runs one engine call of this window: while it runs, archive commands are ignored and a
    // close waits for its end; the engine's error messages of the call are shown afterwards.
    void EngineCall(const std::function<void()>& call);
    void ZipMaster1Message(std::int32_t errCode, const std::string& message);
    void ShowEngineMessages();
    // Runs work, whose engine calls keep what the engine reported for the caller instead of
    // showing it; returns that (nothing when a call was cancelled).
    std::vector<EngineNote> KeepingEngineNotes(const std::function<void()>& work);
    // The folder picked in the extract-to window (opened at the download folder); nothing when
    // the archive has no entries or the window was cancelled.
    std::optional<std::string> ChooseExtractFolder();
    // The folder exists (the temp folder is made when missing); otherwise says so.
    bool BaseFolderReady(const std::string& baseDir);
    // Whether an extraction into baseDir, or a test without it, may go ahead; says why not.
    bool ExtractionAllowed(const std::optional<std::string>& baseDir);
    // Extracts FSpecArgs into baseDir with the folders of the entries, replacing files; asks
    // for the password first when they include an encrypted entry. Refuses, saying why, an
    // archive that changed on disk since it was listed, and an extraction into the temp folder
    // that would write into a folder there that another user owns or could change.
    void ExtractInto(const std::string& baseDir);
    // Extracts FSpecArgs into baseDir as ExtractInto does once the folder is there, or tests
    // them without baseDir.
    void Unpack(const std::optional<std::string>& baseDir);
    // Runs extract, then gives for each entry name its file below the temp folder when this
    // extraction wrote it there, reporting the entries that it did not (unless the extraction
    // was refused or cancelled: then nothing more is said).
    std::vector<std::optional<UsableFile>> ExtractForUse(const std::vector<std::string>& names,
                                                         const std::function<void()>& extract);
    // Wraps a command handler so that it does nothing while an engine call runs.
    std::function<void()> WhenIdle(std::function<void()> handler);

    void BuildToolbar();
    void BuildStatusBar();
    void BuildMenus();
    void BuildPopupMenu();
    void ConnectHandlers();
    // Tells the wizard's pages and the about window what they need of this window.
    void LinkHelpAndWizard();
    void SetActivePictures(bool active);
    void EnableArchiveCommands(bool enabled);
    // Sets the style of the main list and the add window's lists, and ticks the style's item.
    void ApplyListStyle(int style, const char* item);
    std::vector<platform::ui::ListView*> AddWindowLists() const;
    // Reports a refused settings write; false then, so the command stops writing.
    bool Written(bool ok) const;

    std::map<std::string, QToolButton*> buttons_;
    std::map<std::string, QAction*> items_;
    QLabel* panels_[3] = {};
    bool shown_ = false;
    bool engineRunning_ = false;
    bool engineCancelled_ = false;
    bool closePending_ = false;
    // The selection changed since the listing selected its first row: the user chose the rows.
    bool rowsChosen_ = false;
    std::vector<EngineNote> engineNotes_; // what the engine reported during the call
    bool keepNotes_ = false;              // the notes are for the caller (KeepingEngineNotes)
    // The last ExtractInto refused the archive or read one that changed meanwhile, and said so,
    // or the user cancelled it (in the password box or during the engine call): none of what it
    // wrote is used, and nothing more is said.
    bool extractionStopped_ = false;
};
