// TMainForm: the listing. The directory update turns the engine's entries into sort keys, totals
// and rows; sorting works on the keys, and every change of order ends by refilling the rows.
#include "app/Main.h"

#include "app/Forms.h"
#include "app/ListingText.h"
#include "platform/ui/HourGlass.h"
#include "platform/ui/ListView.h"
#include "windows/FileInfo.h"

#include <QAction>
#include <QLabel>
#include <QToolButton>
#include <algorithm>
#include <cmath>

void TMainForm::ZipMaster1DirUpdate() {
    const bool open = !ZipMaster1.ZipFilename().empty();
    SetActivePictures(open);
    EnableArchiveCommands(open);
    // A test needs entries to read.
    Item("Test1")->setEnabled(open && ZipMaster1.Count() > 0);
    if (open && ZipMaster1.Count() > 0) {
        BuildSortKeys();
        ComputeTotals();
        FillList(0, ZipMaster1.Count() - 1);
        UpdateCaption();
        SetPanelText(2, "Total Uncompressed Size: " +
                            listing::GroupDigits(QString::number(TotalSize)) + " bytes");
        if (ListView1->RowCount() > 0)
            ListView1->SetFocusedRow(0);
        return;
    }
    if (!open)
        UpdateCaption();
    ListView1->Clear();
    SetPanelText(2, "Total Uncompressed Size: ");
}

void TMainForm::BuildSortKeys() {
    // The keys are the entries' indexes; their name order is worked out once per directory read
    // (opening an archive asks for the keys twice, and the rows shown stay).
    const ZipEntryList& entries = ZipMaster1.Entries();
    SortColumn = "Name";
    SortRows.Attach(&entries);
    if (!KeyOrder.BuiltFor(entries))
        KeyOrder.Build(entries);
    SortKeys = KeyOrder.Order();
}

void TMainForm::ComputeTotals() {
    TotalPacked = 0;
    TotalSize = 0;
    for (const ZipDirEntry& entry : ZipMaster1.Entries()) {
        TotalPacked += entry.CompressedSize;
        TotalSize += entry.UncompressedSize;
    }
    UpdateFileInfo();
}

void TMainForm::FillList(int first, int last) {
    platform::ui::HourGlass busy;
    if (ZipMaster1.Count() == 0) {
        ListView1->Clear();
        return;
    }
    ListingTotal = TotalSize;
    const auto from = static_cast<std::size_t>(std::max(0, first));
    const auto to = std::min(SortKeys.size(), static_cast<std::size_t>(std::max(0, last + 1)));
    SortRows.Fill(from < to
                      ? std::vector<std::uint32_t>(SortKeys.begin() + from, SortKeys.begin() + to)
                      : std::vector<std::uint32_t>{});
    ListView1->ShowRows(&SortRows);
    if (ListView1->RowCount() > 0)
        ListView1->SetSelected(0, true);
    rowsChosen_ = false; // the first row's mark is the listing's, not the user's choice
}

void TMainForm::ExtractSortValues(const std::string& field) {
    SortValues.clear();
    SortValues.reserve(SortKeys.size());
    const ZipEntryList* entries = SortRows.Entries();
    for (const std::uint32_t key : SortKeys) {
        if (!entries || key >= entries->size()) {
            SortValues.push_back(0); // no such entry: nothing to compare
            continue;
        }
        const ZipDirEntry& entry = (*entries)[key];
        SortValues.push_back(field == "@3"   ? entry.UncompressedSize
                             : field == "@1" ? entry.FileDateTime
                             : field == "@2"
                                 ? entry.CompressedSize
                                 : listing::RowRatio(entry.CompressedSize, entry.UncompressedSize));
    }
    SortColumn = field == "@3"   ? "Size"
                 : field == "@1" ? "Date"
                 : field == "@2" ? "UncopressedSize"
                                 : "ratio";
}

