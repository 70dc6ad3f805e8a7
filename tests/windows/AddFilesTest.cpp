// The add-files window in the running program: listing the tree's folder, picking files by
// button, drag and drop, adding folders, removing, and what OK and Cancel hand to the add command.
// Desktop drops are simulated by sending the drag-enter and drop events a desktop drag brings.
#include "MainFormTest.h"
#include "RunTool.h"

#include "controls/DirTree.h"
#include "controls/FileDrop.h"
#include "platform/Files.h"
#include "platform/ui/ListView.h"
#include "platform/ui/SystemImageList.h"
#include "windows/AddFilesToZip.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <filesystem>

using namespace testing_support;
using Paths = std::vector<std::string>;

namespace {

class AddFiles : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        // C:\A holds two files and a folder; it exists before the tree first reads drive C:.
        WriteHostFile(DriveC() + "/A/Readme.TXT", "hello");
        WriteHostFile(DriveC() + "/A/b.bin", std::string(1234, 'b'));
        std::filesystem::create_directories(DriveC() + "/A/Sub");
        Start();
        window = AppForms().Addform;
    }
    void TearDown() override {
        window = nullptr;
        MainFormTest::TearDown();
    }

    // The tree opens the folder, as a click on it would.
    void OpenFolder(const std::string& path) const { window->DirTree1->OpenPath(path); }
    // Selects exactly these rows of a list.
    static void Select(platform::ui::ListView* list, const std::vector<int>& rows) {
        for (int row = 0; row < list->RowCount(); ++row)
            list->SetSelected(row, std::find(rows.begin(), rows.end(), row) != rows.end());
    }
    // Selects exactly the file list's rows of these names.
    void SelectFiles(const QStringList& names) const {
        const platform::ui::ListView* files = window->AddListView1;
        std::vector<int> rows;
        for (int row = 0; row < files->RowCount(); ++row)
            if (names.contains(files->Cell(row, 0)))
                rows.push_back(row);
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(names.size()));
        Select(window->AddListView1, rows);
    }
    static QStringList Column(const platform::ui::ListView* list, int column) {
        QStringList texts;
        for (int row = 0; row < list->RowCount(); ++row)
            texts << list->Cell(row, column);
        return texts;
    }
    QStringList Selection() const { return Column(window->AddListView2, 0); }
    QStringList Sizes() const { return Column(window->AddListView2, 1); }
    Paths PathList() const { return window->ListBox1->Items(); }

    // Drops these host files from the desktop onto a control; true when the drop was taken.
    static bool DropFiles(QWidget* target, const std::vector<std::string>& hostPaths) {
        QList<QUrl> urls;
        for (const std::string& path : hostPaths)
            urls << QUrl::fromLocalFile(QString::fromStdString(path));
        QMimeData data;
        data.setUrls(urls);
        return SendDrop(target, data);
    }
    static bool SendDrop(QWidget* target, const QMimeData& data) {
        QDragEnterEvent enter({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }
    // The view a drag out of the file list starts from.
    QAbstractItemView* FileListView() const { return window->AddListView1->CurrentView(); }

    TAddform* window = nullptr;
};

QColor WindowColour(const QWidget* widget) {
    return widget->palette().color(QPalette::Window);
}
QColor TextColour(const QWidget* widget) {
    return widget->palette().color(QPalette::WindowText);
}

} // namespace

