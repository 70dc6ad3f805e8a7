// The creation wizard's file page (TWiz3): the user picks the files, which are listed on the left,
// and "&Next >>" compresses them into the named archive with the page's own TZipMaster.
#pragma once

#include "engine/ZipMstr.h"
#include "windows/WizardPage.h"

#include <QStringList>
#include <string>
#include <vector>

namespace platform::ui {
class ListView;
}

class TWiz3 : public WizardPage {
    Q_OBJECT
public:
    explicit TWiz3(QWidget* parent = nullptr);

    platform::ui::ListView* ListView1; // the picked files, as large icons
    // The picked paths, row for row with ListView1; never shown, handed to the engine.
    QStringList ListBox1;
    QPushButton* BitBtn1; // "Add Files"
    QPushButton* BitBtn2; // "Clear List"
    QPushButton* Button1; // "&Close"
    QPushButton* Button3; // "<< &Back"
    QPushButton* Button2; // "&Next >>"
    TZipMaster ZipMaster1;

    void BitBtn1Click();
    void BitBtn2Click();
    void Button1Click();
    void Button3Click();
    void Button2Click();
    // Asks for files and lists those not listed yet; true when at least one was added.
    bool PickFiles();
    // Lists a path with its file type's icon and the path in lower case as its caption.
    void AddFileItem(const std::string& path);
    // Adds the listed files to the archive; true when the engine added at least one, and then
    // the lists are emptied. Otherwise says what failed and keeps the files listed.
    bool CompressFiles();

private:
    std::vector<std::string> engineErrors_; // what the engine reported during the last add
};
