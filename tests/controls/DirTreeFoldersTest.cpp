// The directory tree's folders: opening paths, which folders are listed and in what order, lazy
// reading, and reloading.
#include "DirTreeFixture.h"
#include "ItemEditing.h"

#include "platform/Files.h"
#include "platform/PathMap.h"
#include "platform/Prefix.h"
#include "platform/WinPath.h"

#include <filesystem>
#include <unistd.h>

using namespace testing_support;

namespace {

struct OpenRow {
    const char* path;
    const char* selected;
};

class OpenPath : public DirTreeFixture, public ::testing::WithParamInterface<OpenRow> {};

} // namespace

TEST_P(OpenPath, SelectsTheNodeOfThePathAndRevealsIt) {
    MakeFolder(DriveC(), "Program Files/Pakrune");
    MakeTree();
    Show();
    tree->OpenPath("C:\\WINDOWS\\SYSTEM");
    changes.clear();
    tree->OpenPath(GetParam().path);
    EXPECT_EQ(tree->SelectedPath(), GetParam().selected);
    TTreeNode* selected = tree->Selected();
    ASSERT_TRUE(selected);
    for (TTreeNode* up = selected->Parent(); up; up = up->Parent())
        EXPECT_TRUE(up->isExpanded()) << up->Record()->Path;
    const bool unchanged = std::string(GetParam().selected) == "C:\\WINDOWS\\SYSTEM\\";
    EXPECT_EQ(changes.size(), unchanged ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OpenPath,
    ::testing::Values(OpenRow{"c:\\windows", "C:\\WINDOWS\\"},
                      OpenRow{"c:\\program files\\pakrune\\", "C:\\PROGRAM FILES\\PAKRUNE\\"},
                      OpenRow{"C:\\nowhere\\deeper", "C:\\"}, OpenRow{"?", "C:\\WINDOWS\\SYSTEM\\"},
                      OpenRow{"C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\SYSTEM\\"}));

TEST_F(DirTreeFixture, AReadOnlyTreeKeepsItsCaptionsFromBeingEditedInPlace) {
    MakeTree();
    Show();
    tree->OpenPath("C:\\WINDOWS");
    // As the tree control is made, a caption can be edited (which renames nothing on disk).
    EXPECT_FALSE(tree->ReadOnly());
    EXPECT_TRUE(EditsInPlace(tree, tree->currentIndex()));
    tree->SetReadOnly(true);
    EXPECT_FALSE(EditsInPlace(tree, tree->currentIndex()));
    EXPECT_EQ(tree->Selected()->text(0), "WINDOWS");
}

TEST_F(DirTreeFixture, AMissingFolderOpensTheHomeFolderNeverTheMachinesRoot) {
    // Started from the home folder, as a desktop starts programs: its drive is the machine's root.
    std::filesystem::create_directory_symlink("/", platform::DriveLink('Z'));
    const std::string home = MachineRoot() + "/home";
    ASSERT_EQ(::chdir(home.c_str()), 0);
    // The home folder on Z:, and as drive H:, where a new prefix has it.
    for (const bool homeDrive : {false, true}) {
        SCOPED_TRACE(homeDrive ? "drive H:" : "no drive H:");
        if (homeDrive)
            std::filesystem::create_directory_symlink(home, platform::DriveLink('H'));
        MakeTree();
        Show();
        tree->OpenPath("C:\\download");
        EXPECT_EQ(tree->SelectedPath(),
                  homeDrive ? "H:\\" : win::UpperCase(platform::WindowsPathOf(home)) + "\\");
        EXPECT_TRUE(tree->SelectedPath().starts_with(homeDrive ? "H:\\" : "Z:\\"));
    }
}

TEST_F(DirTreeFixture, AnEmptyPathIsRefusedAndAPathOutsideTheTreeChangesNothing) {
    MakeTree();
    tree->OnAddDir = [](TDirTree*, const std::string& path, bool& doAdd) {
        doAdd = path != "C:\\WINDOWS\\SYSTEM\\";
    };
    Show();
    tree->OpenPath("C:\\WINDOWS");
    try {
        tree->OpenPath("");
        ADD_FAILURE() << "an empty path was taken";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "Invalid Path Name");
    }
    EXPECT_EQ(tree->SelectedPath(), "C:\\WINDOWS\\");
    tree->OpenPath("C:\\WINDOWS\\SYSTEM");
    EXPECT_EQ(tree->SelectedPath(), "C:\\WINDOWS\\");
    EXPECT_EQ(Captions(tree->Selected()), QStringList{"Temp"});
}

