// The program's windows.
#include "app/Forms.h"

#include "app/Main.h"
#include "app/Options.h"
#include "app/untEvent.h"
#include "app/untExtract.h"
#include "windows/AddFilesToZip.h"
#include "windows/FileInfo.h"
#include "windows/TextView.h"
#include "windows/Wizard1.h"
#include "windows/Wizard1Fur.h"
#include "windows/Wizard2.h"
#include "windows/Wizard3.h"
#include "windows/Wizard4.h"
#include "windows/about.h"

#include <QtGlobal>

Forms& AppForms() {
    static Forms forms;
    return forms;
}

void CreateForms() {
    // The pictures are linked in with the program's library; they are registered here.
    Q_INIT_RESOURCE(resources);
    Forms& f = AppForms();
    f.MainForm = new TMainForm;
    f.frmOptions = new TfrmOptions;
    f.frmTextViewer = new TfrmTextViewer;
    f.AboutBox = new TAboutBox;
    f.frmFileInfo = new TfrmFileInfo;
    f.Addform = new TAddform;
    f.Wiz1 = new TWiz1;
    f.Wiz2 = new TWiz2;
    f.Wiz1Fur = new TWiz1Fur;
    f.Wiz3 = new TWiz3;
    f.Wiz4 = new TWiz4;
    f.EventForm = new TEventForm;
    f.ExtractForm = new TExtractForm;
    f.MainForm->FormsCreated();
}

void DestroyForms() {
    Forms& f = AppForms();
    delete f.ExtractForm;
    delete f.EventForm;
    delete f.Wiz4;
    delete f.Wiz3;
    delete f.Wiz1Fur;
    delete f.Wiz2;
    delete f.Wiz1;
    delete f.Addform;
    delete f.frmFileInfo;
    delete f.AboutBox;
    delete f.frmTextViewer;
    delete f.frmOptions;
    delete f.MainForm;
    f = Forms{};
}
