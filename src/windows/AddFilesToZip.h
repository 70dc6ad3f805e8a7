// The add-files window (TAddform). For now the window itself, with its caption and size;
// its controls come with its own work.
#pragma once

#include "platform/ui/Form.h"

class TAddform : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TAddform(QWidget* parent = nullptr);
};
