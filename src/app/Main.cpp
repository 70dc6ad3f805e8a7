// The main window TMainForm.
#include "app/Main.h"

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName("MainForm");
    setWindowTitle("Pakrune ");
    resize(576, 413);
}
