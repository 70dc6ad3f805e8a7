// The about window (TAboutBox). For now the window itself, with its caption and size;
// its controls come with its own work.
#pragma once

#include "platform/ui/Form.h"

class TAboutBox : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};
