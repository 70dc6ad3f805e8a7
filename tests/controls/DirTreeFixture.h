// A directory tree in a shown window on the test machine, with drives made to order and every
// event the tree fires recorded. Drive Z: (the whole host) is taken away, so the tree shows only
// the drives a test makes, besides C:.
#pragma once

#include "ScriptedDialogs.h"
#include "TestMachine.h"

#include "controls/DirTree.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

class DirTreeFixture : public ::testing::Test {
public:
    // A drive letter linked to a host folder (made unless noMedium), of a type from drives.ini.
    static std::string AddDrive(char letter, const char* type, bool noMedium = false);
    static void RemoveDrive(char letter);
    // A folder below a drive's host folder ("a/b"), with the DOS attributes given.
    static void MakeFolder(const std::string& hostRoot, const std::string& relative,
                           win::DWORD attributes = 0);

protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the tree (not yet shown), names it DirTree1 and records its events.
    void MakeTree(bool fastLoad = false);
    // Shows the window, which creates the tree's window and reads the drives.
    void Show();

    // Captions of the children of node, or of the drives.
    QStringList Captions(TTreeNode* node = nullptr) const;
    TTreeNode* Node(const std::string& path) const { return tree->FindPathNode(path); }
    // The device-change notice, as the platform gives it.
    static void NoticeDevices();

    std::unique_ptr<QWidget> window;
    TDirTree* tree = nullptr;
    std::unique_ptr<testing_support::ScriptedDialogs> dialogs;
    std::vector<std::string> changes; // Path of each OnChange node, "<none>" for none
    std::vector<std::string> deleted; // caption of each deleted node
    int clicks = 0;
};
