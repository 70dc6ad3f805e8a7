// TMainForm: the creation wizard, the Help menu (help file, readme, web pages, feedback mail) and
// the about window.
#include "app/Main.h"

#include "app/Forms.h"
#include "platform/Process.h"
#include "platform/Volumes.h"
#include "platform/WinPath.h"
#include "platform/ui/WinHelp.h"
#include "windows/TextView.h"
#include "windows/Wizard1.h"
#include "windows/Wizard1Fur.h"
#include "windows/Wizard2.h"
#include "windows/Wizard3.h"
#include "windows/Wizard4.h"
#include "windows/about.h"

namespace {

// Addresses under the reserved .example domain until the project has its own.
constexpr const char* kMakerPage = "https://www.tolvek.example/";
constexpr const char* kProductPage = "https://www.pakrune.example/";
constexpr const char* kFeedbackMail = "mailto:feedback@pakrune.example";

// Hands an address to the user's browser or mail program; what the shell answers is ignored.
void OpenAddress(const char* address) {
    win::ShellExecuteA(nullptr, "open", address, nullptr, nullptr, win::SW_SHOWNORMAL);
}

} // namespace

void TMainForm::LinkHelpAndWizard() {
    Forms& forms = AppForms();
    forms.AboutBox->MainWindow = this;
    WizardPage::Link(
        {forms.Wiz1, forms.Wiz1Fur, forms.Wiz2, forms.Wiz3, forms.Wiz4, &CurrentArchive});
}

void TMainForm::WizardAddButClick() {
    AppForms().Wiz1->ShowModal();
    if (CurrentArchive.empty())
        return;
    OpenArchive(CurrentArchive);
    ComputeTotals();
    FillList(0, ZipMaster1.Count() - 1);
}

void TMainForm::FileInfo1Click() {
    // The item is hidden: the archive information window is filled but never opened.
}

void TMainForm::Contents1Click() {
    platform::ui::WinHelp(this, HelpFile, platform::ui::HELP_CONTENTS, 0);
}

void TMainForm::Readmetxt1Click() {
    char program[win::MAX_PATH] = {};
    win::GetModuleFileNameA(nullptr, program, sizeof program);
    AppForms().frmTextViewer->ViewModeless(win::ExtractFilePath(program) + "readme.txt");
}

void TMainForm::TolvekHomePage1Click() {
    OpenAddress(kMakerPage);
}

void TMainForm::LatestVersion1Click() {
    OpenAddress(kProductPage);
}

void TMainForm::SendUsYourComments1Click() {
    OpenAddress(kFeedbackMail);
}

void TMainForm::About1Click() {
    AppForms().AboutBox->ShowModal();
}
