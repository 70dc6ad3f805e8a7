// The internal text viewer.
#include "windows/TextView.h"

TfrmTextViewer::TfrmTextViewer(QWidget* parent)
    : Form("TfrmTextViewer", "Text Viewer", 812, 612, parent) {}
