// The creation wizard's page on what an archive is (TWiz1Fur). For now the window itself, with its
// caption and size; its controls come with its own work.
#pragma once

#include "platform/ui/Form.h"

class TWiz1Fur : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TWiz1Fur(QWidget* parent = nullptr);
};
