// The windows' designed geometry fitted to the desktop's font: exactly as designed at a font of the
// designed measures; at wider fonts in proportion, so that every text fits its control (measured
// with the font's metrics); and a main window at its least size keeps its toolbar in one piece.
#include "MainFormTest.h"

#include "app/Options.h"
#include "app/untEvent.h"
#include "app/untExtract.h"
#include "controls/DirTree.h"
#include "platform/ui/DesignScale.h"
#include "platform/ui/ListView.h"
#include "windows/AddFilesToZip.h"
#include "windows/FileInfo.h"
#include "windows/TextView.h"
#include "windows/Wizard1.h"
#include "windows/Wizard1Fur.h"
#include "windows/Wizard2.h"
#include "windows/Wizard3.h"
#include "windows/Wizard4.h"
#include "windows/about.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>

using namespace testing_support;

namespace {

// The shown text of a control: a mnemonic's ampersand is not drawn.
QString Shown(const QString& text) {
    QString shown = text;
    return shown.replace(QRegularExpression("&(.)"), "\\1");
}

int Advance(const QWidget* widget, const QString& text) {
    return QFontMetrics(widget->font()).horizontalAdvance(Shown(text));
}

// The room a check box or radio button leaves its text beside the indicator.
int TextRoom(const QAbstractButton* button, QStyle::SubElement contents) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.rect = button->rect();
    return button->style()->subElementRect(contents, &option, button).width();
}

// What of window's texts does not fit its control, one line each.
QStringList CutTexts(QWidget* window) {
    QStringList cut;
    const auto check = [&cut](const QWidget* widget, const QString& text, int needed, int room) {
        if (needed > room)
            cut << QString("%1 \"%2\": %3 > %4")
                       .arg(widget->objectName(), text)
                       .arg(needed)
                       .arg(room);
    };
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window))
            continue;
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            if (label->text().isEmpty() || label->wordWrap())
                continue;
            const QFontMetrics metrics(label->font());
            const QString text = label->buddy() ? Shown(label->text()) : label->text();
            check(label, text, metrics.horizontalAdvance(text), label->contentsRect().width());
            check(label, text, metrics.height(), label->contentsRect().height());
        } else if (const auto* box = qobject_cast<const QCheckBox*>(widget)) {
            check(box, box->text(), Advance(box, box->text()),
                  TextRoom(box, QStyle::SE_CheckBoxContents));
        } else if (const auto* radio = qobject_cast<const QRadioButton*>(widget)) {
            check(radio, radio->text(), Advance(radio, radio->text()),
                  TextRoom(radio, QStyle::SE_RadioButtonContents));
        } else if (const auto* push = qobject_cast<const QPushButton*>(widget)) {
            const int margins =
                2 * push->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, push);
            const int icon = push->icon().isNull() ? 0 : push->iconSize().width() + 4;
            check(push, push->text(), Advance(push, push->text()) + icon + margins, push->width());
        } else if (const auto* tool = qobject_cast<const QToolButton*>(widget)) {
            if (!tool->text().isEmpty() && tool->toolButtonStyle() != Qt::ToolButtonIconOnly)
                check(tool, tool->text(), tool->sizeHint().width(), tool->width());
        } else if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
            check(group, group->title(), Advance(group, group->title()), group->width());
        } else if (const auto* tabs = qobject_cast<const QTabBar*>(widget)) {
            // All tabs in view, none behind the scroll buttons.
            check(tabs, tabs->tabText(tabs->count() - 1), tabs->tabRect(tabs->count() - 1).right(),
                  tabs->width() - 1);
        } else if (const auto* header = qobject_cast<const QHeaderView*>(widget)) {
            const int margin =
                header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
            for (int section = 0; section < header->count(); ++section) {
                if (header->isSectionHidden(section))
                    continue;
                const QString text =
                    header->model()->headerData(section, Qt::Horizontal).toString();
                check(header, text, Advance(header, text) + 2 * margin,
                      header->sectionSize(section));
            }
        } else if (const auto* memo = qobject_cast<const QPlainTextEdit*>(widget)) {
            // Every designed line on a line of its own, and all of them in view.
            for (QTextBlock block = memo->document()->firstBlock(); block.isValid();
                 block = block.next())
                check(memo, block.text(), block.layout()->lineCount(), 1);
            check(memo, "(all lines)", static_cast<int>(memo->document()->size().height()),
                  memo->viewport()->height() / QFontMetrics(memo->font()).lineSpacing());
        }
    }
    return cut;
}

