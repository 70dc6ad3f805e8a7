// The creation wizard's welcome page (TWiz1). For now the window itself, with its caption and size;
// its controls come with its own work.
#pragma once

#include "platform/ui/Form.h"

class TWiz1 : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TWiz1(QWidget* parent = nullptr);
};
