// The about window.
#include "windows/about.h"

TAboutBox::TAboutBox(QWidget* parent) : Form("TAboutBox", "About", 298, 171, parent) {}
