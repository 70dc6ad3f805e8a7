// The directory tree fixture.
#include "DirTreeFixture.h"

#include "platform/Files.h"
#include "platform/PathMap.h"
#include "platform/Prefix.h"
#include "platform/ui/DeviceWatch.h"

#include <QCoreApplication>
#include <QVBoxLayout>
#include <filesystem>
#include <unistd.h>

using namespace testing_support;

void DirTreeFixture::SetUp() {
    // Notices about the previous test's machine are delivered before this one starts.
    platform::ui::DeviceWatch::Instance();
    QCoreApplication::processEvents();
    // The drives each test makes, besides C:; the machine's root and the home folder are not.
    RemoveDrive('Z');
    RemoveDrive('H');
    // Drive C: holds only what each test makes, besides the Windows folders.
    std::filesystem::remove(DriveC() + "/download");
    dialogs = std::make_unique<ScriptedDialogs>();
}

void DirTreeFixture::TearDown() {
    window.reset();
    dialogs.reset();
}

std::string DirTreeFixture::AddDrive(char letter, const char* type, bool noMedium) {
    const std::string host = MachineRoot() + "/drive-" + letter;
    if (!noMedium)
        std::filesystem::create_directories(host);
    EXPECT_EQ(::symlink(host.c_str(), platform::DriveLink(letter).c_str()), 0);
    const std::string ini = ReadHostFile(platform::PrefixFile("drives.ini"));
    WriteHostFile(platform::PrefixFile("drives.ini"),
                  ini + std::string(1, letter) + "=" + type + "\n");
    return host;
}

void DirTreeFixture::RemoveDrive(char letter) {
    ::unlink(platform::DriveLink(letter).c_str());
}

void DirTreeFixture::MakeFolder(const std::string& hostRoot, const std::string& relative,
                                win::DWORD attributes) {
    const std::string host = hostRoot + "/" + relative;
    std::filesystem::create_directories(host);
    if (attributes) {
        ASSERT_TRUE(win::SetFileAttributesA(platform::WindowsPathOf(host).c_str(), attributes));
    }
}

void DirTreeFixture::MakeTree(bool fastLoad) {
    window = std::make_unique<QWidget>();
    window->resize(300, 600);
    auto* layout = new QVBoxLayout(window.get());
    tree = new TDirTree(window.get());
    tree->setObjectName("DirTree1");
    tree->FastLoad = fastLoad;
    layout->addWidget(tree);
    tree->OnChange = [this](TDirTree*, TTreeNode* node) {
        changes.push_back(node && node->Record() ? node->Record()->Path : "<none>");
    };
    tree->OnDeleteItem = [this](TDirTree*, TTreeNode* node) {
        deleted.push_back(node->text(0).toStdString());
    };
    tree->OnClick = [this](TDirTree*) { ++clicks; };
}

void DirTreeFixture::Show() {
    window->show();
}

QStringList DirTreeFixture::Captions(TTreeNode* node) const {
    QStringList captions;
    const int count = node ? node->Count() : tree->TopCount();
    for (int i = 0; i < count; ++i)
        captions << (node ? node->child(i) : tree->topLevelItem(i))->text(0);
    return captions;
}

void DirTreeFixture::NoticeDevices() {
    emit platform::ui::DeviceWatch::Instance().devicesChanged();
}