TEST_F(AddFiles, TheControlsAreFoundByTheirNamesAndLaidOutAsDesigned) {
    EXPECT_EQ(window->windowTitle(), "Add files to ZIP");
    EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::CustomizeWindowHint);
    for (const char* name :
         {"Panel2",        "Splitter2",    "Panel4",    "Panel6",       "Panel7",
          "PathLabel1",    "PathLabel2",   "DirTree1",  "AddListView1", "AddListView2",
          "RecurseCB",     "DirnameCB",    "EncryptCB", "AddFilesbtn",  "AddDirbtn",
          "RemoveItembtn", "RemoveAllBut", "BitBtn1",   "BitBtn2",      "ListBox1",
          "FileDrop1"})
        EXPECT_NE(window->findChild<QObject*>(name), nullptr) << name;

    window->show();
    EXPECT_TRUE(window->RecurseCB->isVisible());
    // "Protect With Password", unticked, the last of the three boxes, whole inside their group.
    QCheckBox* protect = window->EncryptCB;
    EXPECT_TRUE(protect->isVisible());
    EXPECT_FALSE(protect->isChecked());
    EXPECT_EQ(protect->text(), "Protect With Password");
    EXPECT_EQ(protect->parentWidget(), window->DirnameCB->parentWidget());
    EXPECT_GT(protect->y(), window->DirnameCB->y());
    EXPECT_TRUE(protect->parentWidget()->rect().contains(protect->geometry()));
    EXPECT_GE(protect->height(), protect->sizeHint().height());
    // The panes' bottom panels grew alike to hold it, so their lists still end level.
    EXPECT_EQ(window->findChild<QWidget*>("AddButtonsPanel")->height(),
              window->findChild<QWidget*>("SelectionButtonsPanel")->height());
    EXPECT_EQ(window->Panel2->width(), 321);
    EXPECT_EQ(window->FileDrop1->DropControl(), window->AddListView2);
    EXPECT_TRUE(window->FileDrop1->EnableDrop());
}

TEST_F(AddFiles, ShowingNamesTheArchiveAndTheFolderAndMakesTheLeftPaneActive) {
    window->SetArchive("C:\\Data\\My Tools.ZIP"); // as the add command hands it over
    window->show();
    EXPECT_EQ(window->windowTitle(), "Adding files to zip - My Tools.ZIP");
    EXPECT_EQ(window->PathLabel2->text(), "Zip-file:  my tools.zip");
    EXPECT_EQ(window->PathLabel1->text(), "c:\\");
    EXPECT_TRUE(window->LeftHeaderActive());
    EXPECT_EQ(WindowColour(window->Panel6), QColor(0, 0, 128)); // clNavy
    EXPECT_EQ(TextColour(window->PathLabel1), QColor(Qt::white));
    EXPECT_EQ(WindowColour(window->Panel7), window->palette().color(QPalette::Button));
    EXPECT_EQ(TextColour(window->PathLabel2), QColor(Qt::black));

    // A click in the selection makes its header active, one in the file list or the tree the left.
    QTest::mouseClick(window->AddListView2->CurrentView()->viewport(), Qt::LeftButton);
    EXPECT_FALSE(window->LeftHeaderActive());
    EXPECT_EQ(WindowColour(window->Panel7), QColor(0, 0, 128));
    EXPECT_EQ(TextColour(window->PathLabel1), QColor(Qt::black));
    QTest::mouseClick(FileListView()->viewport(), Qt::LeftButton, {}, {5, 200});
    EXPECT_TRUE(window->LeftHeaderActive());
    QTest::mouseClick(window->AddListView2->CurrentView()->viewport(), Qt::LeftButton);
    QTest::mouseClick(window->DirTree1->viewport(), Qt::LeftButton);
    EXPECT_TRUE(window->LeftHeaderActive());
}

TEST_F(AddFiles, InADarkPaletteTheInactiveHeaderKeepsItsLabelReadable) {
    QPalette dark = window->palette();
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::Button, QColor(53, 53, 53));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    window->setPalette(dark);
    window->show();
    // The active header as designed, navy with white; the inactive one on the dark button face
    // with the palette's light text instead of the designed black.
    EXPECT_EQ(WindowColour(window->Panel6), QColor(0, 0, 128));
    EXPECT_EQ(TextColour(window->PathLabel1), QColor(Qt::white));
    EXPECT_EQ(WindowColour(window->Panel7), QColor(53, 53, 53));
    EXPECT_EQ(TextColour(window->PathLabel2), QColor(230, 230, 230));
    QTest::mouseClick(window->AddListView2->CurrentView()->viewport(), Qt::LeftButton);
    EXPECT_EQ(TextColour(window->PathLabel1), QColor(230, 230, 230));
    EXPECT_EQ(TextColour(window->PathLabel2), QColor(Qt::white));
}

