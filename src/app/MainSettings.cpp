// TMainForm: the settings file, the recent-files menu and the appearance of the lists.
#include "app/Main.h"

#include "app/Forms.h"
#include "app/ListingText.h"
#include "platform/Files.h"
#include "platform/ui/DesignScale.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ListView.h"
#include "windows/AddFilesToZip.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace {

// Columns 0 to 5 of the main list: their keys in the settings file and their start-up widths.
const char* const kColumnKeys[] = {"File", "Size", "Time", "Ratio", "Packed", "Path"};
const int kColumnDefaults[] = {200, 80, 100, 60, 80, 300};
const char* const kColumnItems[] = {nullptr,  "Size1",       "DateTime1",
                                    "Ratio1", "PackedSize1", "Path1"};

bool OnSomeScreen(const QRect& frame) {
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(frame))
            return true;
    return false;
}

} // namespace

std::vector<platform::ui::ListView*> TMainForm::AddWindowLists() const {
    std::vector<platform::ui::ListView*> lists;
    if (const TAddform* add = AppForms().Addform)
        for (const char* name : {"AddListView1", "AddListView2"})
            if (auto* list = add->findChild<platform::ui::ListView*>(name))
                lists.push_back(list);
    return lists;
}

bool TMainForm::Written(bool ok) const {
    if (!ok)
        platform::ui::ShowMessage(QString::fromStdString("Unable to write to " + Settings.Path()));
    return ok;
}

void TMainForm::LoadSettings() {
    // 1. The options.
    AutoMove = Settings.ReadBool("Options", "AutoMove", true);
    DownloadDir = Settings.ReadString("Options", "DownloadDir", "c:\\download");
    Netscape = Settings.ReadBool("Browsers", "Netscape", true);
    IE = Settings.ReadBool("Browsers", "IE", true);
    AutoRun = Settings.ReadBool("Options", "AutoRun", true);
    AutoExit = Settings.ReadBool("Options", "AutoExit", true);

    // 2. The window's bounds; -1 keeps the designed one. The window is already centred, so a
    // stored position applies on top of that, unless it would put the window off every screen.
    const int left = Settings.ReadInteger("Window", "Left", -1);
    const int top = Settings.ReadInteger("Window", "Top", -1);
    const int width = Settings.ReadInteger("Window", "Width", -1);
    const int height = Settings.ReadInteger("Window", "Height", -1);
    const QRect frame = frameGeometry();
    const int frameWidth = frame.width() - this->width(),
              frameHeight = frame.height() - this->height();
    if (width != -1 || height != -1)
        resize(width != -1 ? width - frameWidth : this->width(),
               height != -1 ? height - frameHeight : this->height());
    const QPoint position(left != -1 ? left : frame.x(), top != -1 ? top : frame.y());
    if (OnSomeScreen(QRect(position, frameGeometry().size())))
        move(position);

    // 3. Column widths (the View menu's check marks stay as designed). The defaults are designed
    // widths, fitted to the font; stored widths are the user's own.
    const platform::ui::DesignScale design;
    for (int column = 0; column < 6; ++column)
        ListView1->SetColumnWidth(column, Settings.ReadInteger("Columns", kColumnKeys[column],
                                                               design.X(kColumnDefaults[column])));

    // 4. Grid lines (the menu's check mark stays as designed).
    ListView1->SetGridLines(Settings.ReadBool("Settings", "GridLines", false));

    // 5. The lists' font face; the add window's folder tree keeps its own font.
    const QString face = QString::fromStdString(Settings.ReadString("Settings", "Font", "Arial"));
    std::vector<platform::ui::ListView*> lists = AddWindowLists();
    lists.push_back(ListView1);
    for (platform::ui::ListView* list : lists) {
        QFont font = list->ListFont();
        font.setFamily(face);
        list->SetListFont(font);
    }
    // The designed width of Date/Time held the dates of the designed font and formats; left at
    // its default it widens to the widest date and time the locale writes in the list's font,
    // so no cell is cut.
    if (Settings.ReadInteger("Columns", kColumnKeys[2], -1) == -1) {
        int width = ListView1->ColumnWidth(2);
        for (const QString& text : listing::WidestDateTimeTexts())
            width = std::max(width, ListView1->CellWidth(text));
        ListView1->SetColumnWidth(2, width);
    }

    // 6. The lists' colour. A hand-edited value that is no colour is passed over.
    ListColor = colours::StringToColor(Settings.ReadString("Settings", "Color", "clWindow"))
                    .value_or(colours::clWindow);
    for (platform::ui::ListView* list : lists)
        list->SetColor(colours::ToQColor(ListColor, palette()));

    // 7. The recent files.
    for (int slot = 0; slot < 4; ++slot)
        RecentFiles[slot] = Settings.ReadString("Last Files", std::to_string(slot + 1).c_str(), "");

    // 8.
    Item("FileInfo1")->setEnabled(false);
}