TEST_F(DirTreeFixture, CaptionsKeepTheStoredCaseAndListInLocaleOrderWithoutRegardToCase) {
    for (const char* name : {"c", "b", "A", "Zeta", "alpha"})
        MakeFolder(DriveC(), std::string("Sort/") + name);
    MakeTree();
    Show();
    tree->OpenPath("c:\\sort");
    EXPECT_EQ(tree->Selected()->text(0), "Sort");
    EXPECT_EQ(Captions(tree->Selected()), (QStringList{"A", "alpha", "b", "c", "Zeta"}));
    EXPECT_EQ(tree->Selected()->Child(0)->Record()->Path, "C:\\SORT\\A\\");
}

TEST_F(DirTreeFixture, LevelsAreReadWhenTheyOpenAndAProbeStopsAtTheFirstSubfolder) {
    MakeFolder(DriveC(), "Program Files/Pakrune");
    MakeTree();
    Show();
    TTreeNode* c = Node("C:\\");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->Record()->ChildrenRead, 0);
    ASSERT_EQ(c->Count(), 1);
    EXPECT_TRUE(c->Child(0)->IsPlaceholder());

    bool allow = false;
    tree->OnExpanding = [&](TDirTree*, TTreeNode*, bool& allowExpansion) {
        allowExpansion = allow;
    };
    tree->expandItem(c);
    EXPECT_FALSE(c->isExpanded()); // refused, but the level has been read
    EXPECT_EQ(Captions(c), (QStringList{"Program Files", "WINDOWS"}));
    allow = true;
    tree->expandItem(c);
    EXPECT_TRUE(c->isExpanded());
    // The opened level's folders are probed, not read.
    for (TTreeNode* child : {c->Child(0), c->Child(1)}) {
        EXPECT_EQ(child->Record()->ChildrenRead, 0);
        ASSERT_EQ(child->Count(), 1);
        EXPECT_TRUE(child->Child(0)->IsPlaceholder());
    }

    // Entries supplied by a handler: the probe asks up to the first subfolder only.
    std::vector<std::string> asked;
    std::size_t next = 0;
    tree->OnFindDir = [&](TDirTree*, const std::string& path, TDirRec& rec, int& result,
                          bool first) {
        const std::pair<const char*, win::DWORD> entries[] = {
            {"file.txt", 0x20}, {"one", 0x10}, {"windows", 0x10}};
        next = first ? 0 : next + 1;
        asked.push_back(path);
        result = next < std::size(entries) ? 0 : 18;
        if (result == 0) {
            rec.Name = entries[next].first;
            rec.Attr = entries[next].second;
        }
    };
    tree->ReadDrives();
    EXPECT_EQ(asked, (std::vector<std::string>{"C:\\", "C:\\"}));
    tree->expandItem(Node("C:\\"));
    // Captions of handed names come in the case the disk stores them in, where it has them.
    EXPECT_EQ(Captions(Node("C:\\")), (QStringList{"one", "WINDOWS"}));
}

namespace {

struct RecycleRow {
    bool goBelow;
    int childrenShown;
};

class RecycleBin : public DirTreeFixture, public ::testing::WithParamInterface<RecycleRow> {};

} // namespace

TEST_P(RecycleBin, NothingBelowTheBinIsListedUnlessAsked) {
    MakeFolder(DriveC(), "RECYCLED/old");
    MakeFolder(DriveC(), "Recycler/S-1-5/deep");
    MakeTree();
    tree->SetGoBelowRecycleBin(GetParam().goBelow);
    Show();
    for (const char* bin : {"C:\\RECYCLED", "C:\\Recycler"}) {
        tree->OpenPath(bin);
        ASSERT_EQ(tree->SelectedPath(), win::UpperCase(bin) + "\\");
        EXPECT_EQ(tree->Selected()->Count(), GetParam().childrenShown) << bin;
    }
}

