// The extract-to window (TExtractForm). For now the window itself, with its caption and size;
// its controls come with its own work.
#pragma once

#include "platform/ui/Form.h"

class TExtractForm : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TExtractForm(QWidget* parent = nullptr);
};
