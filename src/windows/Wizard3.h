// The creation wizard's file page (TWiz3). For now the window itself, with its caption and size;
// its controls come with its own work.
#pragma once

#include "platform/ui/Form.h"

class TWiz3 : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TWiz3(QWidget* parent = nullptr);
};
