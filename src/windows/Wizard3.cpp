// The creation wizard's file page.
#include "windows/Wizard3.h"

TWiz3::TWiz3(QWidget* parent) : Form("TWiz3", "Pakrune Wizard (3/X)", 392, 273, parent) {}
