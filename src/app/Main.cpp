// TMainForm: creation, showing, opening an archive with the download hand-off, and the caption.
#include "app/Main.h"

#include "app/CommandLine.h"
#include "app/Forms.h"
#include "app/untEvent.h"
#include "controls/PathDialog.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/OwnedFiles.h"
#include "platform/PathMap.h"
#include "platform/Registry.h"
#include "platform/SharedTemp.h"
#include "platform/Volumes.h"
#include "platform/WinPath.h"
#include "platform/ui/DesignScale.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ErrorBox.h"
#include "platform/ui/Form.h"
#include "platform/ui/HourGlass.h"
#include "platform/ui/ListView.h"
#include "platform/ui/Pictures.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCloseEvent>
#include <QItemSelectionModel>
#include <QMenuBar>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <optional>

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent), ZipMaster1(this) {
    setObjectName("MainForm");
    setWindowTitle("Pakrune ");
    QFont font("Arial");
    font.setPixelSize(11);
    setFont(font);
    BuildToolbar();
    BuildStatusBar();
    BuildMenus();
    BuildPopupMenu();
    ConnectHandlers();
    // A keyboard starts in the list: its entries, and what its keys do (View needs its focus).
    ListView1->setFocus();
    PathDialog1 = new TPathDialog(this);
    PathDialog1->setObjectName("PathDialog1");
    PathDialog1->Title = "Extract to:";
    const platform::ui::DesignScale design;
    resize(design.X(576), design.Y(413) + menuBar()->sizeHint().height());
    // The toolbar's buttons side by side, none over another, above a few rows of the list.
    setMinimumSize(centralWidget()->minimumSizeHint().width(), design.Y(200));
    FormCreate();
}

TMainForm::~TMainForm() {
    FormDestroy();
}

void TMainForm::FormCreate() {
    char program[win::MAX_PATH] = {};
    win::GetModuleFileNameA(nullptr, program, sizeof program);
    HelpFile = win::ChangeFileExt(program, ".hlp");
    FindTempFolder();
    IniFileName = win::ChangeFileExt(program, ".ini");
    Settings = SettingsFile(IniFileName);
    ChoiceShown = false;
}

void TMainForm::FormsCreated() {
    auto* choice = AppForms().EventForm;
    choice->OnAutoInstall = [this] { AutoInstall(); };
    choice->OnExtractAll = [this] { ExtractAllWithChoice(); };
    LinkHelpAndWizard();
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    platform::ui::CentreOnScreen(this); // as designed; the stored position is applied afterwards
    // The first showing's work runs once the window is on screen and the message loop runs.
    QTimer::singleShot(0, this, platform::ui::Guarded([this] { FormShow(); }));
}

void TMainForm::FormShow() {
    SortKeys.clear();
    SortValues.clear();
    LoadSettings();
    UpdateRecentFilesMenu();
    Button("SpeedButton4")->setIcon(platform::ui::Picture(":/toolbar/view-grey.png"));
    ApplyBrowserIntegration();
    ZipMaster1.LoadUnzEngine();
    if (app::ParamCount() >= 1)
        OpenArchive(app::ParamStr(1));
}

void TMainForm::FormDestroy() {
    SaveRecentFiles();
}

namespace {

// A registry text value read whole, whatever its length: plain text as it stands, expandable text
// with its %NAME% references expanded. Empty when the value is missing; nothing when it exists
// but is not text.
std::optional<std::string> ReadTextValue(win::HKEY key, const char* name) {
    win::DWORD type = 0, size = 0;
    const win::LONG rc = win::RegQueryValueExA(key, name, &type, nullptr, &size);
    if (rc == win::ERROR_FILE_NOT_FOUND)
        return std::string();
    if (rc != win::ERROR_SUCCESS || (type != win::REG_SZ && type != win::REG_EXPAND_SZ))
        return std::nullopt;
    std::string value(size, '\0');
    if (win::RegQueryValueExA(key, name, &type, reinterpret_cast<win::BYTE*>(value.data()),
                              &size) != win::ERROR_SUCCESS)
        return std::nullopt;
    value.resize(std::min<std::size_t>(value.find('\0'), size)); // up to the terminating NUL
    return type == win::REG_EXPAND_SZ ? win::ExpandEnvironmentStrings(value) : value;
}

} // namespace

void TMainForm::FindTempFolder() {
    win::HKEY key = nullptr;
    std::optional<std::string> winDir = std::string();
    if (win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE,
                             "Software\\Microsoft\\Windows\\CurrentVersion\\Setup", &key,
                             nullptr) == win::ERROR_SUCCESS) {
        winDir = ReadTextValue(key, "WinDir");
        win::RegCloseKey(key);
    }
    if (winDir) {
        TempDir = *winDir + "\\Temp";
    } else {
        // The value is there but is not text: the program's own folder instead.
        char program[win::MAX_PATH] = {};
        win::GetModuleFileNameA(nullptr, program, sizeof program);
        const std::string folder = win::ExtractFilePath(program);
        TempDir = folder.substr(0, folder.size() - 1);
    }
}

