// TMainForm: the listing. The directory update turns the engine's entries into sort keys, totals
// and rows; sorting works on the keys, and every change of order ends by refilling the rows.
#include "app/Main.h"

#include "app/Forms.h"
#include "app/ListingText.h"
#include "engine/EntryNames.h"
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
    SortKeys.clear();
    SortRows.Clear();
    SortColumn = "Name";
    SortKeys.reserve(static_cast<qsizetype>(ZipMaster1.Entries().size()));
    SortRows.Reserve(ZipMaster1.Entries().size());
    for (const auto& entry : ZipMaster1.Entries())
        SortKeys.push_back(SortRows.Add(DecodeEntryName(entry->FileName), entry->FileDateTime,
                                        entry->CompressedSize, entry->UncompressedSize));
    SortRows.SortByLocale(SortKeys);
}

void TMainForm::ComputeTotals() {
    // The header fields are unsigned 32-bit sizes; their sums need 64 bits.
    TotalPacked = 0;
    TotalSize = 0;
    for (const auto& entry : ZipMaster1.Entries()) {
        TotalPacked += static_cast<std::uint32_t>(entry->CompressedSize);
        TotalSize += static_cast<std::uint32_t>(entry->UncompressedSize);
    }
    UpdateFileInfo();
}

void TMainForm::FillList(int first, int last) {
    platform::ui::HourGlass busy;
    ListView1->BeginUpdate();
    ListView1->Clear();
    if (ZipMaster1.Count() == 0) {
        ListView1->EndUpdate();
        return;
    }
    ListingTotal = static_cast<std::int32_t>(TotalSize); // wraps as the 32-bit total always did
    std::vector<platform::ui::ListRow> rows;
    rows.reserve(static_cast<std::size_t>(SortKeys.size()));
    for (int i = first; i <= last && i < SortKeys.size(); ++i) {
        const listing::KeyFacts& facts = SortRows.Of(SortKeys[i]);
        if (facts.listed)
            rows.push_back(facts.row);
    }
    ListView1->AddRows(std::move(rows));
    ListView1->EndUpdate();
    if (ListView1->RowCount() > 0)
        ListView1->SetSelected(0, true);
}

void TMainForm::ExtractSortValues(const std::string& field) {
    SortValues.clear();
    SortValues.reserve(static_cast<std::size_t>(SortKeys.size()));
    for (const QString& key : SortKeys) {
        const listing::KeyFacts& facts = SortRows.Of(key);
        SortValues.push_back(field == "@3"   ? facts.size
                             : field == "@1" ? facts.dateTime
                             : field == "@2" ? facts.packed
                                             : facts.ratio);
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
            SortKeys.swapItemsAt(i, j);
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
    const int n = static_cast<int>(SortKeys.size());
    if (n == 0)
        return;
    for (int i = 0; i <= (n - 1) / 2; ++i)
        SortKeys.swapItemsAt(i, n - 1 - i);
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
        SortRows.SortByLocale(SortKeys);
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
