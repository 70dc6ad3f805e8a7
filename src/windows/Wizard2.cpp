// The creation wizard's naming page.
#include "windows/Wizard2.h"

TWiz2::TWiz2(QWidget* parent) : Form("TWiz2", "Pakrune Wizard (2/X)", 392, 273, parent) {}
