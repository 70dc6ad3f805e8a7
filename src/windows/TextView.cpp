// The internal text viewer.
#include "windows/TextView.h"

#include "platform/ui/Dialogs.h"
#include "platform/ui/ErrorBox.h"
#include "platform/ui/FindDialog.h"
#include "platform/ui/HourGlass.h"
#include "windows/ViewerText.h"

#include <QAction>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {

using Handler = void (TfrmTextViewer::*)();

struct MenuItem {
    const char* name;
    const char* caption;
    const char* shortcut;
    Handler handler; // nullptr: the item does nothing
    bool checkable = false;
};

struct Menu {
    const char* name;
    const char* caption;
    std::vector<MenuItem> items;
};

const std::vector<Menu>& ViewerMenu() {
    using V = TfrmTextViewer;
    static const std::vector<Menu> menus = {
        {"File1",
         "&File",
         {{"SaveAs1", "Save &As...", "", &V::SaveAs1Click},
          {"Print1", "&Print", "Ctrl+P", &V::Print1Click},
          {"PrintSetup1", "Prin&t Setup...", "", &V::PrintSetup1Click},
          {"Exit1", "E&xit", "", &V::Exit1Click}}},
        {"Edit1",
         "&Edit",
         {{"Copy1", "&Copy", "Ctrl+C", &V::Copy1Click},
          {"SelectAll1", "Select &All", "", &V::SelectAll1Click},
          {"Find1", "&Find...", "", &V::Find1Click}}},
        {"Options1",
         "&Options",
         {{"WrapLines1", "&Wrap Lines", "", &V::WrapLines1Click, true},
          {"Font1", "Font...", "", &V::Font1Click},
          {"SavePosition1", "&Save Position", "", nullptr}}},
    };
    return menus;
}

// "Courier New" at 10 points, or the font made to its measure where the machine lacks it.
QFont ViewerFont() {
    QFont font(QFontDatabase::hasFamily("Courier New") ? "Courier New" : "Liberation Mono");
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(10);
    return font;
}

} // namespace

TfrmTextViewer::TfrmTextViewer(QWidget* parent)
    : Form("TfrmTextViewer", "Text Viewer", 812, 612, parent), RichEdit1(new QPlainTextEdit(this)),
      FindDialog1(new platform::ui::FindDialog(this)) {
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setAccessibleName("Text");
    RichEdit1->setReadOnly(true);
    RichEdit1->setFont(ViewerFont());
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Lines wrap between words, and anywhere in a word too long for a line.
    RichEdit1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    RichEdit1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    RichEdit1->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RichEdit1);
    BuildMenu();
    platform::ui::ConnectCommand(FindDialog1, &platform::ui::FindDialog::findNext, this,
                                 [this](const QString& text) { FindDialog1Find(text); });
}

TfrmTextViewer::~TfrmTextViewer() = default;

void TfrmTextViewer::BuildMenu() {
    auto* bar = new QMenuBar(this);
    bar->setObjectName("MainMenu1");
    for (const Menu& spec : ViewerMenu()) {
        QMenu* menu = bar->addMenu(spec.caption);
        menu->setObjectName(spec.name);
        for (const MenuItem& item : spec.items) {
            QAction* action = menu->addAction(item.caption);
            action->setParent(this);
            action->setObjectName(item.name);
            action->setShortcut(QKeySequence(item.shortcut));
            action->setCheckable(item.checkable);
            if (item.handler)
                platform::ui::ConnectCommand(
                    action, &QAction::triggered, this,
                    [this, handler = item.handler] { (this->*handler)(); });
        }
    }
    Item("WrapLines1")->setChecked(true);
    layout()->setMenuBar(bar);
}