// The cells of a list in its report style: each text with the margins the delegate keeps within
// its column, and unless the columns are wider than the list by design, each column in view.
QStringList CutCells(const platform::ui::ListView& list, bool allColumnsInView = false) {
    QStringList cut;
    const QAbstractItemView* report = list.CurrentView();
    const auto* header = report->findChild<const QHeaderView*>();
    for (int column = 0; column < list.ColumnCount(); ++column)
        if (allColumnsInView && list.ColumnWidth(column) > 0 &&
            header->sectionViewportPosition(column) + list.ColumnWidth(column) >
                report->viewport()->width())
            cut << QString("column %1 out of view").arg(column);
    const QFontMetrics metrics(list.ListFont());
    const int margins = 2 * (list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    for (int row = 0; row < list.RowCount(); ++row)
        for (int column = 0; column < list.ColumnCount(); ++column) {
            const int width = list.ColumnWidth(column);
            // The caption shares its column with the icon.
            const int needed = metrics.horizontalAdvance(list.Cell(row, column)) + margins +
                               (column == 0 ? 16 + margins : 0);
            if (width > 0 && needed > width)
                cut << QString("row %1 column %2 \"%3\": %4 > %5")
                           .arg(row)
                           .arg(column)
                           .arg(list.Cell(row, column))
                           .arg(needed)
                           .arg(width);
        }
    return cut;
}

// Shows a window as its command would and lets it lay itself out.
void Show(QWidget* window) {
    window->show();
    QApplication::processEvents();
}

// Every window of the program that has designed geometry, by the name the table uses.
std::vector<std::pair<const char*, QWidget*>> Windows() {
    const Forms& forms = AppForms();
    return {{"options", forms.frmOptions}, {"viewer", forms.frmTextViewer},
            {"about", forms.AboutBox},     {"file info", forms.frmFileInfo},
            {"add", forms.Addform},        {"wizard 1", forms.Wiz1},
            {"wizard 2", forms.Wiz2},      {"further info", forms.Wiz1Fur},
            {"wizard 3", forms.Wiz3},      {"wizard 4", forms.Wiz4},
            {"choice", forms.EventForm},   {"extract", forms.ExtractForm}};
}

// The entries' times include the widest a date can be written: a two-digit day in each month,
// hours before and after noon (for locales that write them so).
std::vector<zipbytes::Entry> Archive() {
    std::vector<zipbytes::Entry> entries = {
        {"Banana split with cream and chocolate.txt", std::string(5251293, 'b')},
        {"docs/readme.txt", "read me"},
        {"setup.exe", "MZ"},
        {.name = "reported.txt", .dosDateTime = 0x5D8A1232}}; // 10 Dec 2026 02:17:36
    for (std::uint32_t month = 1; month <= 12; ++month)
        for (const std::uint32_t hour : {0u, 12u, 23u})
            entries.push_back({.name = "m" + std::to_string(month) + "h" + std::to_string(hour),
                               .dosDateTime = (46u << 25) | (month << 21) | (28u << 16) |
                                              (hour << 11) | (58u << 5) | 29u});
    return entries;
}

class WindowGeometry : public MainFormTest {
protected:
    void TearDown() override {
        MainFormTest::TearDown();
        QApplication::setFont(designedFont_);
    }
    // Starts the program with the desktop giving it this font.
    void StartAt(const QFont& font) {
        QApplication::setFont(font);
        Start();
    }
    void OpenArchive() {
        WriteArchive(DriveC() + "/Tools/Fruit Salad.zip", Archive());
        dialogs->AnswerText("C:\\Tools\\Fruit Salad.zip");
        main->Open1Click();
    }

private:
    QFont designedFont_ = QApplication::font();
};

} // namespace

