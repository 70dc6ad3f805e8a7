// The program's thirteen windows, created once at start in their designed order and alive until
// the program ends.
#pragma once

class TMainForm;
class TfrmOptions;
class TfrmTextViewer;
class TAboutBox;
class TfrmFileInfo;
class TAddform;
class TWiz1;
class TWiz2;
class TWiz1Fur;
class TWiz3;
class TWiz4;
class TEventForm;
class TExtractForm;

struct Forms {
    TMainForm* MainForm = nullptr;
    TfrmOptions* frmOptions = nullptr;
    TfrmTextViewer* frmTextViewer = nullptr;
    TAboutBox* AboutBox = nullptr;
    TfrmFileInfo* frmFileInfo = nullptr;
    TAddform* Addform = nullptr;
    TWiz1* Wiz1 = nullptr;
    TWiz2* Wiz2 = nullptr;
    TWiz1Fur* Wiz1Fur = nullptr;
    TWiz3* Wiz3 = nullptr;
    TWiz4* Wiz4 = nullptr;
    TEventForm* EventForm = nullptr;
    TExtractForm* ExtractForm = nullptr;
};

// The windows of the running program.
Forms& AppForms();
// Creates the windows in order: the main window first (its creation runs FormCreate), then the
// others. DestroyForms deletes them in reverse order; the main window's destruction runs
// FormDestroy.
void CreateForms();
void DestroyForms();
