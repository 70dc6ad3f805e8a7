// The creation wizard's closing page.
#include "windows/Wizard4.h"

TWiz4::TWiz4(QWidget* parent) : Form("TWiz4", "Pakrune Wizard - Information", 392, 273, parent) {}
