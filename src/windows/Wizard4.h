// The creation wizard's closing page (TWiz4). For now the window itself, with its caption and size;
// its controls come with its own work.
#pragma once

#include "platform/ui/Form.h"

class TWiz4 : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TWiz4(QWidget* parent = nullptr);
};
