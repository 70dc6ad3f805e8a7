// The creation wizard's naming page (TWiz2). For now the window itself, with its caption and size;
// its controls come with its own work.
#pragma once

#include "platform/ui/Form.h"

class TWiz2 : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TWiz2(QWidget* parent = nullptr);
};
