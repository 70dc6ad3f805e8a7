// The options dialog: its pages and controls as designed, where it stands, the exchange with the
// settings (nothing on Cancel, every value in order on OK) and the Browse button.
#include "MainFormTest.h"

#include "app/Options.h"
#include "app/untExtract.h"
#include "controls/DirTree.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <functional>
#include <sys/stat.h>

using namespace testing_support;

namespace {

class OptionsDialog : public MainFormTest {
protected:
    std::string Ini() const { return DriveC() + "/Program Files/Pakrune/pakrune.ini"; }
    TfrmOptions* Options() const { return AppForms().frmOptions; }
    // Shows the dialog through the Options command; the user acts on it and closes it.
    void Show(std::function<int(TfrmOptions*)> user) {
        dialogs->Act([user](QWidget* window) { return user(static_cast<TfrmOptions*>(window)); });
        main->Options1Click();
    }
    std::string Registry() const {
        std::string text;
        for (const char* root : {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"})
            text += ReadHostFile(MachineRoot() + "/prefix/" + root + ".reg");
        return text;
    }
};

} // namespace

TEST_F(OptionsDialog, LaidOutAsDesigned) {
    Start();
    TfrmOptions* options = Options();
    EXPECT_EQ(options->windowTitle(), "Pakrune Options");
    EXPECT_EQ(options->size(), QSize(459, 225));
    const QStringList pages = {"Default download folder", "Browser options",
                               "Confirmation options"};
    ASSERT_EQ(options->PageControl1->count(), 3);
    for (int page = 0; page < 3; ++page) {
        EXPECT_EQ(options->PageControl1->tabText(page), pages[page]);
        EXPECT_EQ(options->PageControl1->widget(page)->objectName(),
                  QString("TabSheet%1").arg(page + 1));
    }
    EXPECT_EQ(options->PageControl1->currentIndex(), 2);
    const std::pair<const char*, const char*> captions[] = {
        {"radiobtnAutoMove", "When a new zip file is downloaded, automatically move it to:"},
        {"radiobtnKeepInTempDir", "Keep zip files in your temp folder"},
        {"btnBrowse", "Browse..."},
        {"chkboxNetscape", "Netscape 4.0  (for older versions, please see the help file)"},
        {"chkboxIE", "Internet Explorer  (all versions)"},
        {"chkboxAutoRunSetup", "If zip file contains a setup program, automatically run it"},
        {"chkboxAutoExit", "Exit Pakrune after installation from zip file"},
        {"Button1", "OK"},
        {"Button2", "Cancel"},
        {"Button3", "&Help"},
    };
    for (const auto& [name, caption] : captions)
        EXPECT_EQ(options->findChild<QAbstractButton*>(name)->text(), caption) << name;
    const QStringList labels = {
        "Download directory",
        "Use Pakrune to handle zip files downloaded with:", "Auto install:", "Exiting Pakrune"};
    for (int label = 0; label < 4; ++label) {
        const auto* found = options->findChild<QLabel*>(QString("Label%1").arg(label + 1));
        EXPECT_EQ(found->text(), labels[label]);
        EXPECT_TRUE(found->font().bold()) << label;
    }
    EXPECT_TRUE(options->Button1->isDefault());
    EXPECT_TRUE(options->Button3->isHidden());
    // One group: choosing one radio button clears the other.
    options->radiobtnAutoMove->setChecked(true);
    options->radiobtnKeepInTempDir->click();
    EXPECT_FALSE(options->radiobtnAutoMove->isChecked());
}

TEST_F(OptionsDialog, ShownOverTheMiddleOfTheMainWindowOnTheLastPage) {
    Start();
    main->move(101, 77);
    TfrmOptions* options = Options();
    options->show();
    const QRect frame = main->frameGeometry();
    EXPECT_EQ(options->pos(), QPoint(frame.left() + frame.width() / 2 - 233,
                                     frame.top() + frame.height() / 2 - 126));
    options->PageControl1->setCurrentIndex(0);
    options->hide();
    options->show();
    EXPECT_EQ(options->PageControl1->currentIndex(), 0);
    options->hide();
}

TEST_F(OptionsDialog, FilledFromTheSettingsInMemory) {
    WriteHostFile(Ini(), "[Options]\nAutoMove=0\nDownloadDir=D:\\Files\nAutoExit=0\n"
                         "[Browsers]\nIE=0\n");
    Start();
    Show([](TfrmOptions* options) {
        EXPECT_FALSE(options->radiobtnAutoMove->isChecked());
        EXPECT_TRUE(options->radiobtnKeepInTempDir->isChecked());
        EXPECT_EQ(options->editDownloadDir->text(), "D:\\Files");
        EXPECT_FALSE(options->editDownloadDir->isEnabled());
        EXPECT_FALSE(options->btnBrowse->isEnabled());
        EXPECT_TRUE(options->chkboxNetscape->isChecked());
        EXPECT_FALSE(options->chkboxIE->isChecked());
        EXPECT_TRUE(options->chkboxAutoRunSetup->isChecked());
        EXPECT_FALSE(options->chkboxAutoExit->isChecked());
        // The radio buttons switch the folder's controls and keep its text.
        options->radiobtnAutoMove->click();
        EXPECT_TRUE(options->editDownloadDir->isEnabled() && options->btnBrowse->isEnabled());
        options->radiobtnKeepInTempDir->click();
        EXPECT_FALSE(options->editDownloadDir->isEnabled() || options->btnBrowse->isEnabled());
        EXPECT_EQ(options->editDownloadDir->text(), "D:\\Files");
        return int(QDialog::Rejected);
    });
}

TEST_F(OptionsDialog, CancelAfterChangingEveryControlChangesNothing) {
    Start();
    const std::string ini = ReadHostFile(Ini()), registry = Registry();
    Show([](TfrmOptions* options) {
        options->radiobtnKeepInTempDir->click();
        options->editDownloadDir->setText("D:\\elsewhere");
        for (QCheckBox* box : options->findChildren<QCheckBox*>())
            box->click();
        return int(QDialog::Rejected);
    });
    EXPECT_EQ(ReadHostFile(Ini()), ini);
    EXPECT_EQ(Registry(), registry);
    EXPECT_TRUE(main->AutoMove && main->Netscape && main->IE && main->AutoRun && main->AutoExit);
    EXPECT_EQ(main->DownloadDir, "c:\\download");
}

TEST_F(OptionsDialog, OkWritesEveryValueAsShown) {
    Start();
    Show([](TfrmOptions* options) {
        options->radiobtnKeepInTempDir->click();
        options->chkboxAutoRunSetup->setChecked(false);
        return int(QDialog::Accepted);
    });
    // The disabled folder's text is stored all the same, as typed.
    EXPECT_EQ(ReadHostFile(Ini()), "[Options]\nAutoMove=0\nDownloadDir=c:\\download\nAutoRun=0\n"
                                   "AutoExit=1\n[Browsers]\nNetscape=1\nIE=1\n");
    EXPECT_FALSE(main->AutoMove);
    EXPECT_EQ(main->DownloadDir, "c:\\download");
    EXPECT_FALSE(main->AutoRun);
    EXPECT_TRUE(main->AutoExit);

    Show([](TfrmOptions* options) {
        options->radiobtnAutoMove->click();
        options->editDownloadDir->setText("e:\\no such folder\\");
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(main->AutoMove);
    EXPECT_EQ(main->DownloadDir, "e:\\no such folder\\");
}

TEST_F(OptionsDialog, ARefusedSettingsWriteStopsTheValuesAfterIt) {
    Start();
    WriteHostFile(Ini(), "");
    ::chmod(Ini().c_str(), 0444);
    Show([](TfrmOptions* options) {
        options->radiobtnKeepInTempDir->click();
        options->chkboxIE->setChecked(false);
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(dialogs->Messages(),
              QStringList{"Unable to write to C:\\Program Files\\Pakrune\\pakrune.ini"});
    EXPECT_TRUE(main->AutoMove);
    EXPECT_TRUE(main->IE);
}

TEST_F(OptionsDialog, BrowseTakesTheTreesFolderWithOkAndKeepsTheFolderWithCancel) {
    Start();
    const std::pair<bool, const char*> rows[] = {{true, "C:\\WINDOWS\\"}, {false, "c:\\download"}};
    for (const auto& [ok, expected] : rows) {
        QString shown;
        Show([&](TfrmOptions* options) {
            options->editDownloadDir->setText("c:\\download");
            // The extract-to window opens at the folder; the user picks another one and
            // presses OK or Cancel.
            dialogs->Act([&](QWidget* window) {
                auto* extract = static_cast<TExtractForm*>(window);
                shown = QString::fromStdString(extract->DirTree1->SelectedPath());
                extract->DirTree1->OpenPath("c:\\WINDOWS");
                (ok ? extract->BitBtn1 : extract->BitBtn2)->click();
                return extract->result();
            });
            options->btnBrowse->click();
            EXPECT_EQ(options->editDownloadDir->text(), expected) << ok;
            return int(QDialog::Rejected);
        });
        EXPECT_EQ(shown, "C:\\DOWNLOAD\\");
    }
}

TEST_F(OptionsDialog, BrowseWithNothingSelectedKeepsTheFolderName) {
    Start();
    Show([&](TfrmOptions* options) {
        options->editDownloadDir->setText("c:\\download");
        dialogs->Act([](QWidget* window) {
            static_cast<TExtractForm*>(window)->DirTree1->setCurrentItem(nullptr);
            return int(QDialog::Accepted);
        });
        options->btnBrowse->click();
        EXPECT_EQ(options->editDownloadDir->text(), "c:\\download"); // never "?"
        return int(QDialog::Rejected);
    });
}

TEST_F(OptionsDialog, BrowseFromAnEmptyFolderNameSaysSo) {
    Start();
    Show([&](TfrmOptions* options) {
        options->editDownloadDir->clear();
        options->btnBrowse->click();
        EXPECT_EQ(options->editDownloadDir->text(), "");
        return int(QDialog::Rejected);
    });
    EXPECT_EQ(dialogs->Messages(), QStringList{"Wrong directory name. "});
    EXPECT_EQ(dialogs->Shown().size(), 2u); // the options and the message, no extract-to window
}
