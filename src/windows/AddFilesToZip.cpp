// The add-files window.
#include "windows/AddFilesToZip.h"

TAddform::TAddform(QWidget* parent) : Form("TAddform", "Add files to ZIP", 640, 480, parent) {}
