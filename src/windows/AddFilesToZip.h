// The add-files window (TAddform): the user picks the files and folders to add to the open
// archive. On the left a folder tree and the files of its selected folder, on the right the
// selection. Files move across with a button, a double-click or a drag, folders go whole, and
// files can be dropped in from the desktop. The window adds nothing itself: the main window's add
// command reads the hidden path list ListBox1, the three option boxes and AddCancelled after the
// window has closed.
//
// The implementation is split by concern: AddFilesLayout.cpp builds the controls,
// AddFilesToZip.cpp shows and closes the window and keeps the selection.
#pragma once

#include "platform/ui/Form.h"

#include <QObject>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QSplitter;
class QToolButton;
class TDirTree;
class TFileDrop;
namespace platform::ui {
class ListView;
}

// False exactly when the add-files window was last closed with OK. The add command clears it
// before it shows the window.
extern bool AddCancelled;

// The hidden path list ListBox1: the paths handed to the add command, one a row. Row i names what
// row i of the selection list AddListView2 shows. The add command reads Items() and empties the
// list with Clear().
class TPathList : public QObject {
    Q_OBJECT
public:
    explicit TPathList(QObject* parent = nullptr) : QObject(parent) {}

    int Count() const { return static_cast<int>(items_.size()); }
    const std::vector<std::string>& Items() const { return items_; }
    void Clear() { items_.clear(); }
    void Add(std::string path) { items_.push_back(std::move(path)); }
    void Delete(int index) { items_.erase(items_.begin() + index); }
    // The row holding path, compared without regard to letter case (unless the two name files of
    // their own on the disk, as README.txt and readme.txt may); -1 when there is none.
    int IndexOf(std::string_view path) const;

private:
    std::vector<std::string> items_;
};

class TAddform : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TAddform(QWidget* parent = nullptr);

    // The designed controls.
    QWidget* Panel2; // the left pane
    QSplitter* Splitter2;
    QWidget* Panel4; // the right pane
    QFrame* Panel6;  // the left pane's header
    QLabel* PathLabel1;
    QFrame* Panel7; // the right pane's header
    QLabel* PathLabel2;
    TDirTree* DirTree1;
    platform::ui::ListView* AddListView1; // the files of the selected folder
    platform::ui::ListView* AddListView2; // the selection
    QCheckBox* RecurseCB;
    QCheckBox* DirnameCB;
    QCheckBox* EncryptCB; // "Protect With Password"
    QToolButton* AddFilesbtn;
    QToolButton* AddDirbtn;
    QToolButton* RemoveItembtn;
    QToolButton* RemoveAllBut;
    QPushButton* BitBtn1; // OK
    QPushButton* BitBtn2; // Cancel
    TPathList* ListBox1;
    TFileDrop* FileDrop1;

    // The archive the files are for (its name goes into the caption and the right header); the
    // caller hands it over before showing the window.
    void SetArchive(std::string path);

    void FillFileList();
    void AddFolderItem(const std::string& path);
    void AddSelectionItem(const std::string& path, const QString& sizeText);

    // Handlers.
    void FormShow();
    void DirTree1Change();
    void DirTree1Click();
    void AddListView1Click();
    void AddListView2Click();
    void AddFilesbtnClick();
    void AddListView1DblClick();
    void AddDirbtnClick();
    // A drag over the selection is taken only from the file list (source: the object the drag
    // came from, a view inside the list as Qt reports it).
    bool AddListView2DragOver(const QObject* source) const;
    void AddListView2DragDrop(const QObject* source);
    void FileDrop1Drop();
    void RemoveItembtnClick();
    void AddListView2DblClick();
    void RemoveAllButClick();
    void BitBtn1Click();
    void BitBtn2Click();

    // Whether the left pane's header shows as the active one.
    bool LeftHeaderActive() const { return leftActive_; }

    // What a drag out of the file list carries: only a mark that the rows come from there.
    static constexpr const char* FileRowsFormat = "application/x-pakrune-file-rows";

    // Any other way of closing (Escape, the window manager) is a cancel too.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // AddFilesLayout.cpp
    QWidget* BuildLeftPane();
    QWidget* BuildRightPane();
    QWidget* BuildAddOptions(QWidget* parent);
    QWidget* BuildSelectionButtons(QWidget* parent);
    // Gives both bottom panels the room the three option boxes need, the designed height at least.
    void FitBottomPanels();
    void BuildTree();
    void BuildDropTarget();
    void ConnectHandlers();
    void WatchClicks(platform::ui::ListView* list);
    // Keeps the selection's Size column in view when the pane is narrower than its columns.
    void FitSelectionColumns();

    // AddFilesToZip.cpp
    void SetActiveHeader(bool left);
    void AddSelectedFiles(bool deselect);
    bool IsInList(platform::ui::ListView* list, const QObject* object) const;

    std::string archive_;
    bool leftActive_ = true;
    // The names of the file list's rows as the disk gave them (the rows show them in lower case),
    // row for row, so that a name that is not valid text, or one of two names that differ only
    // in letter case, is handed on unchanged.
    std::vector<std::string> fileNames_;
};