TEST_F(AddFiles, TheFileListHoldsTheFolderFilesInLowerCaseWithTheirSizes) {
    WriteHostFile(DriveC() + "/A/Hidden.dat", "12");
    ASSERT_TRUE(win::SetFileAttributesA("C:\\A\\Hidden.dat", win::FILE_ATTRIBUTE_HIDDEN));
    // Beyond 4 GB the size is shown whole (the file is sparse).
    WriteHostFile(DriveC() + "/A/huge.iso", "");
    std::filesystem::resize_file(DriveC() + "/A/huge.iso", 5'000'000'000);
    OpenFolder("C:\\A\\");
    EXPECT_EQ(window->PathLabel1->text(), "c:\\a\\");
    const platform::ui::ListView* files = window->AddListView1;
    EXPECT_EQ(Column(files, 0),
              (QStringList{"b.bin", "hidden.dat", "huge.iso", "readme.txt"})); // no folder
    EXPECT_EQ(Column(files, 1), (QStringList{"1234", "2", "5000000000", "5"}));
    auto& images = platform::ui::SystemImageList::Instance();
    EXPECT_EQ(files->Row(3).imageIndex, images.IndexOfFileName("readme.txt"));

    // A folder that went away lists nothing, as does no selection at all.
    std::filesystem::remove_all(DriveC() + "/A");
    window->DirTree1Click();
    EXPECT_EQ(files->RowCount(), 0);
    OpenFolder("C:\\");
    window->DirTree1->setCurrentItem(nullptr);
    window->DirTree1->clearSelection();
    window->FillFileList();
    EXPECT_EQ(files->RowCount(), 0);
}

TEST_F(AddFiles, AFileIsAddedOnceWhetherByButtonDragOrDropInAnyLetterCase) {
    window->show();
    OpenFolder("C:\\A\\");
    SelectFiles({"readme.txt"});
    window->AddFilesbtnClick();
    // The path names the file as the disk calls it; the row shows it in lower case.
    EXPECT_EQ(PathList(), Paths{"C:\\A\\Readme.TXT"});
    EXPECT_EQ(Selection(), QStringList{"c:\\a\\readme.txt"});
    EXPECT_EQ(Sizes(), QStringList{"5"});
    EXPECT_TRUE(window->AddListView1->SelectedRows().empty()) << "the button deselects";

    // Dragged again with another file: the rows stay selected, nothing is added twice.
    SelectFiles({"b.bin", "readme.txt"});
    window->AddListView2DragDrop(FileListView());
    EXPECT_EQ(PathList(), (Paths{"C:\\A\\Readme.TXT", "C:\\A\\b.bin"}));
    EXPECT_EQ(window->AddListView1->SelectedRows().size(), 2u);
    window->AddListView1DblClick();
    EXPECT_EQ(window->AddListView2->RowCount(), 2);

    // Dropped from the desktop in its stored case, with a new file twice in one drop.
    WriteHostFile(DriveC() + "/Other/New.Txt", "n");
    ASSERT_TRUE(
        DropFiles(window->AddListView2, {DriveC() + "/A/Readme.TXT", DriveC() + "/Other/New.Txt",
                                         DriveC() + "/Other/New.Txt"}));
    EXPECT_EQ(PathList(), (Paths{"C:\\A\\Readme.TXT", "C:\\A\\b.bin", "C:\\Other\\New.Txt"}));
    EXPECT_EQ(Selection(),
              (QStringList{"c:\\a\\readme.txt", "c:\\a\\b.bin", "C:\\Other\\New.Txt"}));
    EXPECT_EQ(Sizes(), (QStringList{"5", "1234", "???"}));
    EXPECT_EQ(window->AddListView2->Row(2).imageIndex,
              platform::ui::SystemImageList::Instance().IndexOfFileName("new.txt"));

    // Dropped first, then picked: the button finds it.
    window->RemoveAllButClick();
    ASSERT_TRUE(DropFiles(window->AddListView2, {DriveC() + "/A/Readme.TXT"}));
    SelectFiles({"readme.txt"});
    window->AddFilesbtnClick();
    EXPECT_EQ(PathList(), Paths{"C:\\A\\Readme.TXT"});
    EXPECT_EQ(Sizes(), QStringList{"???"});
    // A path in another letter case that names the same file is the same path.
    EXPECT_EQ(window->ListBox1->IndexOf("c:\\a\\README.txt"), 0);
    EXPECT_EQ(window->ListBox1->IndexOf("c:\\a\\readme.txt\\x"), -1);
}

// On a disk that tells letter case apart, files and folders whose names differ only in case are
// each picked, listed in the path list as the disk calls them, and added with their own bytes.
TEST_F(AddFiles, EachCaseTwinIsPickedAndAddedAsItself) {
    WriteHostFile(DriveC() + "/T/README.txt", "upper");
    WriteHostFile(DriveC() + "/T/readme.txt", "lower");
    WriteHostFile(DriveC() + "/T/Docs/guide.txt", "in Docs");
    WriteHostFile(DriveC() + "/T/DOCS/guide.txt", "in DOCS");
    WriteArchive(DriveC() + "/t.zip", {{"old.txt", "old"}});
    main->OpenArchive("C:\\t.zip");
    window->DirTree1->Reload(); // the folders came after the tree read drive C:

    dialogs->Act([this](QWidget*) {
        OpenFolder("C:\\T\\");
        EXPECT_EQ(Column(window->AddListView1, 0), (QStringList{"readme.txt", "readme.txt"}));
        Select(window->AddListView1, {0, 1});
        window->AddFilesbtnClick();
        // Dropping either again adds nothing.
        EXPECT_TRUE(DropFiles(window->AddListView2,
                              {DriveC() + "/T/readme.txt", DriveC() + "/T/README.txt"}));
        // Each folder twin from its own node.
        TTreeNode* parent = window->DirTree1->FindPathNode("C:\\T\\");
        for (int i = 0; parent && i < parent->Count(); ++i) {
            window->DirTree1->setCurrentItem(parent->Child(i));
            window->AddDirbtnClick();
        }
        EXPECT_EQ(PathList(), (Paths{"C:\\T\\README.txt", "C:\\T\\readme.txt", "C:\\T\\DOCS\\*.*",
                                     "C:\\T\\Docs\\*.*"}));
        EXPECT_EQ(Selection(), (QStringList{"c:\\t\\readme.txt", "c:\\t\\readme.txt",
                                            "c:\\t\\docs\\", "c:\\t\\docs\\"}));
        // Each twin is its own path, not a duplicate of the other.
        EXPECT_EQ(window->ListBox1->IndexOf("C:\\T\\readme.txt"), 1);
        EXPECT_EQ(window->ListBox1->IndexOf("C:\\t\\Docs\\*.*"), 3);
        window->DirnameCB->setChecked(true); // Save Path Info
        window->BitBtn1->click();
        return window->result();
    });
    main->AddZipButClick();
    const auto read = RunPython(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    print(*[i.filename + "=" + z.read(i).decode() for i in z.infolist()], sep="\n")
)",
                                {DriveC() + "/t.zip"});
    EXPECT_EQ(read.output, "old.txt=old\nT/README.txt=upper\nT/readme.txt=lower\n"
                           "T/DOCS/guide.txt=in DOCS\nT/Docs/guide.txt=in Docs\n");
}

