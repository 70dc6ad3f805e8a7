// The shell services: the system image list, file information and the device-change notice.
#include "platform/Prefix.h"
#include "platform/ui/DeviceWatch.h"
#include "platform/ui/DroppedFiles.h"
#include "platform/ui/ShellFolder.h"
#include "platform/ui/SystemImageList.h"

#include "TestMachine.h"

#include <QDropEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QUrl>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace platform::ui;
using namespace testing_support;

TEST(Shell, OneIndexPerFileTypeFoundFromTheNameAlone) {
    auto& list = SystemImageList::Instance();
    const int text = list.IndexOfFileName("readme.txt");
    EXPECT_EQ(list.IndexOfFileName("NOTES.TXT"), text);
    EXPECT_NE(list.IndexOfFileName("photo.jpg"), text);
    EXPECT_EQ(list.IndexOfFileName("setup.exe"), SystemImageList::kProgram);
    EXPECT_EQ(list.IndexOfFileName("data.xyz123"), SystemImageList::kFile);
    EXPECT_FALSE(list.SmallIcon(SystemImageList::kClosedFolder).isNull());

    // Names that are not on disk still get their type's icon, when asked by type.
    const auto info =
        GetShellFileInfo("C:\\nowhere\\doc.txt", SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->iconIndex, text);
    EXPECT_FALSE(GetShellFileInfo("C:\\nowhere\\doc.txt", SHGFI_SYSICONINDEX));

    const auto windows = GetShellFileInfo("C:\\WINDOWS\\", SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    ASSERT_TRUE(windows);
    EXPECT_EQ(windows->iconIndex, SystemImageList::kClosedFolder);
    EXPECT_EQ(GetShellFileInfo("C:\\WINDOWS", SHGFI_OPENICON)->iconIndex,
              SystemImageList::kOpenFolder);
}

TEST(Shell, DriveDisplayNames) {
    EXPECT_EQ(GetShellFileInfo("C:\\", SHGFI_DISPLAYNAME)->displayName, "Local Disk (C:)");
    WriteHostFile(DriveC() + "/.windows-label", "SYSTEM\n");
    EXPECT_EQ(DriveDisplayName('c'), "SYSTEM (C:)");
    EXPECT_FALSE(GetShellFileInfo("Q:\\", SHGFI_DISPLAYNAME));
}

TEST(Shell, DeviceChangesReachTheWindowsThatAskedForThem) {
    auto& watch = DeviceWatch::Instance();
    QSignalSpy changes(&watch, &DeviceWatch::devicesChanged);
    // A new drive appears.
    const std::string disc = MachineRoot() + "/disc";
    WriteHostFile(disc + "/setup.exe", "x");
    ASSERT_EQ(::symlink(disc.c_str(), platform::DriveLink('D').c_str()), 0);
    EXPECT_TRUE(changes.wait(3000));
    // Another medium in the same drive: its serial changes.
    changes.clear();
    WriteHostFile(disc + "/.windows-serial", "CAFE0001\n");
    EXPECT_TRUE(changes.wait(3000));
}

TEST(Shell, FoldersParseNamesBindToFoldersAndAnswerWhetherTheyAreShared) {
    WriteHostFile(DriveC() + "/file.txt", "x");
    const auto drives = ShellFolder::Drives();
    EXPECT_FALSE(drives->ParseDisplayName("Q:\\"));
    EXPECT_FALSE(drives->ParseDisplayName("WINDOWS"));
    const auto c = drives->ParseDisplayName("c:\\");
    ASSERT_TRUE(c);
    const auto folder = drives->BindToObject(*c);
    ASSERT_TRUE(folder);
    EXPECT_FALSE(folder->ParseDisplayName("missing"));
    EXPECT_FALSE(folder->ParseDisplayName("WINDOWS\\SYSTEM"));
    const auto file = folder->ParseDisplayName("file.txt");
    ASSERT_TRUE(file);
    EXPECT_FALSE(folder->BindToObject(*file));
    const auto windows = folder->ParseDisplayName("windows");
    ASSERT_TRUE(windows);
    EXPECT_TRUE(folder->BindToObject(*windows));

    const unsigned long both = SFGAO_SHARE | SFGAO_FOLDER;
    EXPECT_EQ(folder->GetAttributesOf(*windows, both), SFGAO_FOLDER); // no answer: not shared
    std::vector<std::string> asked;
    SetShareAnswerHook([&](const std::string& path) -> std::optional<bool> {
        asked.push_back(path);
        return path == "C:\\WINDOWS\\";
    });
    EXPECT_EQ(folder->GetAttributesOf(*windows, both), both);
    EXPECT_EQ(drives->GetAttributesOf(*c, SFGAO_SHARE), 0ul);
    EXPECT_EQ(folder->GetAttributesOf(*file, both), 0ul); // a file is never asked about
    SetShareAnswerHook(nullptr);
    EXPECT_EQ(asked, (std::vector<std::string>{"C:\\WINDOWS\\", "C:\\"}));
}

TEST(Shell, DroppedFilesAreSeenAsWindowsPaths) {
    const QUrl file = QUrl::fromLocalFile(QString::fromStdString(DriveC() + "/dl/tool.zip"));
    const QUrl link("https://example.invalid/x.zip");
    struct Row {
        QList<QUrl> urls;
        Qt::DropActions actions;
        bool fileDrag;
    };
    const Row rows[] = {{{file}, Qt::CopyAction, true},
                        {{}, Qt::CopyAction | Qt::MoveAction, true}, // a drop of no files
                        {{file, link}, Qt::CopyAction, false},
                        {{file}, Qt::MoveAction, false}};
    for (const Row& row : rows) {
        QMimeData data;
        data.setUrls(row.urls);
        const QDropEvent drop(QPointF(1, 1), row.actions, &data, Qt::LeftButton, {});
        EXPECT_EQ(IsFileDrag(drop), row.fileDrag) << row.urls.size() << " " << row.actions;
    }
    QMimeData data;
    data.setUrls({link, file});
    EXPECT_EQ(DroppedFileNames(&data), std::vector<std::string>{"C:\\dl\\tool.zip"});
}
