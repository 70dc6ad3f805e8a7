// The directory tree's drives: captions, serials and probing, the drive-type filter, drives that
// come and go, media changes, and the life of the tree's window.
#include "DirTreeFixture.h"

#include "platform/PathMap.h"

#include <QTest>
#include <filesystem>
#include <unistd.h>

using namespace testing_support;

namespace {

// C: labelled, an empty CD drive, an empty removable drive, a fixed drive without label or
// folders, and a network drive with a folder.
void MakeDrives() {
    WriteHostFile(DriveC() + "/.windows-label", "SYSTEM\n");
    WriteHostFile(DriveC() + "/.windows-serial", "0000C0DE\n");
    DirTreeFixture::AddDrive('D', "cdrom", true);
    DirTreeFixture::AddDrive('E', "removable", true);
    DirTreeFixture::AddDrive('F', "fixed");
    const std::string n = DirTreeFixture::AddDrive('N', "remote");
    WriteHostFile(n + "/.windows-label", "SHARE\n");
    DirTreeFixture::MakeFolder(n, "public");
}

struct LoadRow {
    bool fastLoad;
    std::vector<int> children; // of C:, D:, E:, F:, N:
};

class DriveNodes : public DirTreeFixture, public ::testing::WithParamInterface<LoadRow> {};

} // namespace

TEST_P(DriveNodes, AreCaptionedAndProbedByTheirType) {
    MakeDrives();
    MakeTree(GetParam().fastLoad);
    Show();
    EXPECT_EQ(Captions(),
              (QStringList{"SYSTEM (C:)", "(D:)", "Removable Disk (E:)", " (F:)", "SHARE (N:)"}));
    std::vector<int> children;
    for (int i = 0; i < tree->TopCount(); ++i) {
        children.push_back(tree->TopNode(i)->Count());
        if (tree->TopNode(i)->Count()) {
            EXPECT_TRUE(tree->TopNode(i)->Child(0)->IsPlaceholder());
        }
    }
    EXPECT_EQ(children, GetParam().children);
    EXPECT_EQ(tree->DriveMask(), (1u << 2) | (1u << 3) | (1u << 4) | (1u << 5) | (1u << 13));
    const auto& serials = tree->DriveSerials();
    EXPECT_EQ(serials[2], 0xC0DEu);
    EXPECT_EQ(serials[3], TDirTree::kNoVolume);
    EXPECT_EQ(serials[4], TDirTree::kNoVolume); // a removable drive's medium is not read
    EXPECT_NE(serials[5], TDirTree::kNoVolume);
    EXPECT_EQ(tree->TopNode(0)->Record()->Path, "C:\\");
    EXPECT_EQ(tree->TopNode(0)->ImageIndex(), tree->TopNode(0)->SelectedIndex());
}

// Without FastLoad, fixed and network drives are probed (F: has no folder); CD and removable
// drives always get a placeholder.
INSTANTIATE_TEST_SUITE_P(Loads, DriveNodes,
                         ::testing::Values(LoadRow{false, {1, 1, 1, 0, 1}},
                                           LoadRow{true, {1, 1, 1, 1, 1}}));

namespace {

struct TypesRow {
    TDriveTypes types;
    QString letters;
};

class DriveTypes : public DirTreeFixture, public ::testing::WithParamInterface<TypesRow> {};

QString Letters(const QStringList& captions) {
    QString letters;
    for (const QString& caption : captions)
        letters += caption.at(caption.indexOf(':') - 1);
    return letters;
}

} // namespace

TEST_P(DriveTypes, ChooseTheDrivesShownAndAChangeInsertsInLetterOrder) {
    MakeDrives();
    MakeTree();
    tree->SetDriveTypes(GetParam().types);
    Show();
    EXPECT_EQ(Letters(Captions()), GetParam().letters);
    tree->SetDriveTypes(kAllDriveTypes);
    EXPECT_EQ(Letters(Captions()), "CDEFN");
}