TEST_F(AddFiles, OnlyRowsDraggedFromTheFileListAreTaken) {
    OpenFolder("C:\\A\\");
    window->AddListView1->SetSelected(1, true);
    // A drag starts from the file list's rows and carries their mark.
    QAbstractItemView* view = FileListView();
    ASSERT_TRUE(window->AddListView1->Model().flags(view->model()->index(1, 0)) &
                Qt::ItemIsDragEnabled);
    std::unique_ptr<QMimeData> data(
        window->AddListView1->Model().mimeData({view->model()->index(1, 0)}));
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(TAddform::FileRowsFormat));

    EXPECT_TRUE(window->AddListView2DragOver(view));
    EXPECT_TRUE(window->AddListView2DragOver(window->AddListView1));
    for (const QObject* other :
         {static_cast<QObject*>(window->AddListView2->CurrentView()),
          static_cast<QObject*>(window->DirTree1), static_cast<QObject*>(main->ListView1),
          static_cast<QObject*>(nullptr)}) {
        EXPECT_FALSE(window->AddListView2DragOver(other));
        window->AddListView2DragDrop(other);
    }
    // The same mark from outside this program's lists (no source) is refused.
    EXPECT_FALSE(SendDrop(window->AddListView2, *data));
    EXPECT_EQ(window->ListBox1->Count(), 0);
    EXPECT_EQ(window->AddListView2->RowCount(), 0);
}