TEST_F(WindowGeometry, AtTheDesignedFontEveryWindowIsAsDesigned) {
    ASSERT_EQ(platform::ui::UnitsOf(QApplication::font()), platform::ui::kDesignedUnits);
    StartAt(QApplication::font());
    EXPECT_EQ(main->findChild<QLabel*>("StatusPanel0")->width(), 280);
    EXPECT_EQ(main->findChild<QLabel*>("StatusPanel1")->width(), 117);
    OpenArchive();
    const std::map<std::string, QSize> designed = {
        {"options", {459, 225}},   {"viewer", {812, 612}},       {"about", {298, 171}},
        {"file info", {340, 217}}, {"add", {640, 480}},          {"wizard 1", {392, 273}},
        {"wizard 2", {392, 273}},  {"further info", {392, 273}}, {"wizard 3", {392, 273}},
        {"wizard 4", {392, 273}},  {"choice", {295, 296}},       {"extract", {230, 279}}};
    for (const auto& [name, window] : Windows())
        EXPECT_EQ(window->size(), designed.at(name)) << name;
    EXPECT_EQ(main->size(), QSize(576, 413 + main->menuBar()->sizeHint().height()));

    // Inside the windows: the main window's toolbar, list columns and status panels, the
    // extract-to window's tree and buttons, the add window's panes.
    EXPECT_EQ(main->findChild<QFrame*>("Panel1")->height(), 63);
    EXPECT_EQ(main->Button("NewZipBut")->size(), QSize(42, 46));
    EXPECT_EQ(main->ProgressBar1->height(), 13);
    std::vector<int> widths;
    for (int column = 0; column < 6; ++column)
        widths.push_back(main->ListView1->ColumnWidth(column));
    // Date/Time as designed, or wider where the locale writes dates longer than the designed
    // formats (the C locale adds the seconds).
    EXPECT_GE(widths[2], 100);
    EXPECT_EQ(CutCells(*main->ListView1).filter("column 2"), QStringList{});
    widths[2] = 100;
    EXPECT_EQ(widths, (std::vector<int>{200, 80, 100, 60, 80, 300}));
    // A total longer than the designed window leaves it takes its room from the path.
    EXPECT_EQ(CutTexts(main).filter("StatusPanel2"), QStringList{});
    EXPECT_LT(main->findChild<QLabel*>("StatusPanel0")->width(), 280);
    EXPECT_EQ(main->findChild<QLabel*>("StatusPanel1")->width(), 117);
    const TExtractForm* extract = AppForms().ExtractForm;
    EXPECT_EQ(extract->DirTree1->geometry(), QRect(8, 32, 214, 206));
    EXPECT_EQ(extract->BitBtn2->geometry(), QRect(124, 246, 75, 25));
    TAddform* add = AppForms().Addform;
    Show(add);
    EXPECT_EQ(add->Panel2->width(), 321);
    EXPECT_EQ(add->DirTree1->height(), 120);
    EXPECT_EQ(add->AddListView1->ColumnWidth(0), 200);
    EXPECT_EQ(add->AddListView1->ColumnWidth(1), 80);
    EXPECT_EQ(AppForms().frmOptions->findChild<QWidget*>("chkboxNetscape")->geometry(),
              QRect(16, 40, 330, 20));
    EXPECT_EQ(AppForms().Wiz1->findChild<QWidget*>("Memo1")->geometry(), QRect(144, 38, 240, 112));
}

class WiderFont : public WindowGeometry, public ::testing::WithParamInterface<int> {
protected:
    static QFont Font() {
        QFont font("DejaVu Sans");
        font.setPixelSize(GetParam());
        return font;
    }
};

TEST_P(WiderFont, EveryTextFitsItsControl) {
    StartAt(Font());
    OpenArchive();
    // Wider than designed, so the windows are too.
    const platform::ui::FontUnits units = platform::ui::UnitsOf(QApplication::font());
    ASSERT_GT(units.averageWidth, platform::ui::kDesignedUnits.averageWidth);
    ASSERT_EQ(AppForms().ExtractForm->width(), platform::ui::DesignScale(units).X(230));

    EXPECT_EQ(CutTexts(main), QStringList{});
    EXPECT_EQ(CutCells(*main->ListView1), QStringList{});
    for (const auto& [name, window] : Windows()) {
        SCOPED_TRACE(name);
        Show(window);
        if (auto* options = qobject_cast<TfrmOptions*>(window)) {
            for (int page = 0; page < options->PageControl1->count(); ++page) {
                options->PageControl1->setCurrentIndex(page);
                QApplication::processEvents();
                EXPECT_EQ(CutTexts(window), QStringList{}) << "page " << page + 1;
            }
        } else {
            EXPECT_EQ(CutTexts(window), QStringList{});
        }
        window->hide();
    }
    // The add window's selection keeps its sizes in view.
    TAddform* add = AppForms().Addform;
    add->AddSelectionItem("c:\\tools\\a rather long name for a picked file.txt", "48213");
    Show(add);
    EXPECT_EQ(CutCells(*add->AddListView2, true), QStringList{});
}

