// The listing: rows, sorting by every column, totals and the archive information window.
#include "MainFormTest.h"

#include "app/ListingText.h"
#include "platform/ui/ListView.h"
#include "windows/FileInfo.h"

#include <QAction>
#include <QLabel>
#include <algorithm>
#include <numeric>

using namespace testing_support;

namespace {

std::int32_t Dos(int day) {
    return static_cast<std::int32_t>(((2024 - 1980) << 25) | (5 << 21) | (day << 16) | (12 << 11));
}

zipbytes::Entry Sized(const char* name, std::size_t packed, std::uint32_t size, int day) {
    zipbytes::Entry entry{name, std::string(packed, 'x')};
    entry.uncompressedSize = size;
    entry.dosDateTime = static_cast<std::uint32_t>(Dos(day));
    return entry;
}

class Listing : public MainFormTest {
protected:
    void Open(const std::vector<zipbytes::Entry>& entries) {
        WriteArchive(DriveC() + "/list.zip", entries);
        Start();
        main->AutoRun = false;
        main->OpenArchive("C:\\list.zip");
    }
    QStringList Names() const { return Column(0); }
};

} // namespace

TEST_F(Listing, RowsShowEveryColumn) {
    zipbytes::Entry undated = Sized("docs/undated.txt", 6, 4, 1);
    undated.dosDateTime = 0;
    Open({Sized("docs/a.txt", 600, 1234, 12), undated, Sized("empty.txt", 0, 0, 2)});
    ASSERT_EQ(main->ListView1->RowCount(), 3);
    EXPECT_EQ(Names(), (QStringList{"a.txt", "undated.txt", "empty.txt"}));
    EXPECT_EQ(Column(1), (QStringList{"1 234", "4", "0"}));
    EXPECT_EQ(Column(2)[1], ""); // no valid date: an empty cell, the rest of the row as usual
    EXPECT_FALSE(Column(2)[0].isEmpty());
    EXPECT_EQ(Column(3), (QStringList{"51%", "-50%", "0%"})); // a grown entry shows its minus sign
    EXPECT_EQ(Column(4), (QStringList{"600", "6", "0"}));
    EXPECT_EQ(Column(5), (QStringList{"docs/", "docs/", ""}));
    EXPECT_EQ(main->EntryPathOfRow(1), "docs/undated.txt");
    EXPECT_TRUE(main->ListView1->IsSelected(0));
    EXPECT_EQ(main->ListView1->FocusedRow(), 0);
}

TEST_F(Listing, EveryColumnSortsAscendingThenReverses) {
    Open({Sized("b.txt", 30, 100, 2), Sized("A.txt", 10, 300, 3), Sized("c.txt", 50, 50, 1),
          Sized("dir/d.txt", 20, 200, 4)});
    EXPECT_EQ(Names(),
              (QStringList{"A.txt", "b.txt", "c.txt", "d.txt"})); // by name, without regard to case
    struct Row {
        int column;
        QStringList first;
    };
    const Row rows[] = {{1, {"c.txt", "b.txt", "d.txt", "A.txt"}}, // size
                        {2, {"c.txt", "b.txt", "A.txt", "d.txt"}}, // date
                        {3, {"c.txt", "b.txt", "d.txt", "A.txt"}}, // ratio 0, 70, 90, 97
                        {4, {"A.txt", "d.txt", "b.txt", "c.txt"}}, // packed size
                        {0, {"A.txt", "b.txt", "c.txt", "d.txt"}}};
    for (const Row& row : rows) {
        main->ListView1ColumnClick(row.column);
        EXPECT_EQ(Names(), row.first) << "column " << row.column;
        main->ListView1ColumnClick(row.column);
        QStringList reversed(row.first.rbegin(), row.first.rend());
        EXPECT_EQ(Names(), reversed) << "column " << row.column << ", second click";
    }
    const QStringList before = Names();
    main->ListView1ColumnClick(5); // Path does not sort
    EXPECT_EQ(Names(), before);
}

TEST_F(Listing, NamesSortWithoutRegardToCaseInEveryLocale) {
    // The same order under C.UTF-8 and en_US.UTF-8 (ctest runs the listing tests in both).
    Open({Sized("Banana", 1, 1, 1), Sized("Delta", 1, 1, 1), Sized("apple", 1, 1, 1),
          Sized("cherry", 1, 1, 1), Sized("Grüße", 1, 1, 1), Sized("data/x.txt", 1, 1, 1),
          Sized("B.txt", 1, 1, 1), Sized("a.txt", 1, 1, 1)});
    const QStringList sorted{"a.txt",  "apple", "B.txt", "Banana",
                             "cherry", "x.txt", "Delta", "Grüße"};
    EXPECT_EQ(Names(), sorted);
    main->ListView1ColumnClick(0);
    EXPECT_EQ(Names(), QStringList(sorted.rbegin(), sorted.rend()));
}

