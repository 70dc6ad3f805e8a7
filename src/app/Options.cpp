// The options dialog.
#include "app/Options.h"

TfrmOptions::TfrmOptions(QWidget* parent)
    : Form("TfrmOptions", "Pakrune Options", 459, 225, parent) {}