// The desktop's usual font and a larger one.
INSTANTIATE_TEST_SUITE_P(DesktopFonts, WiderFont, ::testing::Values(12, 16));

TEST_P(WiderFont, AtItsLeastSizeTheMainWindowKeepsItsToolbarButtonsApart) {
    StartAt(Font());
    OpenArchive();
    main->resize(main->minimumSize());
    QApplication::processEvents();
    const QFrame* toolbar = main->findChild<QFrame*>("Panel1");
    std::vector<const QWidget*> parts;
    for (const QWidget* part : toolbar->findChildren<QWidget*>())
        if (qobject_cast<const QToolButton*>(part) || qobject_cast<const QLabel*>(part))
            parts.push_back(part);
    ASSERT_EQ(parts.size(), 26u); // thirteen buttons with their labels
    for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_TRUE(toolbar->rect().contains(parts[i]->geometry()))
            << parts[i]->objectName().toStdString();
        for (std::size_t j = i + 1; j < parts.size(); ++j)
            EXPECT_FALSE(parts[i]->geometry().intersects(parts[j]->geometry()))
                << parts[i]->objectName().toStdString() << " "
                << parts[j]->objectName().toStdString();
    }
    EXPECT_EQ(CutTexts(toolbar->window()).filter("Label"), QStringList{});
}

TEST_F(WindowGeometry, TheToolbarPicturesHaveRenderingsTwiceAsLargeForDenseScreens) {
    StartAt(QApplication::font());
    const QList<QToolButton*> buttons =
        main->findChild<QFrame*>("Panel1")->findChildren<QToolButton*>();
    ASSERT_EQ(buttons.size(), 13);
    for (const QToolButton* button : buttons) {
        // At two pixels a point, the larger rendering, not the small one blown up.
        const QPixmap shown = button->icon().pixmap(QSize(32, 32), 2.0);
        EXPECT_EQ(shown.size(), QSize(64, 64)) << button->objectName().toStdString();
    }
}

TEST_F(WindowGeometry, TheChoiceWindowsPicturesAreSharpAtTheScreensDensity) {
    // ctest runs this again at two pixels a point (QT_SCALE_FACTOR=2).
    StartAt(QApplication::font());
    TEventForm* choice = AppForms().EventForm;
    Show(choice);
    const qreal density = choice->devicePixelRatioF();
    const QPixmap picture = choice->Image1->pixmap();
    EXPECT_EQ(picture.devicePixelRatio(), density);
    EXPECT_EQ(picture.size(), QSize(295, 296) * density);
    EXPECT_EQ(picture.deviceIndependentSize(), QSizeF(295, 296));
    for (const QToolButton* button :
         {choice->SpeedButton1, choice->SpeedButton2, choice->SpeedButton3})
        EXPECT_EQ(button->icon().pixmap(QSize(32, 32), 2.0).size(), QSize(64, 64))
            << button->objectName().toStdString();
    choice->hide();
}

TEST_F(WindowGeometry, InADarkPaletteTheToolbarLabelsStayDarkOnSilver) {
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    QApplication::setPalette(dark);
    StartAt(QApplication::font());
    // The darkest pixel of a label's place on the toolbar is its text's.
    QFrame* toolbar = main->findChild<QFrame*>("Panel1");
    const QImage label =
        toolbar->grab(main->findChild<QLabel*>("NewZipButLabel")->geometry()).toImage();
    int darkest = 255;
    for (int y = 0; y < label.height(); ++y)
        for (int x = 0; x < label.width(); ++x)
            darkest = std::min(darkest, qGray(label.pixel(x, y)));
    QApplication::setPalette(light);
    EXPECT_LT(darkest, 80);
}
