// TMainForm: the main menu and the list's popup menu.
#include "app/Main.h"

#include "platform/ui/ListView.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace {

struct MenuItem {
    const char* name; // nullptr for a separator
    const char* caption;
    const char* shortcut;
    bool enabled;
    bool visible;
    bool checkable;
    bool checked;
};

constexpr MenuItem Separator{nullptr, "", "", true, true, false, false};
constexpr MenuItem Item(const char* name, const char* caption, const char* shortcut = "") {
    return {name, caption, shortcut, true, true, false, false};
}
// Disabled until an archive is open.
constexpr MenuItem Off(const char* name, const char* caption, const char* shortcut = "") {
    return {name, caption, shortcut, false, true, false, false};
}
constexpr MenuItem Check(const char* name, const char* caption, bool checked,
                         const char* shortcut = "") {
    return {name, caption, shortcut, true, true, true, checked};
}
constexpr MenuItem Hidden(const char* name, const char* caption, bool enabled,
                          const char* shortcut = "") {
    return {name, caption, shortcut, enabled, false, false, false};
}

struct Menu {
    const char* name;
    const char* caption;
    std::vector<MenuItem> items;
};

const std::vector<Menu>& MainMenu() {
    static const std::vector<Menu> menus = {
        {"File1",
         "&File",
         {Item("New1", "&New Archive...", "Ctrl+N"), Item("Open1", "&Open Archive...", "Ctrl+O"),
          Off("SaveAs1", "&Save Archive As...", "Ctrl+S"),
          Off("CloseArchive1", "&Close Archive", "Ctrl+C"),
          Off("DeleteArchive1", "&Delete Archive", "Ctrl+D"), Separator,
          Item("Wizard1", "&Wizard...", "Shift+W"),
          Hidden("FileInfo1", "&File Info...", false, "Shift+I"), Separator,
          Item("LastZip1", "&1 LastZip1", "Ctrl+1"), Item("LastZip2", "&2 LastZip2", "Ctrl+2"),
          Item("LastZip3", "&3 LastZip3", "Ctrl+3"), Item("LastZip4", "&4 LastZip4", "Ctrl+4"),
          Separator, Item("Exit1", "E&xit", "Alt+F4")}},
        {"Edit1", "Edit", {Item("MarkeraAllt1", "Select All", "Ctrl+A")}},
        {"Zip1",
         "&Zip",
         {Off("Install1", "&Auto Install"), Off("Run2", "Run"),
          Off("ViewSelected1", "&View  (Internal Text Viewer)", "F3"), Separator,
          Off("ExtractSelected1", "Extract &Selected", "Shift+E"),
          Off("ExtractAll1", "Extract &All", "Shift+X"), Off("Test1", "&Test", "Ctrl+T"), Separator,
          Off("AddToZip1", "A&dd To Zip", "Shift+A"),
          Off("DeleteFromZip1", "&Delete From Zip", "Shift+D"),
          Off("ConvertZiptoexe1", "Convert ZIP to EXE", "Shift+C")}},
        {"View1",
         "&View",
         {Check("List1", "&Brief List", false, "Ctrl+F1"),
          Check("Full1", "&Full List", true, "Ctrl+F2"), Check("Icons1", "&Icon", false, "Ctrl+F3"),
          Check("SmallIcons1", "&Small Icon", false, "Ctrl+F4"), Separator,
          Check("Size1", "&Size", true), Check("DateTime1", "&Date/Time", true),
          Check("Ratio1", "&Ratio", true), Check("PackedSize1", "&Packed Size", true),
          Check("Path1", "P&ath", true)}},
        {"Options2",
         "&Options",
         {Item("Options1", "&Configuration..."), Separator, Item("Font1", "&Font..."),
          Item("BackgroundColor1", "Background &Color..."),
          Check("GridLines1", "&Grid Lines", false), Item("SaveSettings1", "&Save Settings"),
          Separator, Item("SaveColumnwidth1", "Save &Column Width"),
          Item("Savewindowpos1", "&Save &Window Position")}},
        {"Help1",
         "&Help",
         {Item("Contents1", "&Contents", "F1"),
          Hidden("SearchforHelpOn1", "&Search for Help On...", true),
          Hidden("HowtoUseHelp1", "&How to Use Help", true), Item("Readmetxt1", "&Readme.txt"),
          Item("TolvekHomePage1", "&Tolvek Home Page"),
          Item("LatestVersion1", "&Pakrune Home Page"),
          Item("SendUsYourComments1", "S&end Us Your Comments"), Separator,
          Item("About1", "&About...")}},
    };
    return menus;
}

} // namespace

void TMainForm::BuildMenus() {
    for (const Menu& spec : MainMenu()) {
        QMenu* menu = menuBar()->addMenu(spec.caption);
        menu->setObjectName(spec.name);
        for (const MenuItem& item : spec.items) {
            if (!item.name) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(item.caption);
            action->setParent(this);
            action->setObjectName(item.name);
            action->setShortcut(QKeySequence(item.shortcut));
            action->setEnabled(item.enabled);
            action->setVisible(item.visible);
            action->setCheckable(item.checkable);
            action->setChecked(item.checked);
            items_[item.name] = action;
        }
    }
    // The four view styles are radio items: exactly one is ticked.
    auto* styles = new QActionGroup(this);
    for (const char* name : {"List1", "Full1", "Icons1", "SmallIcons1"})
        styles->addAction(Item(name));
}

void TMainForm::BuildPopupMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    const struct {
        const char* name;
        const char* caption;
        const char* shortcut;
    } items[] = {{"Run1", "Run or Open  (Executable or Document)", "F9"},
                 {"ViewSelected2", "View  (Internal Text Viewer)", "F3"},
                 {nullptr, "", ""},
                 {"ExtractSelectedFiles1", "Extract Selected Files", ""},
                 {"ExtractAllFiles1", "Extract All Files", ""}};
    for (const auto& item : items) {
        if (!item.name) {
            PopupMenu1->addSeparator();
            continue;
        }
        QAction* action = PopupMenu1->addAction(item.caption);
        action->setParent(this);
        action->setObjectName(item.name);
        // F3 belongs to the Zip menu's view item, which does the same: the popup only shows it.
        if (QString(item.shortcut) == "F3")
            action->setText(QString(item.caption) + "\tF3");
        else
            action->setShortcut(QKeySequence(item.shortcut));
        items_[item.name] = action;
    }
    ListView1->addActions(PopupMenu1->actions());
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(ListView1->mapToGlobal(at)); });
}

QAction* TMainForm::Item(const char* name) const {
    const auto found = items_.find(name);
    return found == items_.end() ? nullptr : found->second;
}

void TMainForm::EnableArchiveCommands(bool enabled) {
    for (const char* name : {"DeleteArchive1", "ExtractSelected1", "ExtractAll1",
                             "ConvertZiptoexe1", "AddToZip1", "DeleteFromZip1", "Install1", "Run2",
                             "ViewSelected1", "CloseArchive1", "SaveAs1", "FileInfo1"})
        Item(name)->setEnabled(enabled);
}
