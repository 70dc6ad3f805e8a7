// The real folder browser, driven without being run: it lists the drives, opens the tree down to
// a folder it is told to select (letters in any case, a missing tail ignored), reports each
// selection to its caller and shows the status text.
#include "platform/ui/FolderBrowseDialog.h"

#include "ItemEditing.h"
#include "TestMachine.h"

#include <QLabel>
#include <QTreeView>
#include <filesystem>
#include <gtest/gtest.h>

using namespace platform::ui;
using namespace testing_support;

TEST(FolderBrowseDialog, SelectsTheDeepestExistingFolderAndReportsEverySelection) {
    std::filesystem::create_directories(DriveC() + "/Alpha/Beta");
    std::vector<std::string> reported;
    int shown = 0;
    FolderBrowseDialog dialog(
        {.title = "Extract to:",
         .showStatus = true,
         .shown = [&](FolderBrowser&) { ++shown; },
         .selectionChanged = [&](const std::string& path) { reported.push_back(path); }});
    EXPECT_EQ(dialog.findChild<QLabel*>("Title")->text(), "Extract to:");
    EXPECT_EQ(dialog.SelectedFolder(), "");

    struct Row {
        const char* select;
        const char* selected;
    };
    const Row rows[] = {
        {"c:\\alpha\\BETA", "C:\\Alpha\\Beta"},
        {"C:\\Alpha\\missing\\deeper", "C:\\Alpha"},
        {"C:", "C:\\"},
        {"C:\\WINDOWS\\", "C:\\WINDOWS"},
    };
    for (const Row& row : rows) {
        dialog.SelectFolder(row.select);
        EXPECT_EQ(dialog.SelectedFolder(), row.selected) << row.select;
    }
    EXPECT_EQ(reported,
              (std::vector<std::string>{"C:\\Alpha\\Beta", "C:\\Alpha", "C:\\", "C:\\WINDOWS"}));
    dialog.SelectFolder("Q:\\nowhere"); // no such drive: the selection stays
    EXPECT_EQ(dialog.SelectedFolder(), "C:\\WINDOWS");

    dialog.SetStatusText("Reading C:");
    EXPECT_EQ(dialog.StatusText(), "Reading C:");
    dialog.show();
    dialog.hide();
    dialog.show();
    EXPECT_EQ(shown, 1);
}

TEST(FolderBrowseDialog, FolderNamesCannotBeEditedInPlace) {
    FolderBrowseDialog dialog({.title = "Extract to:"});
    dialog.SelectFolder("C:\\WINDOWS");
    auto* tree = dialog.findChild<QTreeView*>("FolderTree");
    const QModelIndex windows = tree->currentIndex();
    ASSERT_TRUE(windows.isValid());
    EXPECT_FALSE(EditsInPlace(tree, windows));
    // Nor the placeholder under a folder not yet read.
    EXPECT_FALSE(EditsInPlace(tree, tree->model()->index(0, 0, windows)));
}
