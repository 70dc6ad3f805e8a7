// The program body: converts the command line, creates the main window and runs the message loop.
#include "app/CommandLine.h"
#include "app/Main.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Pakrune");
    app::SetCommandLine(argc, argv);
    TMainForm mainForm;
    mainForm.show();
    return QApplication::exec();
}
