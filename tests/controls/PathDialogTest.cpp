// The folder browse component: how Directory is kept, what a browse shows and returns, when
// OnShow and OnSelect fire, and how changes reach a browser that is open. The browser is
// scripted; no real dialog appears.
#include "controls/PathDialog.h"

#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

using testing_support::ScriptedDialogs;
using testing_support::ScriptedFolderBrowser;
using Paths = std::vector<std::string>;

TEST(PathDialog, DirectoryLosesOneTrailingBackslashAndWithNoBrowserOpenSettingsAreOnlyKept) {
    struct Row {
        const char* set;
        const char* reads;
    };
    const Row rows[] = {
        {"C:\\TEMP\\", "C:\\TEMP"}, {"C:\\", "C:"}, {"C:\\TEMP", "C:\\TEMP"},
        {"C:\\A\\\\", "C:\\A\\"},   {"", ""},
    };
    ScriptedDialogs dialogs; // a dialog shown now would fail the test
    TPathDialog dialog;
    dialog.ShowStatus = true;
    for (const Row& row : rows) {
        dialog.SetDirectory(row.set);
        EXPECT_EQ(dialog.Directory(), row.reads) << row.set;
    }
    dialog.SetStatusText("Ready");
    EXPECT_EQ(dialog.StatusText(), "Ready");
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST(PathDialog, ABrowseShowsTheSettingsAndReturnsTheChosenFolder) {
    TPathDialog dialog;
    dialog.Title = "Extract to:";
    dialog.SetDirectory("C:\\TEMP\\");
    dialog.ShowStatus = true;
    dialog.SetStatusText("Pick a folder");
    std::vector<std::string> events;
    dialog.OnShow = [&](TPathDialog* sender) {
        EXPECT_EQ(sender, &dialog);
        events.push_back("show");
    };
    dialog.OnSelect = [&](TPathDialog* sender, const std::string& path) {
        EXPECT_EQ(sender, &dialog);
        events.push_back("select " + path);
    };

    ScriptedDialogs dialogs;
    dialogs.Browse([&](ScriptedFolderBrowser& browser) {
        // The browser opened on the folder and the status text before OnShow.
        EXPECT_EQ(browser.selections, Paths{"C:\\TEMP"});
        EXPECT_EQ(browser.statusTexts, QStringList{"Pick a folder"});
        EXPECT_EQ(events, (Paths{"select C:\\TEMP", "show"}));
        browser.SelectFolder("C:\\DOWNLOAD\\");
        return std::optional<std::string>("C:\\DOWNLOAD\\");
    });
    EXPECT_EQ(dialog.Execute(), std::optional<std::string>("C:\\DOWNLOAD\\"));
    EXPECT_EQ(dialog.Directory(), "C:\\DOWNLOAD");
    EXPECT_EQ(events, (Paths{"select C:\\TEMP", "show", "select C:\\DOWNLOAD\\"}));
    ASSERT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(dialogs.Shown()[0].kind, platform::ui::DialogKind::BrowseFolder);
    EXPECT_EQ(dialogs.Shown()[0].caption, "Extract to:");
}

TEST(PathDialog, ChangesWhileTheBrowserIsOpenReachItAtOnce) {
    for (const bool showStatus : {false, true}) {
        TPathDialog dialog;
        dialog.ShowStatus = showStatus;
        // A handler may change the settings as soon as the browser is shown.
        dialog.OnShow = [](TPathDialog* sender) { sender->SetStatusText("Reading drives"); };

        ScriptedDialogs dialogs;
        dialogs.Browse([&](ScriptedFolderBrowser& browser) {
            EXPECT_TRUE(browser.selections.empty()) << "no Directory, nothing to select";
            dialog.SetStatusText("Done");
            dialog.SetDirectory("C:\\WINDOWS\\");
            dialog.SetDirectory("");
            EXPECT_EQ(browser.selections, Paths{"C:\\WINDOWS"});
            if (showStatus)
                EXPECT_EQ(browser.statusTexts, (QStringList{"", "Reading drives", "Done"}));
            else
                EXPECT_TRUE(browser.statusTexts.isEmpty());
            return std::nullopt; // Cancel
        });
        EXPECT_EQ(dialog.Execute(), std::nullopt);
        EXPECT_EQ(dialog.Directory(), "");
        EXPECT_EQ(dialog.StatusText(), "Done");
    }
}