void TMainForm::OpenArchive(std::string path) {
    MoveDownloadToFolder(path);
    {
        platform::ui::HourGlass busy;
        try {
            ZipMaster1.SetZipFilename(path);
        } catch (...) {
            UpdateCaption();
            throw; // the read error reaches the caller; nothing more is offered
        }
    }
    UpdateCaption();
    if (app::ParamCount() >= 1 && !ChoiceShown) {
        AppForms().EventForm->ShowModal();
        ChoiceShown = true;
    } else if (AutoRun && !FindSetupEntry().empty()) {
        AutoInstall();
    }
}

void TMainForm::MoveDownloadToFolder(std::string& path) {
    if (!AutoMove)
        return;
    // A download that the browser left in a temporary folder: a path that says so, or one in
    // the host's shared temporary folder (/tmp), whose Windows path need not say so.
    if (win::LowerCase(path).find("temp") == std::string::npos &&
        !platform::InSharedTempFolder(path))
        return;
    const std::string target = DownloadDir + "\\" + win::ExtractFileName(path);
    // A path naming no file is opened as it is, and says so there.
    if (target == path || !platform::FileExists(path))
        return;
    const QString failed =
        QString::fromStdString("Unable to move file to directory : " + DownloadDir);
    try {
        if (!DirExists(DownloadDir) && platform::ui::Confirm(QString::fromStdString(
                                           "Download directory " + DownloadDir +
                                           " does not exist. Do you want to create it ?")))
            win::CreateDirectoryA(DownloadDir.c_str(), nullptr);
        // Only the user's own file moves. Another user's stays theirs, and the user works on a
        // copy of their own, which nobody else can change once it is listed. Neither replaces a
        // file already in the download folder.
        const auto host = platform::HostPathOf(path);
        const bool handedOver = host && platform::BelongsToUser(*host)
                                    ? win::MoveFileA(path.c_str(), target.c_str())
                                    : win::CopyFileA(path.c_str(), target.c_str(), win::TRUE);
        if (handedOver)
            path = target;
        else // listed where it lies, which the user must know
            platform::ui::ShowMessage(failed);
    } catch (const std::exception&) {
        platform::ui::ShowMessage(failed);
    }
}

void TMainForm::UpdateCaption() {
    CurrentArchive = ZipMaster1.ZipFilename();
    SetPanelText(0, "Filename: " + QString::fromStdString(CurrentArchive));
    SetPanelText(1, ZipMaster1.Count() != 0 ? "Files in Zip: " + QString::number(ZipMaster1.Count())
                                            : QString("Files in Zip: <none>"));
    setWindowTitle("Pakrune - " + QString::fromStdString(win::ExtractFileName(CurrentArchive)));
}

void TMainForm::Open1Click() {
    platform::ui::FileDialogOptions options;
    options.title = "Open Existing ZIP File";
    options.filter = "Zip file (*.zip)|*.zip|All Zip files (*.zip, *.exe)|*.zip;*.exe";
    options.defaultExt = "zip";
    options.fileMustExist = true;
    options.pathMustExist = true;
    options.hideReadOnly = true;
    const auto file = platform::ui::OpenFileName(options);
    if (!file)
        return;
    OpenArchive(*file);
    try {
        BuildSortKeys();
        ComputeTotals();
        AddRecentFile(ZipMaster1.ZipFilename());
    } catch (const std::exception&) {
        // As designed: what goes wrong after the opening is not reported.
    }
}

void TMainForm::Exit1Click() {
    close();
}