TEST_F(Listing, TheFirstClickOnFileAfterOpeningReverses) {
    Open({Sized("b.txt", 1, 1, 1), Sized("a.txt", 1, 1, 1), Sized("c.txt", 1, 1, 1)});
    main->ListView1ColumnClick(0);
    EXPECT_EQ(Names(), (QStringList{"c.txt", "b.txt", "a.txt"}));
}

TEST_F(Listing, FolderEntriesAreCountedButNotListed) {
    Open({{"a/", ""}, {"a/b/", ""}, {"c/", ""}});
    EXPECT_EQ(main->ZipMaster1.Count(), 3);
    EXPECT_EQ(main->ListView1->RowCount(), 0);
    EXPECT_EQ(main->PanelText(1), "Files in Zip: 3");
}

TEST_F(Listing, NamesHoldingTheKeySeparatorsListAndSort) {
    Open({Sized("x@1y.txt", 5, 50, 3), Sized("odd@3@2.txt", 9, 10, 1),
          Sized("n@2/m@1.bin", 1, 20, 2)});
    EXPECT_EQ(Names(), (QStringList{"m@1.bin", "odd@3@2.txt", "x@1y.txt"}));
    EXPECT_EQ(Column(5)[0], "n@2/");
    main->ListView1ColumnClick(1);
    EXPECT_EQ(Column(1), (QStringList{"10", "20", "50"}));
    main->ListView1ColumnClick(2);
    EXPECT_EQ(Names(), (QStringList{"odd@3@2.txt", "m@1.bin", "x@1y.txt"}));
}

TEST_F(Listing, TotalsReachTheStatusBarAndTheInformationWindow) {
    Open({Sized("A.TXT", 1000, 4000, 1), Sized("b.txt", 3000, 6000, 1)});
    EXPECT_EQ(main->PanelText(2), "Total Uncompressed Size: 10 000 bytes");
    const TfrmFileInfo* info = AppForms().frmFileInfo;
    EXPECT_EQ(info->Label1->text(), "c:\\list.zip");
    EXPECT_EQ(info->Label2->text(), "2");
    EXPECT_EQ(info->Label3->text(), "4 000 bytes");
    EXPECT_EQ(info->Label4->text(), "10 000 bytes");
    EXPECT_EQ(info->Label5->text(), "60%");

    // Nothing to compress, or stored as it is: 0%; more packed than unpacked: 0% too.
    WriteArchive(DriveC() + "/empty.zip", {{"e.txt", ""}});
    main->OpenArchive("C:\\empty.zip");
    EXPECT_EQ(info->Label5->text(), "0%");
    WriteArchive(DriveC() + "/stored.zip", {{"s.txt", "stored as it is"}});
    main->OpenArchive("C:\\stored.zip");
    EXPECT_EQ(info->Label5->text(), "0%");
    WriteArchive(DriveC() + "/grown.zip", {Sized("g.txt", 10, 5, 1)});
    main->OpenArchive("C:\\grown.zip");
    EXPECT_EQ(info->Label5->text(), "0%");
}

TEST_F(Listing, AnArchiveWithoutEntriesAfterOneWithEntriesShowsNothing) {
    Open({Sized("a.txt", 1, 1, 1)});
    WriteHostFile(DriveC() + "/nothing.zip", "not an archive");
    dialogs->Messages(); // the reader says so in a message box
    main->OpenArchive("C:\\nothing.zip");
    EXPECT_EQ(main->ListView1->RowCount(), 0);
    EXPECT_EQ(main->PanelText(2), "Total Uncompressed Size: ");
    EXPECT_EQ(dialogs->Messages(), QStringList{"No valid zip entries found"});
    EXPECT_TRUE(main->Item("ExtractAll1")->isEnabled()); // an archive is open, without entries
}

TEST_F(Listing, ViewStylesAndSelectAll) {
    Open({Sized("a.txt", 1, 1, 1), Sized("b.txt", 1, 1, 1)});
    main->Item("Icons1")->trigger();
    EXPECT_EQ(main->ListView1->Style(), platform::ui::ListView::ViewStyle::Icon);
    EXPECT_TRUE(main->Item("Icons1")->isChecked());
    EXPECT_FALSE(main->Item("Full1")->isChecked());
    main->Item("List1")->trigger();
    EXPECT_EQ(main->ListView1->Style(), platform::ui::ListView::ViewStyle::List);
    main->Item("MarkeraAllt1")->trigger();
    EXPECT_EQ(main->ListView1->SelectedRows(), (std::vector<int>{0, 1}));
}