QAction* TfrmTextViewer::Item(const char* name) const {
    return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

QPrinter& TfrmTextViewer::Printer() {
    // Made when first needed: finding the printers can take a moment.
    if (!printer_)
        printer_ = std::make_unique<QPrinter>();
    return *printer_;
}

void TfrmTextViewer::LoadFromFile(const std::string& winPath) {
    viewer_text::FileText file;
    {
        const platform::ui::HourGlass busy;
        file = viewer_text::ReadFileText(winPath);
        RichEdit1->setPlainText(file.text);
    }
    shownBytes_ = std::move(file.bytes);
    truncated_ = file.truncated;
    // A search in the new text starts from its beginning.
    LastFindText.clear();
    LastFindPos = 0;
    if (file.truncated)
        platform::ui::ShowMessage(viewer_text::kTruncatedNotice);
}

void TfrmTextViewer::ViewModal(const std::string& winPath) {
    LoadFromFile(winPath);
    // A window cannot become modal while it is shown.
    if (isVisible())
        hide();
    ShowModal();
}

void TfrmTextViewer::ViewModeless(const std::string& winPath) {
    LoadFromFile(winPath);
    platform::ui::ShowModeless(this);
}

void TfrmTextViewer::SaveAs1Click() {
    // A file cut at the viewer's limit cannot be saved whole: the user hears so before choosing.
    if (truncated_ && !platform::ui::Confirm(viewer_text::kTruncatedSaveQuestion))
        return;
    const auto path = platform::ui::SaveFileName({.filter = "Text File (*.*)|*.*"});
    if (path)
        viewer_text::WriteFileBytes(*path, shownBytes_);
}

void TfrmTextViewer::Print1Click() {
    QPrinter& printer = Printer();
    if (!platform::ui::ExecutePrintDialog(printer))
        return;
    printer.setDocName(QString());
    RichEdit1->print(&printer);
}

void TfrmTextViewer::PrintSetup1Click() {
    platform::ui::ExecutePrinterSetup(Printer());
}

void TfrmTextViewer::Exit1Click() {
    close();
}

void TfrmTextViewer::Copy1Click() {
    RichEdit1->copy();
}

void TfrmTextViewer::SelectAll1Click() {
    RichEdit1->selectAll();
}

void TfrmTextViewer::Find1Click() {
    FindDialog1->Execute();
}

void TfrmTextViewer::WrapLines1Click() {
    // Triggering the item has already toggled its tick.
    RichEdit1->setLineWrapMode(Item("WrapLines1")->isChecked() ? QPlainTextEdit::WidgetWidth
                                                               : QPlainTextEdit::NoWrap);
}

void TfrmTextViewer::Font1Click() {
    const auto choice =
        platform::ui::ChooseFont(RichEdit1->font(), RichEdit1->palette().color(QPalette::Text));
    if (choice) {
        RichEdit1->setFont(choice->font);
        QPalette palette = RichEdit1->palette();
        palette.setColor(QPalette::Text, choice->colour);
        RichEdit1->setPalette(palette);
    }
    RichEdit1->setFocus();
}

bool TfrmTextViewer::RichEdit1KeyDown(const QKeyEvent& key) {
    if (key.key() != Qt::Key_Escape)
        return false;
    close();
    return true;
}

void TfrmTextViewer::showEvent(QShowEvent* event) {
    Form::showEvent(event);
    // Opened maximised the first time; afterwards it keeps the state the user left it in.
    if (!shownBefore_) {
        shownBefore_ = true;
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

bool TfrmTextViewer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == RichEdit1 && event->type() == QEvent::KeyPress)
        return RichEdit1KeyDown(*static_cast<QKeyEvent*>(event));
    return Form::eventFilter(watched, event);
}

void TfrmTextViewer::FindDialog1Find(const QString& findText) {
    if (findText.isEmpty())
        return;
    // The same text again goes on after the start of the previous match, so overlapping and
    // adjacent occurrences are found too; a new text starts at the beginning. When nothing
    // further is found the previous match stays selected and the search stays where it was.
    const bool again = findText == LastFindText;
    const qsizetype from = again ? LastFindPos + 1 : 0;
    const qsizetype found = RichEdit1->toPlainText().indexOf(findText, from, Qt::CaseSensitive);
    LastFindText = findText;
    if (found < 0) {
        if (!again)
            LastFindPos = -1;
        return;
    }
    LastFindPos = found;
    Select(found, findText.size());
}

void TfrmTextViewer::Select(qsizetype position, qsizetype length) {
    // The plain text holds one character per line break, as the document does, so positions in
    // it are positions in the document.
    QTextCursor cursor(RichEdit1->document());
    cursor.setPosition(static_cast<int>(position));
    cursor.setPosition(static_cast<int>(position + length), QTextCursor::KeepAnchor);
    RichEdit1->setFocus();
    RichEdit1->setTextCursor(cursor); // scrolls the selection into view
}
