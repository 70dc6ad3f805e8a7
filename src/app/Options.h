// The options dialog (TfrmOptions). For now the window itself, with its caption and size;
// its controls come with its own work.
#pragma once

#include "platform/ui/Form.h"

class TfrmOptions : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TfrmOptions(QWidget* parent = nullptr);
};
