// A fixture that starts the program's windows on the test machine.
#include "MainFormTest.h"

#include "app/CommandLine.h"
#include "platform/Volumes.h"
#include "platform/ui/KernelServices.h"
#include "platform/ui/ListView.h"
#include "platform/ui/Terminate.h"

#include <QCoreApplication>
#include <filesystem>

using namespace testing_support;

void MainFormTest::SetUp() {
    const std::string bin = std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
    for (const char* engine : {"libzipdll.so", "libunzdll.so"})
        std::filesystem::create_symlink(bin + "/" + engine, DriveC() + "/WINDOWS/SYSTEM/" + engine);
    std::filesystem::create_directories(DriveC() + "/download");
    // The program as the desktop is told to start it: a file of the user's.
    WriteHostFile(DriveC() + "/Program Files/Pakrune/pakrune", "#!/bin/sh\n");
    std::filesystem::permissions(DriveC() + "/Program Files/Pakrune/pakrune",
                                 std::filesystem::perms::owner_all);
    platform::OverrideProgramPath(DriveC() + "/Program Files/Pakrune/pakrune");
    platform::SetProgramStartHook([this](const platform::ProgramStart& start) {
        starts.push_back(start);
        return true;
    });
    platform::ui::SetTerminateHook([this] { ++terminations; });
    platform::ui::ConnectKernelServices();
    dialogs = std::make_unique<ScriptedDialogs>();
}

void MainFormTest::TearDown() {
    DestroyForms();
    TZipMaster::UnloadZipEngine();
    TZipMaster::UnloadUnzEngine();
    dialogs.reset();
    platform::SetProgramStartHook(nullptr);
    platform::ui::SetTerminateHook(nullptr);
    platform::OverrideProgramPath("");
}

void MainFormTest::Start(const std::vector<std::string>& hostArguments) {
    std::vector<std::string> arguments = {"pakrune"};
    arguments.insert(arguments.end(), hostArguments.begin(), hostArguments.end());
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    app::SetCommandLine(static_cast<int>(argv.size()), argv.data());
    CreateForms();
    main = AppForms().MainForm;
    // As the program runs it: shown, centred, and its first showing's work run by the message
    // loop (an error escaping it goes to the default error box).
    main->show();
    QCoreApplication::processEvents();
}

void MainFormTest::WriteArchive(const std::string& hostPath,
                                const std::vector<zipbytes::Entry>& entries) {
    WriteHostFile(hostPath, zipbytes::Archive(entries));
}

void MainFormTest::Restart() {
    DestroyForms();
    TZipMaster::UnloadUnzEngine();
    CreateForms();
    main = AppForms().MainForm;
    main->show();
    QCoreApplication::processEvents();
}

QStringList MainFormTest::Column(int column) const {
    QStringList texts;
    for (int row = 0; row < main->ListView1->RowCount(); ++row)
        texts << main->ListView1->Cell(row, column);
    return texts;
}