void TMainForm::UpdateRecentFilesMenu() {
    for (int slot = 0; slot < 4; ++slot)
        Item(("LastZip" + std::to_string(slot + 1)).c_str())
            ->setText(QString("&%1 ").arg(slot + 1) + QString::fromStdString(RecentFiles[slot]));
}

void TMainForm::AddRecentFile(const std::string& path) {
    // The same path (compared exactly) stays where it is.
    for (const std::string& slot : RecentFiles)
        if (slot == path)
            return;
    for (int slot = 3; slot > 0; --slot)
        RecentFiles[slot] = RecentFiles[slot - 1];
    RecentFiles[0] = path;
    UpdateRecentFilesMenu();
}

void TMainForm::SaveRecentFiles() {
    for (int slot = 0; slot < 4; ++slot)
        if (!Written(Settings.WriteString("Last Files", std::to_string(slot + 1).c_str(),
                                          RecentFiles[slot])))
            return;
}

void TMainForm::LastZipClick(int slot) {
    const std::string& path = RecentFiles[slot];
    if (!platform::FileExists(path)) {
        platform::ui::ShowMessage("File does not exist");
        return;
    }
    OpenArchive(path);
    ComputeTotals();
}

void TMainForm::SaveSettings1Click() {
    Written(Settings.WriteBool("Settings", "GridLines", ListView1->GridLines())) &&
        Written(Settings.WriteString("Settings", "Font",
                                     ListView1->ListFont().family().toStdString())) &&
        Written(Settings.WriteString("Settings", "Color", colours::ColorToString(ListColor)));
}

void TMainForm::Savewindowpos1Click() {
    const QRect frame = frameGeometry();
    Written(Settings.WriteInteger("Window", "Left", frame.x())) &&
        Written(Settings.WriteInteger("Window", "Top", frame.y())) &&
        Written(Settings.WriteInteger("Window", "Width", frame.width())) &&
        Written(Settings.WriteInteger("Window", "Height", frame.height()));
}

void TMainForm::SaveColumnwidth1Click() {
    for (int column = 0; column < 6; ++column)
        if (!Written(Settings.WriteInteger("Columns", kColumnKeys[column],
                                           ListView1->ColumnWidth(column))))
            return;
}

void TMainForm::Font1Click() {
    const auto choice = platform::ui::ChooseFont(ListView1->ListFont(), ListView1->TextColor());
    if (!choice)
        return;
    std::vector<platform::ui::ListView*> lists = AddWindowLists();
    lists.push_back(ListView1);
    for (platform::ui::ListView* list : lists) {
        list->SetListFont(choice->font);
        list->SetTextColor(choice->colour);
    }
    if (AppForms().Addform)
        if (auto* tree = AppForms().Addform->findChild<QWidget*>("DirTree1")) {
            tree->setFont(choice->font);
            QPalette palette = tree->palette();
            palette.setColor(QPalette::Text, choice->colour);
            tree->setPalette(palette);
        }
}

void TMainForm::BackgroundColor1Click() {
    const auto colour = platform::ui::ChooseColour(ListView1->Color());
    if (!colour)
        return;
    ListColor = colours::FromQColor(*colour);
    std::vector<platform::ui::ListView*> lists = AddWindowLists();
    lists.push_back(ListView1);
    for (platform::ui::ListView* list : lists)
        list->SetColor(*colour);
}

void TMainForm::GridLines1Click() {
    ListView1->SetGridLines(Item("GridLines1")->isChecked());
}

void TMainForm::ColumnToggleClick(int column) {
    // Shown again: the stored width, or fitted to the contents when none is stored.
    const bool shown = Item(kColumnItems[column])->isChecked();
    ListView1->SetColumnWidth(column,
                              shown ? Settings.ReadInteger("Columns", kColumnKeys[column], -1) : 0);
}