INSTANTIATE_TEST_SUITE_P(Sets, DriveTypes,
                         ::testing::Values(TypesRow{kAllDriveTypes, "CDEFN"},
                                           TypesRow{drtFixed, "CF"},
                                           TypesRow{drtRemovable | drtCDRom, "DE"},
                                           TypesRow{drtRemote | drtUnknown, "N"}, TypesRow{0, ""}));

TEST_F(DirTreeFixture, DrivesThatComeAndGoAreFollowed) {
    const std::string d = AddDrive('D', "fixed");
    MakeFolder(d, "DATA/inner");
    MakeTree();
    Show();
    tree->OpenPath("D:\\DATA");
    tree->OpenPath("C:\\");
    changes.clear();

    AddDrive('B', "removable");
    AddDrive('G', "cdrom", true);
    NoticeDevices();
    EXPECT_EQ(Letters(Captions()), "BCDG");
    EXPECT_EQ(changes, std::vector<std::string>{"C:\\"});

    RemoveDrive('D');
    deleted.clear();
    NoticeDevices();
    EXPECT_EQ(Letters(Captions()), "BCG");
    std::sort(deleted.begin(), deleted.end());
    EXPECT_EQ(deleted, (std::vector<std::string>{" (D:)", "DATA", "inner"}));
    EXPECT_EQ(tree->SelectedPath(), "C:\\");
}

TEST_F(DirTreeFixture, ANewMediumResetsItsDriveWhenAFolderOnItIsSelected) {
    const std::string d = AddDrive('D', "fixed");
    WriteHostFile(d + "/.windows-label", "DISK1\n");
    WriteHostFile(d + "/.windows-serial", "11111111\n");
    MakeFolder(d, "DATA/inner");
    MakeFolder(d, "MORE");
    MakeTree();
    Show();
    tree->OpenPath("D:\\DATA");
    TTreeNode* more = Node("D:\\MORE");
    ASSERT_TRUE(more);
    EXPECT_EQ(tree->DrivePaths()['D' - 'A'], "D:\\DATA\\");

    WriteHostFile(d + "/.windows-label", "DISK2\n");
    WriteHostFile(d + "/.windows-serial", "22222222\n");
    changes.clear();
    tree->setCurrentItem(more);
    TTreeNode* drive = Node("D:\\");
    EXPECT_EQ(tree->Selected(), drive);
    EXPECT_EQ(changes, std::vector<std::string>{"D:\\"});
    EXPECT_EQ(drive->text(0), "DISK2 (D:)");
    EXPECT_EQ(drive->Record()->ChildrenRead, 0);
    ASSERT_EQ(drive->Count(), 1);
    EXPECT_TRUE(drive->Child(0)->IsPlaceholder());
    EXPECT_EQ(tree->DriveSerials()['D' - 'A'], 0x22222222u);
    EXPECT_EQ(tree->DrivePaths()['D' - 'A'], "D:\\");
}

TEST_F(DirTreeFixture, AClickOnADriveWithoutItsMediumShowsItEmptyInsteadOfClicking) {
    const std::string d = AddDrive('D', "cdrom");
    MakeFolder(d, "DATA");
    MakeTree();
    tree->SetReadOnly(true); // a click on the selected caption would start editing it
    Show();
    tree->OpenPath("D:\\DATA");
    const QPoint at = tree->visualItemRect(tree->Selected()).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(clicks, 1);

    std::filesystem::rename(d, d + "-out"); // the disc is taken out
    changes.clear();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(changes, std::vector<std::string>{"D:\\"});
    TTreeNode* drive = Node("D:\\");
    EXPECT_EQ(drive->text(0), "(D:)");
    EXPECT_EQ(drive->Count(), 0); // no expand button without a volume
    EXPECT_EQ(tree->DriveSerials()['D' - 'A'], TDirTree::kNoVolume);
}

