// The folder browser: the title above a tree of the drives and their folders, an optional status
// line, OK and Cancel. A folder's subfolders are read when its node is first expanded, so opening
// the browser touches no drive beyond its root.
#pragma once

#include "platform/ui/Dialogs.h"

#include <QDialog>
#include <QStandardItemModel>

class QLabel;
class QPushButton;
class QTreeView;

namespace platform::ui {

class FolderBrowseDialog : public QDialog, public FolderBrowser {
    Q_OBJECT
public:
    explicit FolderBrowseDialog(const FolderBrowseOptions& options, QWidget* parent = nullptr);

    // The selected folder as a Windows path ("C:\" for a drive); empty when none is selected.
    std::string SelectedFolder() const;
    // Opens the tree down to the deepest existing folder of path and selects it.
    void SelectFolder(const std::string& path) override;
    void SetStatusText(const QString& text) override;
    QString StatusText() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void AddDrives();
    void ReadSubfolders(QStandardItem* item);
    QStandardItem* ChildNamed(QStandardItem* parent, const std::string& name);
    void ReportSelection();

    FolderBrowseOptions options_;
    QStandardItemModel model_;
    QTreeView* tree_;
    QLabel* status_;
    QPushButton* ok_;
    bool shown_ = false;
};

} // namespace platform::ui