INSTANTIATE_TEST_SUITE_P(Rule, RecycleBin,
                         ::testing::Values(RecycleRow{false, 0}, RecycleRow{true, 1}));

namespace {

struct TypesRow {
    TDirTypes types;
    QStringList listed;
};

class DirTypes : public DirTreeFixture, public ::testing::WithParamInterface<TypesRow> {};

constexpr win::DWORD kHidden = win::FILE_ATTRIBUTE_HIDDEN, kSystem = win::FILE_ATTRIBUTE_SYSTEM,
                     kArchive = win::FILE_ATTRIBUTE_ARCHIVE;

} // namespace

// The folders lie at the root of a drive, which is listed whatever its attributes.
TEST_P(DirTypes, FoldersAreListedByTheirAttributes) {
    const std::string d = AddDrive('D', "fixed");
    MakeFolder(d, "plain");
    MakeFolder(d, "hid", kHidden);
    MakeFolder(d, "sys", kSystem);
    MakeFolder(d, "arc", kArchive);
    MakeFolder(d, "hidarc", kHidden | kArchive);
    MakeTree();
    Show();
    tree->OpenPath("D:\\");
    // A change of the set reloads, keeping the selection.
    tree->SetDirTypes(GetParam().types);
    EXPECT_EQ(tree->SelectedPath(), "D:\\");
    EXPECT_EQ(Captions(tree->Selected()), GetParam().listed);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, DirTypes,
    ::testing::Values(TypesRow{dtNormal | dtAll, {"arc", "hid", "hidarc", "plain", "sys"}},
                      TypesRow{dtNormal, {"plain"}},
                      TypesRow{dtNormal | dtHidden, {"hid", "plain"}},
                      TypesRow{dtAll, {"arc", "hid", "hidarc", "plain", "sys"}}, TypesRow{0, {}},
                      TypesRow{dtHidden | dtArchive, {"arc", "hid", "hidarc"}},
                      TypesRow{dtReadOnly, {}}));

namespace {

struct FallbackRow {
    const char* lastOnE; // the folder last selected on E:
    bool removeIt;
    const char* selected;
};

class ReloadFallback : public DirTreeFixture, public ::testing::WithParamInterface<FallbackRow> {};

} // namespace

// Neither the old selection nor its drive can be opened (drive C: is left out by OnAddDir): the
// last drive, whose placeholder child counts as unread, opens at its last selected folder.
TEST_P(ReloadFallback, FallsBackToTheFolderLastSelectedOnADrive) {
    AddDrive('D', "cdrom", true);
    const std::string e = AddDrive('E', "removable");
    MakeFolder(e, "DOCS");
    MakeFolder(e, "GONE");
    MakeTree();
    bool leaveOutC = false;
    tree->OnAddDir = [&](TDirTree*, const std::string& path, bool& doAdd) {
        doAdd = !(leaveOutC && path == "C:\\");
    };
    Show();
    tree->OpenPath(GetParam().lastOnE);
    EXPECT_EQ(tree->SelectedPath(), GetParam().lastOnE); // the removable drive is not reset
    tree->OpenPath("C:\\WINDOWS");
    EXPECT_EQ(tree->DrivePaths()['E' - 'A'], GetParam().lastOnE);
    if (GetParam().removeIt)
        std::filesystem::remove(e + "/GONE");
    leaveOutC = true;
    changes.clear();
    tree->Reload();
    EXPECT_EQ(Captions(), (QStringList{"(D:)", "Removable Disk (E:)"}));
    EXPECT_EQ(tree->SelectedPath(), GetParam().selected);
    EXPECT_EQ(changes, std::vector<std::string>{GetParam().selected});
}

INSTANTIATE_TEST_SUITE_P(Rows, ReloadFallback,
                         ::testing::Values(FallbackRow{"E:\\DOCS\\", false, "E:\\DOCS\\"},
                                           FallbackRow{"E:\\GONE\\", true, "E:\\"}));
