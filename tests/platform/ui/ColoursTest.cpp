// Designed text colours shown where they can be read: kept on a background they stand out from,
// replaced by the palette's text colour where a dark palette would swallow them.
#include "platform/ui/ColourCodec.h"

#include <QLabel>
#include <gtest/gtest.h>

TEST(Colours, ADesignedTextColourIsKeptWhereItCanBeRead) {
    const QColor light(230, 230, 230), black(Qt::black), white(Qt::white), navy(0, 0, 128);
    struct Row {
        const char* name;
        QColor designed;
        QColor background;
        QColor fallback; // the palette's text colour
        QColor shown;
    };
    const Row rows[] = {
        {"black on a light button face", black, QColor(239, 239, 239), black, black},
        {"white on navy", white, navy, light, white},
        {"navy on a light window", navy, QColor(239, 239, 239), black, navy},
        {"black on a dark button face", black, QColor(53, 53, 53), light, light},
        {"blue on a dark window", QColor(0, 0, 255), QColor(53, 53, 53), light, light},
        {"light text on silver", light, QColor(192, 192, 192), black, black},
        {"grey on grey", QColor(128, 128, 128), QColor(100, 100, 100), white, white},
    };
    for (const Row& row : rows)
        EXPECT_EQ(colours::ReadableOn(row.designed, row.background, row.fallback), row.shown)
            << row.name;
}

TEST(Colours, AWidgetsTextFallsBackToItsWindowsTextColour) {
    QWidget window;
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    window.setPalette(dark);
    QLabel label("Zip-file:", &window);
    colours::ShowTextReadably(&label, Qt::black, dark.color(QPalette::Window));
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(230, 230, 230));
    colours::ShowTextReadably(&label, Qt::white, QColor(0, 0, 128));
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(Qt::white));
}