// A quicksort on the values, moving the keys in step. Its order for equal values is part of what
// the user sees, so it stays exactly this one.
void TMainForm::SortByValue(int lo, int hi) {
    const std::int64_t pivot = SortValues[static_cast<std::size_t>((lo + hi) / 2)];
    int i = lo, j = hi;
    do {
        while (SortValues[static_cast<std::size_t>(i)] < pivot)
            ++i;
        while (SortValues[static_cast<std::size_t>(j)] > pivot)
            --j;
        if (i <= j) {
            std::swap(SortValues[static_cast<std::size_t>(i)],
                      SortValues[static_cast<std::size_t>(j)]);
            std::swap(SortKeys[static_cast<std::size_t>(i)], SortKeys[static_cast<std::size_t>(j)]);
            ++i;
            --j;
        }
    } while (i <= j);
    if (lo < j)
        SortByValue(lo, j);
    if (i < hi)
        SortByValue(i, hi);
}

void TMainForm::ReverseOrder() {
    if (SortKeys.empty())
        return;
    std::reverse(SortKeys.begin(), SortKeys.end());
    FillList(0, ZipMaster1.Count() - 1);
}

void TMainForm::ListView1ColumnClick(int column) {
    static const char* const labels[] = {"Name", "Size", "Date", "ratio", "UncopressedSize"};
    static const char* const fields[] = {"", "@3", "@1", "ratio", "@2"};
    if (column < 0 || column > 4)
        return; // Path does not sort
    if (SortColumn == labels[column]) {
        ReverseOrder();
        return;
    }
    if (column == 0) {
        SortColumn = "Name";
        if (const ZipEntryList* entries = SortRows.Entries()) {
            if (!KeyOrder.BuiltFor(*entries))
                KeyOrder.Build(*entries);
            KeyOrder.Sort(SortKeys);
        }
    } else {
        ExtractSortValues(fields[column]);
        if (!SortKeys.empty())
            SortByValue(0, static_cast<int>(SortKeys.size()) - 1);
    }
    FillList(0, ZipMaster1.Count() - 1);
}

void TMainForm::ListView1KeyDown(int key) {
    const char* button = key == Qt::Key_Return || key == Qt::Key_Enter ? "SpeedButton3"
                         : key == Qt::Key_Space                        ? "SpeedButton4"
                         : key == Qt::Key_Delete                       ? "DeleteFromZipBut"
                                                                       : nullptr;
    if (button)
        Button(button)->click();
}

void TMainForm::ListView1DblClick() {
    SpeedButton3Click();
}

void TMainForm::MarkeraAllt1Click() {
    ListView1->SelectAll();
}

void TMainForm::ApplyListStyle(int style, const char* item) {
    const auto viewStyle = static_cast<platform::ui::ListView::ViewStyle>(style);
    ListView1->SetViewStyle(viewStyle);
    for (platform::ui::ListView* list : AddWindowLists())
        list->SetViewStyle(viewStyle);
    Item(item)->setChecked(true);
}

void TMainForm::List1Click() {
    ApplyListStyle(static_cast<int>(platform::ui::ListView::ViewStyle::List), "List1");
}
void TMainForm::Full1Click() {
    ApplyListStyle(static_cast<int>(platform::ui::ListView::ViewStyle::Report), "Full1");
}
void TMainForm::Icons1Click() {
    ApplyListStyle(static_cast<int>(platform::ui::ListView::ViewStyle::Icon), "Icons1");
}
void TMainForm::SmallIcons1Click() {
    ApplyListStyle(static_cast<int>(platform::ui::ListView::ViewStyle::SmallIcon), "SmallIcons1");
}

void TMainForm::UpdateFileInfo() {
    TfrmFileInfo* info = AppForms().frmFileInfo;
    if (!info)
        return;
    const double ratio =
        TotalSize != 0
            ? std::nearbyint(
                  (1.0 - static_cast<double>(TotalPacked) / static_cast<double>(TotalSize)) * 100.0)
            : 0;
    info->Label1->setText(QString::fromStdString(ZipMaster1.ZipFilename()).toLower());
    info->Label2->setText(QString::number(ZipMaster1.Count()));
    info->Label3->setText(listing::GroupDigits(QString::number(TotalPacked)) + " bytes");
    info->Label4->setText(listing::GroupDigits(QString::number(TotalSize)) + " bytes");
    info->Label5->setText(QString::number(std::max(0.0, ratio)) + "%");
}
