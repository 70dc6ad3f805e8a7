// The directory tree and the shell: share overlays from the shell's answer, and files dropped
// from the desktop.
#include "DirTreeFixture.h"

#include "platform/ui/ShellFolder.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <set>

using namespace testing_support;

namespace {

class Overlays : public DirTreeFixture {
protected:
    void SetUp() override {
        DirTreeFixture::SetUp();
        platform::ui::SetShareAnswerHook([this](const std::string& path) -> std::optional<bool> {
            asked.push_back(path);
            if (path.find("UNKNOWN") != std::string::npos)
                return std::nullopt;
            return shared.count(path) > 0;
        });
    }
    void TearDown() override {
        platform::ui::SetShareAnswerHook(nullptr);
        DirTreeFixture::TearDown();
    }
    // The overlay of each node below node (the drives when none), depth first, as "path=index".
    std::vector<std::string> OverlayList(TTreeNode* node = nullptr) const {
        std::vector<std::string> list;
        const int count = node ? node->Count() : tree->TopCount();
        for (int i = 0; i < count; ++i) {
            TTreeNode* child = node ? node->Child(i) : tree->TopNode(i);
            if (!child->Record())
                continue;
            list.push_back(child->Record()->Path + "=" + std::to_string(child->OverlayIndex()));
            for (const auto& below : OverlayList(child))
                list.push_back(below);
        }
        return list;
    }

    std::set<std::string> shared{"C:\\", "C:\\SHARED\\", "C:\\SHARED\\INNER\\"};
    std::vector<std::string> asked;
};

} // namespace

TEST_F(Overlays, SharedFoldersAreMarkedParentsFirstAndOnlyWhereRead) {
    MakeFolder(DriveC(), "Shared/Inner/deeper");
    MakeFolder(DriveC(), "Unknown");
    MakeTree();
    tree->SetShowShareOverlay(true); // an empty tree: nothing to mark yet
    tree->SetShowShareOverlay(false);
    Show();
    tree->OpenPath("C:\\Shared\\Inner");
    EXPECT_TRUE(asked.empty());

    tree->SetShowShareOverlay(true);
    EXPECT_EQ(asked, (std::vector<std::string>{"C:\\", "C:\\SHARED\\", "C:\\SHARED\\INNER\\",
                                               "C:\\SHARED\\INNER\\DEEPER\\", "C:\\UNKNOWN\\",
                                               "C:\\WINDOWS\\"}));
    EXPECT_EQ(OverlayList(),
              (std::vector<std::string>{"C:\\=0", "C:\\SHARED\\=0", "C:\\SHARED\\INNER\\=0",
                                        "C:\\SHARED\\INNER\\DEEPER\\=-1", "C:\\UNKNOWN\\=-1",
                                        "C:\\WINDOWS\\=-1"}));
    EXPECT_FALSE(Node("C:\\SHARED\\")->data(0, Qt::DecorationRole).isNull());

    // A level read while overlays are shown is marked as its nodes are added.
    shared.insert("C:\\WINDOWS\\SYSTEM\\");
    tree->OpenPath("C:\\WINDOWS");
    EXPECT_EQ(Node("C:\\WINDOWS\\SYSTEM")->OverlayIndex(), 0);

    tree->SetShowShareOverlay(false);
    for (const std::string& entry : OverlayList())
        EXPECT_EQ(entry.substr(entry.find('=')), "=-1") << entry;
}

TEST_F(Overlays, WithoutAnAnswerNothingIsShared) {
    platform::ui::SetShareAnswerHook(nullptr);
    MakeTree();
    Show();
    tree->OpenPath("C:\\WINDOWS");
    tree->SetShowShareOverlay(true);
    for (const std::string& entry : OverlayList())
        EXPECT_EQ(entry.substr(entry.find('=')), "=-1") << entry;
}

namespace {

struct DropRow {
    bool accept;
    bool onNode;
    int drops; // OnDropFiles calls
};

class Drops : public DirTreeFixture, public ::testing::WithParamInterface<DropRow> {};

} // namespace

TEST_P(Drops, FilesDroppedOnAFolderReachOnDropFilesAsWindowsPaths) {
    WriteHostFile(DriveC() + "/a.txt", "a");
    WriteHostFile(HostTemp() + "/b.txt", "b");
    MakeTree();
    Show();
    tree->OpenPath("C:\\WINDOWS\\SYSTEM");
    tree->SetAcceptDropFiles(GetParam().accept);
    int drops = 0;
    std::string folder;
    std::vector<std::string> files;
    Qt::KeyboardModifiers keys;
    QPoint point;
    tree->OnDropFiles = [&](TDirTree* sender, int x, int y, const std::string& dropDir,
                            const std::vector<std::string>& dropped, Qt::KeyboardModifiers shift) {
        ++drops;
        point = QPoint(x, y);
        folder = dropDir;
        files = dropped;
        keys = shift;
        EXPECT_EQ(sender->DropDirectory(), dropDir);
    };

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(DriveC() + "/a.txt")),
                  QUrl::fromLocalFile(QString::fromStdString(HostTemp() + "/b.txt")),
                  QUrl::fromLocalFile("/outside-every-drive/c.txt")});
    const QRect windows = tree->visualItemRect(Node("C:\\WINDOWS"));
    const QPoint at = GetParam().onNode
                          ? windows.center()
                          : QPoint(windows.center().x(), tree->viewport()->height() - 2);
    // A drop reaches only the window that took the drag when it entered.
    const Qt::KeyboardModifiers held = Qt::ShiftModifier | Qt::ControlModifier | Qt::MetaModifier;
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, held);
    QCoreApplication::sendEvent(tree->viewport(), &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, held);
    QCoreApplication::sendEvent(tree->viewport(), &drop);

    EXPECT_EQ(drops, GetParam().drops);
    if (drops) {
        EXPECT_EQ(point, at);
        EXPECT_EQ(folder, "C:\\WINDOWS\\");
        EXPECT_EQ(files, (std::vector<std::string>{"C:\\a.txt", "C:\\WINDOWS\\Temp\\b.txt"}));
        EXPECT_EQ(tree->DroppedFiles(), files);
        EXPECT_EQ(keys, Qt::ShiftModifier | Qt::ControlModifier);
    }
    EXPECT_EQ(tree->DropDirectory(), "");
    EXPECT_EQ(tree->SelectedPath(), "C:\\WINDOWS\\SYSTEM\\");
}

INSTANTIATE_TEST_SUITE_P(Rows, Drops,
                         ::testing::Values(DropRow{true, true, 1}, DropRow{true, false, 0},
                                           DropRow{false, true, 0}));
