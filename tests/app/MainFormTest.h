// A fixture that starts the program's windows on the test machine, as the program body does,
// with dialogs scripted, program starts recorded and the end of the program seen instead of
// done. The program lies in C:\Program Files\Pakrune; the engine libraries in the system folder.
#pragma once

#include "ScriptedDialogs.h"
#include "TestMachine.h"
#include "ZipBytes.h"

#include "app/Forms.h"
#include "app/Main.h"
#include "platform/Process.h"

#include <gtest/gtest.h>
#include <memory>

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the windows and runs the first showing's work, with these host paths as arguments.
    void Start(const std::vector<std::string>& hostArguments = {});
    // Ends the program's windows (writing what the end writes) and starts them again.
    void Restart();
    // Writes an archive laid out from entries at a host path.
    static void WriteArchive(const std::string& hostPath,
                             const std::vector<zipbytes::Entry>& entries);
    // The texts of a column, row by row.
    QStringList Column(int column) const;

    TMainForm* main = nullptr;
    std::unique_ptr<testing_support::ScriptedDialogs> dialogs;
    std::vector<platform::ProgramStart> starts;
    int terminations = 0;
};
