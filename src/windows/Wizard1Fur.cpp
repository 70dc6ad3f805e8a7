// The creation wizard's page on what an archive is.
#include "windows/Wizard1Fur.h"

TWiz1Fur::TWiz1Fur(QWidget* parent)
    : Form("TWiz1Fur", "Pakrune Wizard (1/X) - Further Info", 392, 273, parent) {}
