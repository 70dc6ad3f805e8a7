// The internal text viewer (TfrmTextViewer). For now the window itself, with its caption and size;
// its controls come with its own work.
#pragma once

#include "platform/ui/Form.h"

class TfrmTextViewer : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TfrmTextViewer(QWidget* parent = nullptr);
};