// The scan goes from Z: down and stops at the first drive whose serial differs; a removable drive
// took its serial when it was first selected, so it does not stop the scan.
TEST_F(DirTreeFixture, ADeviceNoticeRefreshesTheDriveWhoseMediumChanged) {
    AddDrive('R', "removable");
    const std::string e = AddDrive('E', "fixed");
    WriteHostFile(e + "/.windows-serial", "AAAA0001\n");
    MakeFolder(e, "old");
    MakeTree();
    Show();
    tree->OpenPath("C:\\WINDOWS");
    tree->OpenPath("R:\\");
    tree->OpenPath("E:\\old");
    tree->OpenPath("C:\\WINDOWS");
    std::filesystem::remove(e + "/old");
    WriteHostFile(e + "/.windows-label", "NEW\n");
    WriteHostFile(e + "/.windows-serial", "AAAA0002\n");
    changes.clear();
    NoticeDevices();
    TTreeNode* drive = Node("E:\\");
    EXPECT_EQ(drive->text(0), "NEW (E:)");
    EXPECT_EQ(drive->Record()->ChildrenRead, 0);
    EXPECT_EQ(Captions(drive), QStringList{""}); // a volume: the expand button stays
    EXPECT_EQ(changes, std::vector<std::string>{"C:\\WINDOWS\\"});
}

TEST_F(DirTreeFixture, TheWindowIsMadeWhenLoadedAndTheInitialFolderSelected) {
    MakeTree();
    EXPECT_FALSE(tree->HandleAllocated());
    EXPECT_EQ(tree->SelectedPath(), "?");
    EXPECT_FALSE(tree->IsPathSelected());
    tree->InitialDirectory = "c:\\windows";
    tree->Loaded();
    EXPECT_TRUE(tree->HandleAllocated());
    EXPECT_EQ(tree->SelectedPath(), "C:\\WINDOWS\\");
    EXPECT_TRUE(tree->IsPathSelected());
}

TEST_F(DirTreeFixture, WithoutTheInitialFolderTheCurrentFolderIsSelected) {
    ASSERT_EQ(::chdir((DriveC() + "/WINDOWS/SYSTEM").c_str()), 0);
    MakeTree();
    EXPECT_EQ(tree->DrivePaths()['C' - 'A'], "C:\\WINDOWS\\SYSTEM\\");
    EXPECT_EQ(tree->DrivePaths()['D' - 'A'], "D:\\");
    tree->InitialDirectory = "C:\\missing";
    tree->Loaded();
    EXPECT_EQ(tree->SelectedPath(), "C:\\WINDOWS\\SYSTEM\\");
}

TEST_F(DirTreeFixture, WithoutReadOnStartTheTreeStaysEmpty) {
    MakeTree();
    tree->ReadOnStart = false;
    tree->Loaded();
    EXPECT_TRUE(tree->HandleAllocated());
    EXPECT_EQ(tree->TopCount(), 0);
    EXPECT_FALSE(tree->IsPathSelected());
}

TEST_F(DirTreeFixture, AMoveToAnotherWindowMakesTheWindowAgainWithTheSameSelection) {
    MakeTree();
    Show();
    tree->OpenPath("c:\\windows\\system");
    tree->SetAcceptDropFiles(true);
    EXPECT_TRUE(tree->viewport()->acceptDrops());
    QWidget other;
    tree->setParent(&other);
    EXPECT_FALSE(tree->HandleAllocated());
    EXPECT_EQ(tree->TopCount(), 0);
    EXPECT_FALSE(tree->AcceptDropFiles());
    other.show();
    tree->show();
    EXPECT_TRUE(tree->HandleAllocated());
    EXPECT_EQ(tree->SelectedPath(), "C:\\WINDOWS\\SYSTEM\\");
    EXPECT_FALSE(tree->viewport()->acceptDrops());
    tree->setParent(window.get()); // the fixture's window deletes it
}
