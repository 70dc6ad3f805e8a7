// The creation wizard's file page.
#include "windows/Wizard3.h"

#include "engine/EngineReport.h"
#include "platform/WinPath.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ErrorBox.h"
#include "platform/ui/HourGlass.h"
#include "platform/ui/ListView.h"
#include "platform/ui/Pictures.h"
#include "platform/ui/SystemImageList.h"
#include "windows/PickedPaths.h"
#include "windows/Wizard1.h"
#include "windows/Wizard2.h"
#include "windows/Wizard4.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

namespace {

constexpr const char* kCompressNotice = "Now we are going to compress the files. Please wait!";
constexpr const char* kAddException = "Error in Add; Fatal DLL Exception in mainunit";

// What a failed add tells the user: the archive and the first of the engine's reports.
QString AddFailure(const std::string& archive, const std::vector<std::string>& errors) {
    QString text = QString::fromStdString("No files were added to " + archive + ".");
    if (!errors.empty())
        text += "\n" + QString::fromStdString(errors.front());
    if (errors.size() > 1)
        text += QString("\n... and %1 more").arg(errors.size() - 1);
    return text;
}

} // namespace

TWiz3::TWiz3(QWidget* parent)
    : WizardPage("TWiz3", "Pakrune Wizard (3/X)", false, false, parent), ZipMaster1(this) {
    auto* caption = new QLabel("Files to Add:", this);
    caption->setObjectName("Panel1");
    caption->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    caption->setAlignment(Qt::AlignCenter);
    caption->setGeometry(Design().Rect(8, 8, 123, 20));
    ListView1 = new platform::ui::ListView(this);
    ListView1->setObjectName("ListView1");
    ListView1->SetViewStyle(platform::ui::ListView::ViewStyle::Icon);
    ListView1->setGeometry(Design().Rect(8, 30, 123, 200));
    caption->setBuddy(ListView1);
    // Each path on one line under its icon, the whole width of the list; a path longer than that
    // keeps its end, the name.
    QAbstractItemView* icons = ListView1->CurrentView();
    ListView1->SetIconCellWidth(ListView1->width() - 2 * icons->frameWidth() -
                                icons->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    ListView1->SetIconCaptionWrap(false);
    icons->setTextElideMode(Qt::ElideLeft);

    AddTitle("Label1", "2) Add files to compress", 144, 8);
    AddTextBox(
        "Memo1",
        {"Now that we have created an empty ", "Zip-file, we want to add the file(s) we wish ",
         "to compress. To do this, click on \"Add Files\" ",
         "below. In the window that pops up you ", "should select one or several (using <SHIFT> ",
         "or <CTRL>) files that you wish to add."},
        QRect(144, 34, 240, 82));
    AddTextBox("Memo2",
               {"Notice that the files you've selected will ",
                "remain as they are. We simply copy them ", "into the Zip-File."},
               QRect(144, 120, 240, 42));
    BitBtn1 = AddButton("BitBtn1", "Add Files", QRect(144, 166, 90, 25));
    BitBtn1->setIcon(platform::ui::Picture(":/toolbar/add.png"));
    BitBtn2 = AddButton("BitBtn2", "Clear List", QRect(242, 166, 90, 25));
    BitBtn2->setIcon(platform::ui::Picture(":/toolbar/delete.png"));
    BitBtn2->setEnabled(false);
    AddBullet("Shape1", 144, 201);
    AddTextBox("Memo3",
               {"If you're finished adding files, press \"Next\" ", "to compress the files."},
               QRect(160, 198, 224, 30));
    const FootButtons foot = AddFootButtons(true);
    Button1 = foot.close;
    Button3 = foot.back;
    Button2 = foot.next;
    Button2->setEnabled(false);

    ZipMaster1.AddCompLevel = 9;
    ZipMaster1.Verbose = false;
    ZipMaster1.Trace = false;
    // Kept so that a failed add can say why.
    ZipMaster1.OnMessage = [this](TZipMaster*, std::int32_t errCode, const std::string& message) {
        if (errCode >= kMsgNotFound)
            engineErrors_.push_back(message);
    };

    using platform::ui::ConnectCommand;
    ConnectCommand(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    ConnectCommand(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    ConnectCommand(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    ConnectCommand(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    ConnectCommand(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

void TWiz3::BitBtn1Click() {
    if (PickFiles()) {
        Button2->setEnabled(true);
        BitBtn2->setEnabled(true);
    }
}

void TWiz3::BitBtn2Click() {
    ListBox1.clear();
    ListView1->Clear();
    Button2->setEnabled(false);
    BitBtn2->setEnabled(false);
}

void TWiz3::Button1Click() {
    EndModal();
    links_.wiz2->EndModal();
    links_.wiz1->EndModal();
}

void TWiz3::Button3Click() {
    GoBack(links_.wiz2);
    BitBtn2Click();
}

void TWiz3::Button2Click() {
    ZipMaster1.SetZipFilename(*links_.currentArchive);
    platform::ui::ShowMessage(kCompressNotice);
    if (!CompressFiles())
        return; // the user may pick again, or close
    hide();
    links_.wiz1->EndModal();
    links_.wiz2->EndModal();
    EndModal();
    platform::ui::ShowMessage(
        QString("CONGRATULATIONS! %1 files were successfully added").arg(ZipMaster1.ResultCount()));
    links_.wiz4->ShowModal();
}

bool TWiz3::PickFiles() {
    platform::ui::FileDialogOptions options;
    options.title = "Add files to Zip...";
    options.filter = "All Files (*.*)|*.*";
    options.initialDir = "c:\\";
    options.fileMustExist = true;
    options.pathMustExist = true;
    options.hideReadOnly = true;
    const auto files = platform::ui::OpenFileNames(options);
    if (!files)
        return false;
    bool added = false;
    for (const std::string& file : *files) {
        // A path picked again in another letter case is skipped, unless it names a file of its
        // own (README.txt beside readme.txt): both are added then.
        if (std::any_of(ListBox1.begin(), ListBox1.end(), [&file](const QString& listed) {
                return SamePickedPath(listed.toStdString(), file);
            }))
            continue;
        // The path as chosen: in lower case it could name another file on a disk that tells
        // letter case apart.
        ListBox1.append(QString::fromStdString(file));
        AddFileItem(file);
        added = true;
    }
    return added;
}

void TWiz3::AddFileItem(const std::string& path) {
    const auto info = platform::ui::GetShellFileInfo(
        path, platform::ui::SHGFI_SYSICONINDEX | platform::ui::SHGFI_USEFILEATTRIBUTES);
    ListView1->AddRow(
        {info ? info->iconIndex : -1, QString::fromStdString(win::LowerCase(path)), {}});
}

bool TWiz3::CompressFiles() {
    const std::string archive = ZipMaster1.ZipFilename();
    if (archive.empty())
        return false;
    ZipMaster1.AddOptions = AddDirNames | AddRecurseDirs;
    ZipMaster1.FSpecArgs.clear();
    for (const QString& path : ListBox1)
        ZipMaster1.FSpecArgs.push_back(path.toStdString());
    engineErrors_.clear();
    bool raised = false;
    {
        const platform::ui::HourGlass busy;
        try {
            ZipMaster1.Add();
        } catch (const std::exception&) {
            raised = true;
        }
    }
    if (raised) {
        platform::ui::ShowMessage(kAddException);
        return false;
    }
    // The engine's count starts at 0 for every call: 0 means nothing was added.
    if (ZipMaster1.ResultCount() == 0) {
        platform::ui::ShowMessage(AddFailure(archive, engineErrors_));
        return false;
    }
    BitBtn2Click();
    return true;
}
