// The extract-to window.
#include "app/untExtract.h"

#include "platform/WinPath.h"

#include <stdexcept>

TExtractForm::TExtractForm(QWidget* parent)
    : Form("TExtractForm", "Extract to :", 230, 279, parent) {}

void TExtractForm::OpenTreePath(const std::string& path) {
    if (path.empty())
        throw std::runtime_error("Invalid Path Name");
    if (path == "?")
        return;
    selectedPath_ = win::UpperCase(path.back() == '\\' ? path : path + "\\");
}

std::string TExtractForm::TreeSelectedPath() const {
    return selectedPath_;
}