TEST_F(AddFiles, AddFolderTakesAFolderButNotADriveRoot) {
    window->show();
    AddCancelled = false;
    window->AddDirbtnClick(); // the tree is on c:\ .
    EXPECT_TRUE(AddCancelled);
    EXPECT_EQ(window->ListBox1->Count(), 0);
    EXPECT_EQ(window->AddListView2->RowCount(), 0);

    OpenFolder("C:\\A\\");
    window->AddDirbtnClick();
    window->AddDirbtnClick();
    EXPECT_EQ(PathList(), Paths{"C:\\A\\*.*"});
    EXPECT_EQ(Selection(), QStringList{"c:\\a\\"});
    EXPECT_EQ(Sizes(), QStringList{"<DIR>"});
    EXPECT_EQ(window->AddListView2->Row(0).imageIndex,
              platform::ui::SystemImageList::kClosedFolder);

    // A folder dropped from the desktop is a plain path, beside the folder's specification.
    ASSERT_TRUE(DropFiles(window->AddListView2, {DriveC() + "/A/Sub"}));
    EXPECT_EQ(PathList(), (Paths{"C:\\A\\*.*", "C:\\A\\Sub"}));
    EXPECT_EQ(Sizes(), (QStringList{"<DIR>", "???"}));
}

struct RemoveRow {
    std::vector<int> selected;
    Paths left;
};

TEST_F(AddFiles, RemoveSelectedTakesTheSameRowsFromBothLists) {
    const RemoveRow rows[] = {
        {{0, 2, 4}, {"C:\\f1", "C:\\f3"}},
        {{0, 1, 2}, {"C:\\f3", "C:\\f4"}},
        {{2, 3, 4}, {"C:\\f0", "C:\\f1"}},
        {{1, 3, 4}, {"C:\\f0", "C:\\f2"}},
    };
    std::vector<std::string> five;
    for (int i = 0; i < 5; ++i) {
        five.push_back(DriveC() + "/f" + std::to_string(i));
        WriteHostFile(five.back(), "x");
    }
    for (const RemoveRow& row : rows) {
        window->RemoveAllButClick();
        ASSERT_TRUE(DropFiles(window->AddListView2, five));
        Select(window->AddListView2, row.selected);
        window->RemoveItembtnClick();
        EXPECT_EQ(PathList(), row.left);
        EXPECT_EQ(Selection(), (QStringList{QString::fromStdString(row.left[0]),
                                            QString::fromStdString(row.left[1])}));
    }
    // A double-click in the selection removes the selected rows too.
    Select(window->AddListView2, {1});
    window->AddListView2DblClick();
    EXPECT_EQ(PathList(), Paths{rows[3].left[0]});
    EXPECT_EQ(window->AddListView2->RowCount(), 1);
    window->RemoveAllButClick();
    EXPECT_EQ(window->ListBox1->Count(), 0);
    EXPECT_EQ(window->AddListView2->RowCount(), 0);
}

