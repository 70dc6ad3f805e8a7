// The extract-to window (TExtractForm). For now the window itself, with its caption and size;
// its controls come with its own work.
#pragma once

#include "platform/ui/Form.h"

#include <string>

class TExtractForm : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TExtractForm(QWidget* parent = nullptr);

    // What other windows use of the folder tree DirTree1 (the options dialog's Browse button):
    // OpenTreePath selects a folder by its path and raises for a path the tree refuses (an empty
    // one); TreeSelectedPath is the selected folder in upper case with a trailing backslash, "?"
    // when nothing is selected.
    void OpenTreePath(const std::string& path);
    std::string TreeSelectedPath() const;

private:
    std::string selectedPath_ = "?"; // until DirTree1 is in place: the folder last opened
};