TEST_F(Listing, EqualValuesLeaveTheQuicksortInItsOwnOrder) {
    // The order of ties is what the quicksort's steps leave, not that of a stable or library sort.
    struct Row {
        std::vector<std::int64_t> values;
        QString order; // keys "a", "b", ... in the order the sort leaves them
    };
    const Row rows[] = {
        {{3, 1, 3, 2, 3, 1, 2, 3}, "fbgdahec"},
        {{5, 5, 5, 5, 5}, "decab"},
        {{2, 1, 2, 1, 2, 1}, "dbfeac"},
    };
    Start();
    for (const Row& row : rows) {
        main->SortKeys.resize(row.values.size());
        std::iota(main->SortKeys.begin(), main->SortKeys.end(), 0);
        main->SortValues = row.values;
        main->SortByValue(0, static_cast<int>(row.values.size()) - 1);
        QString order;
        for (const std::uint32_t key : main->SortKeys)
            order += QChar('a' + static_cast<int>(key));
        EXPECT_EQ(order, row.order);
        EXPECT_TRUE(std::is_sorted(main->SortValues.begin(), main->SortValues.end()));
    }
}

TEST_F(Listing, RatiosBeyond32BitsShowAndSortAsComputed) {
    // One byte packed into 30,000,000: (1 - 30,000,000) x 100.
    Open({Sized("grown.bin", 30000000, 1, 1), Sized("half.txt", 5, 10, 1)});
    EXPECT_EQ(Column(3), (QStringList{"-2999999900%", "50%"}));
    // Sorting by ratio compares the values shown, also beyond 32 bits.
    ZipEntryList entries;
    for (const auto& [name, packed] :
         {std::pair{"b", 22000000}, {"a", 30000000}, {"c", 25000000}}) {
        ZipDirEntry entry;
        entry.CompressedSize = packed;
        entry.UncompressedSize = 1;
        entries.Append(entry, name);
    }
    main->SortRows.Attach(&entries);
    main->SortKeys = {0, 1, 2};
    main->ExtractSortValues("ratio");
    main->SortByValue(0, 2);
    EXPECT_EQ(main->SortKeys, (std::vector<std::uint32_t>{1, 2, 0})); // a, c, b
    main->SortRows.Attach(nullptr);
}

TEST_F(Listing, TotalsAbove2GiBAreShownWhole) {
    Open({Sized("a.iso", 10, 2000000000, 1), Sized("b.iso", 10, 1500000000, 1)});
    EXPECT_EQ(main->PanelText(2), "Total Uncompressed Size: 3 500 000 000 bytes");
    const TfrmFileInfo* info = AppForms().frmFileInfo;
    EXPECT_EQ(info->Label4->text(), "3 500 000 000 bytes");
    EXPECT_EQ(info->Label5->text(), "100%");
}

TEST_F(Listing, EntriesOf2GiBAndMoreShowSortAndAddUpByTheirRealSizes) {
    // A Zip64 entry of 5,000,000,000 bytes (its header's sizes 0xFFFFFFFF, the real ones in its
    // Zip64 extra field) and one of 3,000,000,000 bytes in the header's 32 bits, beside a small
    // one.
    zipbytes::Entry zip64{"big.iso", std::string(100, 'x')};
    zip64.compressedSize = 0xFFFFFFFF;
    zip64.uncompressedSize = 0xFFFFFFFF;
    zip64.extra = zipbytes::Zip64Extra(5000000000, 100);
    zip64.dosDateTime = static_cast<std::uint32_t>(Dos(3));
    Open({zip64, Sized("three.iso", 10, 3000000000U, 2), Sized("small.txt", 5, 10, 1)});
    EXPECT_EQ(Names(), (QStringList{"big.iso", "small.txt", "three.iso"}));
    EXPECT_EQ(Column(1), (QStringList{"5 000 000 000", "10", "3 000 000 000"}));
    EXPECT_EQ(Column(3), (QStringList{"100%", "50%", "100%"}));
    EXPECT_EQ(Column(4), (QStringList{"100", "5", "10"}));
    EXPECT_EQ(main->PanelText(2), "Total Uncompressed Size: 8 000 000 010 bytes");
    EXPECT_EQ(AppForms().frmFileInfo->Label3->text(), "115 bytes");
    main->ListView1ColumnClick(1); // by size
    EXPECT_EQ(Names(), (QStringList{"small.txt", "three.iso", "big.iso"}));
    main->ListView1ColumnClick(4); // by packed size
    EXPECT_EQ(Names(), (QStringList{"small.txt", "three.iso", "big.iso"}));
}
