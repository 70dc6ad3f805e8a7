// The drop target: desktop drops of local files arrive as Windows paths in the desktop's order,
// on whichever control is the drop control, and only while dropping is enabled. Drops are
// simulated by sending the drag-enter and drop events a desktop drag would bring.
#include "controls/FileDrop.h"

#include "TestMachine.h"

#include <QApplication>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

using namespace testing_support;

namespace {

using Paths = std::vector<std::string>;

// Sends a desktop drag of these URLs onto target and drops it at the point. The user holds Shift,
// so the desktop proposes a move. True when both the drag and the drop were taken, as a copy.
bool Drop(QWidget* target, const QList<QUrl>& urls, QPoint at = {5, 5}) {
    QMimeData data;
    data.setUrls(urls);
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(at, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(target, &drop);
    return enter.isAccepted() && drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

// A file on this test's machine and the URL the desktop gives for it.
QUrl HostFile(const std::string& hostPath) {
    WriteHostFile(hostPath, "x");
    return QUrl::fromLocalFile(QString::fromStdString(hostPath));
}

// A drop target on a plain control, counting its OnDrop calls.
struct Target {
    QWidget control;
    TFileDrop drop{&control};
    int drops = 0;
    Target() {
        drop.OnDrop = [this](TFileDrop* sender) {
            EXPECT_EQ(sender, &drop);
            ++drops;
        };
    }
};

} // namespace

TEST(FileDrop, DroppedFilesArriveAsWindowsPathsInTheDesktopsOrderAndReplaceTheLastDrop) {
    Target target;
    EXPECT_EQ(target.drop.FileCount(), 0);
    target.drop.SetDropControl(&target.control);

    const QList<QUrl> three = {HostFile(DriveC() + "/zeta.txt"),
                               HostFile(DriveC() + "/Docs/alpha.TXT"),
                               HostFile(HostTemp() + "/dl/m.zip")};
    ASSERT_TRUE(Drop(&target.control, three, {7, 9}));
    EXPECT_EQ(target.drop.FileCount(), 3);
    EXPECT_EQ(target.drop.Files(),
              (Paths{"C:\\zeta.txt", "C:\\Docs\\alpha.TXT", "C:\\WINDOWS\\Temp\\dl\\m.zip"}));
    EXPECT_EQ(target.drop.DropPoint(), QPoint(7, 9));
    EXPECT_EQ(target.drops, 1);

    ASSERT_TRUE(Drop(&target.control, {HostFile(DriveC() + "/b.zip")}));
    EXPECT_EQ(target.drop.Files(), Paths{"C:\\b.zip"});

    // A drop of no files still reports, with nothing in it.
    ASSERT_TRUE(Drop(&target.control, {}));
    EXPECT_EQ(target.drop.FileCount(), 0);
    EXPECT_TRUE(target.drop.Files().empty());
    EXPECT_EQ(target.drops, 3);
}

TEST(FileDrop, ANameLongerThan127CharactersArrivesWhole) {
    Target target;
    target.drop.SetDropControl(&target.control);
    const std::string name = std::string(196, 'n') + ".txt";
    ASSERT_TRUE(Drop(&target.control, {HostFile(DriveC() + "/" + name)}));
    EXPECT_EQ(target.drop.Files(), Paths{"C:\\" + name});
}

TEST(FileDrop, LinksThatAreNotLocalFilesAreLeftToTheControl) {
    Target target;
    target.drop.SetDropControl(&target.control);
    EXPECT_FALSE(Drop(&target.control, {QUrl("https://example.org/tool.zip")}));
    EXPECT_FALSE(Drop(&target.control,
                      {HostFile(DriveC() + "/a.txt"), QUrl("https://example.org/tool.zip")}));
    EXPECT_EQ(target.drops, 0);
}

TEST(FileDrop, EnableDropWorksOnlyWithADropControlAndSwitchesDropsOffAndOn) {
    Target target;
    target.drop.SetEnableDrop(true); // no drop control yet: no effect
    EXPECT_FALSE(target.drop.EnableDrop());
    EXPECT_FALSE(Drop(&target.control, {HostFile(DriveC() + "/a.txt")}));

    target.drop.SetDropControl(&target.control);
    EXPECT_TRUE(target.drop.EnableDrop());
    EXPECT_TRUE(target.control.acceptDrops());

    target.drop.SetEnableDrop(false);
    EXPECT_FALSE(target.control.acceptDrops());
    EXPECT_FALSE(Drop(&target.control, {HostFile(DriveC() + "/a.txt")}));
    EXPECT_EQ(target.drops, 0);

    target.drop.SetEnableDrop(true);
    EXPECT_TRUE(Drop(&target.control, {HostFile(DriveC() + "/a.txt")}));
    EXPECT_EQ(target.drops, 1);

    // A control that takes drags of its own keeps taking them, but file drops are off.
    QListWidget own;
    own.setAcceptDrops(true);
    target.drop.SetDropControl(&own);
    target.drop.SetEnableDrop(false);
    EXPECT_TRUE(own.acceptDrops());
    EXPECT_FALSE(Drop(own.viewport(), {HostFile(DriveC() + "/a.txt")}));
    EXPECT_EQ(target.drops, 1);
}

TEST(FileDrop, ReadFromAFormTheDropControlSwitchesDroppingOnWhateverEnableDropWasStored) {
    for (const bool stored : {false, true}) {
        QWidget window;
        auto* list = new QListWidget(&window);
        TFileDrop drop(&window, TFileDrop::Origin::Form);
        drop.SetEnableDrop(stored);
        drop.SetDropControl(list);
        EXPECT_EQ(drop.DropControl(), nullptr) << "resolved before the form was read";
        EXPECT_FALSE(drop.EnableDrop());
        EXPECT_FALSE(Drop(list->viewport(), {HostFile(DriveC() + "/a.txt")}));

        drop.Loaded();
        EXPECT_EQ(drop.DropControl(), list);
        EXPECT_TRUE(drop.EnableDrop());
        EXPECT_TRUE(list->acceptDrops());
        EXPECT_TRUE(Drop(list->viewport(), {HostFile(DriveC() + "/a.txt")}));
        EXPECT_EQ(drop.Files(), Paths{"C:\\a.txt"});
    }
}

TEST(FileDrop, ADropOnAWidgetInsideTheControlIsTakenAtItsPointInTheControl) {
    QListWidget list;
    list.resize(200, 200);
    TFileDrop drop(&list);
    drop.SetDropControl(&list);
    const QPoint at(10, 20);
    ASSERT_TRUE(Drop(list.viewport(), {HostFile(DriveC() + "/a.txt")}, at));
    EXPECT_EQ(drop.Files(), Paths{"C:\\a.txt"});
    EXPECT_EQ(drop.DropPoint(), list.viewport()->mapTo(&list, at));
}

TEST(FileDrop, MovingTheDropControlMovesTheTargetAndGivesTheOldControlItsOwnSetting) {
    Target target;
    QListWidget other;
    other.setAcceptDrops(true); // it takes drags of its own
    target.drop.SetDropControl(&other);
    ASSERT_TRUE(Drop(other.viewport(), {HostFile(DriveC() + "/a.txt")}));

    target.drop.SetDropControl(&target.control);
    EXPECT_EQ(target.drop.DropControl(), &target.control);
    EXPECT_TRUE(target.drop.EnableDrop());
    EXPECT_TRUE(other.acceptDrops());
    EXPECT_FALSE(Drop(other.viewport(), {HostFile(DriveC() + "/b.txt")}));
    EXPECT_TRUE(Drop(&target.control, {HostFile(DriveC() + "/c.txt")}));
    EXPECT_EQ(target.drop.Files(), Paths{"C:\\c.txt"});
    EXPECT_EQ(target.drops, 2);

    target.drop.SetDropControl(nullptr);
    EXPECT_FALSE(target.drop.EnableDrop());
    EXPECT_FALSE(target.control.acceptDrops());
    EXPECT_FALSE(Drop(&target.control, {HostFile(DriveC() + "/d.txt")}));
    EXPECT_EQ(target.drops, 2);
}

TEST(FileDrop, TheControlAndTheComponentGoInEitherOrder) {
    {
        auto control = std::make_unique<QListWidget>();
        TFileDrop drop;
        drop.SetDropControl(control.get());
        control.reset();
        EXPECT_EQ(drop.DropControl(), nullptr);
        EXPECT_FALSE(drop.EnableDrop());
        QWidget next;
        drop.SetDropControl(&next);
        EXPECT_TRUE(Drop(&next, {HostFile(DriveC() + "/a.txt")}));
    }
    {
        QListWidget control;
        auto drop = std::make_unique<TFileDrop>();
        drop->SetDropControl(&control);
        drop.reset();
        EXPECT_FALSE(control.acceptDrops());
        EXPECT_FALSE(Drop(control.viewport(), {HostFile(DriveC() + "/a.txt")}));
    }
    {
        auto control = std::make_unique<QListWidget>();
        auto* drop = new TFileDrop(control.get()); // owned by its own drop control
        drop->SetDropControl(control.get());
        control.reset();
    }
}
