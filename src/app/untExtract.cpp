// The extract-to window.
#include "app/untExtract.h"

TExtractForm::TExtractForm(QWidget* parent)
    : Form("TExtractForm", "Extract to :", 230, 279, parent) {}
