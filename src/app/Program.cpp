// The program body: converts the command line, creates the windows in their order and runs the
// message loop until the main window closes.
#include "app/CommandLine.h"
#include "app/Forms.h"
#include "app/MachineCheck.h"
#include "app/Main.h"
#include "platform/ui/KernelServices.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Pakrune");
    platform::ui::ConnectKernelServices();
    if (!app::CheckMachine())
        return 1;
    app::SetCommandLine(argc, argv);
    CreateForms();
    AppForms().MainForm->show();
    const int result = QApplication::exec();
    DestroyForms();
    return result;
}
