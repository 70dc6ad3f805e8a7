// The creation wizard's welcome page.
#include "windows/Wizard1.h"

TWiz1::TWiz1(QWidget* parent) : Form("TWiz1", "Pakrune - Wizard (1/X)", 392, 273, parent) {}