std::function<void()> TMainForm::WhenIdle(std::function<void()> handler) {
    return [this, handler = std::move(handler)] {
        if (!engineRunning_)
            handler();
    };
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // The engine is reading the archive and writing files: the window closes when it is done.
    if (engineRunning_) {
        closePending_ = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TMainForm::ConnectHandlers() {
    using platform::ui::ConnectCommand;
    // Commands arrive also while an engine call lets the window process its messages; they are
    // ignored until the call has ended.
    auto onAction = [this](const char* name, std::function<void()> handler) {
        ConnectCommand(Item(name), &QAction::triggered, this, WhenIdle(std::move(handler)));
    };
    auto onButton = [this](const char* name, std::function<void()> handler) {
        ConnectCommand(Button(name), &QToolButton::clicked, this, WhenIdle(std::move(handler)));
    };
    ZipMaster1.OnDirUpdate = [this](TZipMaster*) { ZipMaster1DirUpdate(); };
    ZipMaster1.OnProgress = [this](TZipMaster*, ProgressType type, const std::string& name,
                                   std::int32_t size) { ZipMaster1Progress(type, name, size); };
    ZipMaster1.OnMessage = [this](TZipMaster*, std::int32_t errCode, const std::string& message) {
        ZipMaster1Message(errCode, message);
    };
    ListView1->SetDragSource([this](const std::vector<int>& rows) { return DragRowsOut(rows); });
    connect(ListView1->CurrentView()->selectionModel(), &QItemSelectionModel::selectionChanged,
            this, [this] { rowsChosen_ = true; });
    // Not through the idle guard: these act only while an engine call runs.
    ConnectCommand(CancelButton, &QToolButton::clicked, this, [this] { CancelEngineCall(); });
    CancelShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    CancelShortcut->setEnabled(false); // Escape belongs to other windows outside engine calls
    ConnectCommand(CancelShortcut, &QShortcut::activated, this, [this] { CancelEngineCall(); });
    onAction("Open1", [this] { Open1Click(); });
    onButton("SpeedButton1", [this] { Open1Click(); });
    onAction("Exit1", [this] { Exit1Click(); });
    onAction("MarkeraAllt1", [this] { MarkeraAllt1Click(); });
    onAction("List1", [this] { List1Click(); });
    onAction("Full1", [this] { Full1Click(); });
    onAction("Icons1", [this] { Icons1Click(); });
    onAction("SmallIcons1", [this] { SmallIcons1Click(); });
    onAction("New1", [this] { NewZipButClick(); });
    onButton("NewZipBut", [this] { NewZipButClick(); });
    onAction("AddToZip1", [this] { AddZipButClick(); });
    onButton("AddZipBut", [this] { AddZipButClick(); });
    onAction("DeleteFromZip1", [this] { DeleteFromZipButClick(); });
    onButton("DeleteFromZipBut", [this] { DeleteFromZipButClick(); });
    onAction("ConvertZiptoexe1", [this] { ConvertZiptoexe1Click(); });
    onAction("SaveAs1", [this] { SaveAs1Click(); });
    onAction("CloseArchive1", [this] { CloseArchive1Click(); });
    onAction("DeleteArchive1", [this] { DeleteArchive1Click(); });
    onAction("ExtractSelected1", [this] { btnExtractSelectedClick(); });
    onAction("ExtractSelectedFiles1", [this] { btnExtractSelectedClick(); });
    onButton("SpeedButton5", [this] { btnExtractSelectedClick(); });
    onAction("ExtractAll1", [this] { btnExtractAllClick(); });
    onAction("ExtractAllFiles1", [this] { btnExtractAllClick(); });
    onButton("SpeedButton6", [this] { btnExtractAllClick(); });
    onAction("Test1", [this] { Test1Click(); });
    onAction("ViewSelected1", [this] { btnViewSelectedClick(); });
    onAction("ViewSelected2", [this] { btnViewSelectedClick(); });
    onButton("SpeedButton4", [this] { btnViewSelectedClick(); });
    onAction("Install1", [this] { btnInstallClick(); });
    onButton("SpeedButton2", [this] { btnInstallClick(); });
    onButton("SpeedButton3", [this] { SpeedButton3Click(); });
    onAction("Run1", [this] { SpeedButton3Click(); });
    for (int slot = 0; slot < 4; ++slot)
        onAction(("LastZip" + std::to_string(slot + 1)).c_str(),
                 [this, slot] { LastZipClick(slot); });
    onAction("SaveSettings1", [this] { SaveSettings1Click(); });
    onAction("Savewindowpos1", [this] { Savewindowpos1Click(); });
    onAction("SaveColumnwidth1", [this] { SaveColumnwidth1Click(); });
    onAction("Font1", [this] { Font1Click(); });
    onAction("BackgroundColor1", [this] { BackgroundColor1Click(); });
    onAction("GridLines1", [this] { GridLines1Click(); });
    onAction("Options1", [this] { Options1Click(); });
    onButton("SpeedButton7", [this] { Options1Click(); });
    onButton("WizardAddBut", [this] { WizardAddButClick(); });
    onAction("Wizard1", [this] { WizardAddButClick(); });
    onAction("FileInfo1", [this] { FileInfo1Click(); });
    onAction("Contents1", [this] { Contents1Click(); });
    onButton("SpeedButton8", [this] { Contents1Click(); });
    onAction("Readmetxt1", [this] { Readmetxt1Click(); });
    onAction("TolvekHomePage1", [this] { TolvekHomePage1Click(); });
    onAction("LatestVersion1", [this] { LatestVersion1Click(); });
    onAction("SendUsYourComments1", [this] { SendUsYourComments1Click(); });
    onButton("SpeedButton11", [this] { SendUsYourComments1Click(); });
    onAction("About1", [this] { About1Click(); });
    const char* const toggles[] = {"Size1", "DateTime1", "Ratio1", "PackedSize1", "Path1"};
    for (int column = 1; column <= 5; ++column)
        onAction(toggles[column - 1], [this, column] { ColumnToggleClick(column); });
    ConnectCommand(ListView1, &platform::ui::ListView::columnClicked, this,
                   [this](int column) { ListView1ColumnClick(column); });
    ConnectCommand(ListView1, &platform::ui::ListView::doubleClicked, this,
                   WhenIdle([this] { ListView1DblClick(); }));
    ConnectCommand(ListView1, &platform::ui::ListView::keyPressed, this,
                   [this](int key, Qt::KeyboardModifiers) { ListView1KeyDown(key); });
}