TEST_F(AddFiles, CancelReportsCancelledAndTheNextShowingStartsEmpty) {
    window->show();
    OpenFolder("C:\\A\\");
    window->RecurseCB->setChecked(true);
    SelectFiles({"b.bin"});
    window->AddFilesbtnClick();
    ASSERT_EQ(window->ListBox1->Count(), 1);
    window->BitBtn2->click();
    EXPECT_TRUE(AddCancelled);
    EXPECT_FALSE(window->isVisible());

    // Shown again as the add command shows it; OK hands over nothing of the cancelled pick.
    AddCancelled = false;
    int seen = -1;
    dialogs->Act([&seen](QWidget* shown) {
        auto* add = static_cast<TAddform*>(shown);
        add->show();
        seen = add->ListBox1->Count() + add->AddListView2->RowCount();
        add->BitBtn1->click();
        return add->result();
    });
    EXPECT_EQ(window->ShowModal(), QDialog::Accepted);
    EXPECT_EQ(seen, 0);
    EXPECT_FALSE(AddCancelled);
    EXPECT_EQ(window->ListBox1->Count(), 0);
    EXPECT_TRUE(window->RecurseCB->isChecked()) << "the options keep their state";
    EXPECT_EQ(window->PathLabel1->text(), "c:\\a\\") << "and so does the tree";

    // Escape is Cancel.
    window->show();
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_TRUE(AddCancelled);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(AddFiles, ALongDroppedNameArrivesWhole) {
    const std::string name = std::string(196, 'n') + ".txt";
    WriteHostFile(DriveC() + "/" + name, "x");
    ASSERT_TRUE(DropFiles(window->AddListView2, {DriveC() + "/" + name}));
    EXPECT_EQ(PathList(), Paths{"C:\\" + name});
    EXPECT_EQ(Selection(), QStringList{QString::fromStdString("C:\\" + name)});
}

TEST_F(AddFiles, MovingTheDropControlMovesWhereFilesAreDropped) {
    WriteHostFile(DriveC() + "/one.txt", "1");
    WriteHostFile(DriveC() + "/two.txt", "2");
    window->FileDrop1->SetDropControl(window->AddListView1);
    ASSERT_TRUE(DropFiles(window->AddListView1, {DriveC() + "/one.txt"}));
    EXPECT_FALSE(DropFiles(window->AddListView2, {DriveC() + "/two.txt"}));
    EXPECT_EQ(PathList(), Paths{"C:\\one.txt"});
    EXPECT_EQ(Selection(), QStringList{"C:\\one.txt"});
    EXPECT_TRUE(window->AddListView2->acceptDrops()) << "rows from the file list are still taken";
}

TEST_F(AddFiles, TheListSettingsAndViewStylesReachBothLists) {
    WriteHostFile(DriveC() + "/Program Files/Pakrune/pakrune.ini",
                  "[Settings]\nFont=DejaVu Serif\nColor=clBlue\n");
    Restart();
    window = AppForms().Addform;
    for (platform::ui::ListView* list : {window->AddListView1, window->AddListView2}) {
        EXPECT_EQ(list->ListFont().family(), "DejaVu Serif");
        EXPECT_EQ(list->Color(), QColor(0, 0, 255));
    }
    EXPECT_NE(window->DirTree1->font().family(), "DejaVu Serif") << "the tree keeps its font";

    QFont chosen("DejaVu Sans Mono", 13);
    dialogs->Answer({.accepted = true, .font = chosen, .colour = QColor(Qt::darkGreen)});
    main->Font1Click();
    for (const platform::ui::ListView* list : {window->AddListView1, window->AddListView2})
        EXPECT_EQ(list->ListFont(), chosen);
    EXPECT_EQ(window->DirTree1->font(), chosen);
    EXPECT_EQ(window->AddListView2->TextColor(), QColor(Qt::darkGreen));

    dialogs->Answer({.accepted = true, .colour = QColor(0x12, 0x34, 0x56)});
    main->BackgroundColor1Click();
    EXPECT_EQ(window->AddListView1->Color(), QColor(0x12, 0x34, 0x56));

    main->Item("SmallIcons1")->trigger();
    EXPECT_EQ(window->AddListView1->Style(), platform::ui::ListView::ViewStyle::SmallIcon);
    EXPECT_EQ(window->AddListView2->Style(), platform::ui::ListView::ViewStyle::SmallIcon);
    // Clicks in the other view style still count as clicks in the list.
    QTest::mouseClick(window->AddListView2->CurrentView()->viewport(), Qt::LeftButton);
    EXPECT_FALSE(window->LeftHeaderActive());
}
