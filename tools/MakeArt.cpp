// Draws the program's pictures into resources/: the toolbar buttons (each also in grey, and all
// twice as large for high-density screens), the choice window's background and its button
// bitmaps (also twice as large), the wizard's two pictures and the about window's logo. Run once
// when the art changes:
//   build/bin/make_art resources
#include <QApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <functional>

namespace {

using Draw = std::function<void(QPainter&)>;

void Box(QPainter& p, QColor colour) {
    p.setPen(QPen(colour.darker(160), 1.5));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(6, 10, 20, 16), 2, 2);
    p.drawLine(QPointF(6, 16), QPointF(26, 16));
    p.setBrush(colour.lighter(130));
    p.drawRect(QRectF(13, 13, 6, 6));
}

void Arrow(QPainter& p, QPointF from, QPointF to, QColor colour) {
    p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    p.setBrush(colour);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({to + d * 3, to - d * 5 + n * 5, to - d * 5 - n * 5}));
}

void Page(QPainter& p, QColor colour) {
    p.setPen(QPen(colour.darker(170), 1.2));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{8, 4}, {20, 4}, {25, 9}, {25, 28}, {8, 28}}));
    p.setPen(QPen(colour, 1.2));
    for (int y = 12; y <= 24; y += 4)
        p.drawLine(11, y, 22, y);
}

void Star(QPainter& p, QPointF centre, double outer, double inner, QColor colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? inner : outer, a = i * M_PI / 5 - M_PI / 2;
        const QPointF pt(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a));
        i ? star.lineTo(pt) : star.moveTo(pt);
    }
    p.drawPath(star);
}

// A sky from dark blue at the top to light blue at lightAt (a fraction of the height).
void Sky(QPainter& p, const QRect& area, double lightAt) {
    QLinearGradient sky(0, 0, 0, area.height());
    sky.setColorAt(0, QColor(30, 60, 140));
    sky.setColorAt(lightAt, QColor(120, 170, 230));
    p.fillRect(area, sky);
}

// A picture of the wizard's pages, on the choice window's sky.
QImage WizardPicture(const Draw& draw) {
    QImage image(119, 195, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    Sky(p, image.rect(), 1);
    draw(p);
    p.end();
    return image;
}

// A 32 x 32 picture, drawn scale times as large for screens of that many pixels per point.
QImage Icon(const Draw& draw, bool grey, int scale = 1) {
    const int size = 32 * scale;
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    draw(p);
    p.end();
    if (grey)
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QColor c = image.pixelColor(x, y);
                const int g = 150 + qGray(c.rgb()) / 4;
                image.setPixelColor(x, y, QColor(g, g, g, c.alpha()));
            }
    return image;
}

// The choice window's background, 295 x 296, drawn scale times as large: a sky over green hills,
// the name, and room for the buttons.
QImage ChoiceBackground(int scale) {
    QImage background(295 * scale, 296 * scale, QImage::Format_RGB32);
    QPainter p(&background);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    const QRect area(0, 0, 295, 296);
    Sky(p, area, 0.7);
    QRadialGradient sun(230, 60, 40);
    sun.setColorAt(0, QColor(255, 240, 160));
    sun.setColorAt(1, QColor(255, 240, 160, 0));
    p.fillRect(area, sun);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(50, 130, 60));
    p.drawEllipse(QPointF(60, 330), 190, 110);
    p.setBrush(QColor(70, 160, 80));
    p.drawEllipse(QPointF(260, 340), 170, 110);
    p.setPen(QColor(255, 255, 255, 220));
    p.setFont(QFont("DejaVu Serif", 22, QFont::Bold));
    p.drawText(QRect(100, 250, 190, 40), Qt::AlignRight | Qt::AlignVCenter, "Pakrune");
    p.end();
    return background;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? argv[1] : "resources";
    const QColor zip(214, 160, 40), blue(40, 90, 190), green(40, 150, 60), red(190, 40, 40);
    const std::vector<std::pair<QString, Draw>> icons = {
        {"new",
         [&](QPainter& p) {
             Box(p, zip);
             Arrow(p, {26, 2}, {26, 9}, green);
         }},
        {"open",
         [&](QPainter& p) {
             p.setPen(QPen(zip.darker(160), 1.5));
             p.setBrush(zip.lighter(120));
             p.drawPolygon(QPolygonF({{3, 9}, {12, 9}, {14, 12}, {28, 12}, {28, 27}, {3, 27}}));
         }},
        {"wizard",
         [&](QPainter& p) {
             p.setPen(QPen(QColor(90, 60, 30), 3, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(6, 27, 20, 13);
             Star(p, {22, 10}, 8, 3.5, QColor(240, 200, 30));
         }},
        {"add",
         [&](QPainter& p) {
             Box(p, zip);
             Arrow(p, {16, 1}, {16, 11}, green);
         }},
        {"extract-all",
         [&](QPainter& p) {
             Box(p, zip);
             Arrow(p, {16, 18}, {16, 30}, blue);
             Arrow(p, {10, 18}, {4, 30}, blue);
             Arrow(p, {22, 18}, {28, 30}, blue);
         }},
        {"extract-selected",
         [&](QPainter& p) {
             Box(p, zip);
             Arrow(p, {16, 18}, {16, 31}, blue);
         }},
        {"delete",
         [&](QPainter& p) {
             Box(p, zip);
             p.setPen(QPen(red, 3.5, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(6, 4, 26, 28);
             p.drawLine(26, 4, 6, 28);
         }},
        {"install",
         [&](QPainter& p) {
             p.setPen(QPen(QColor(60, 60, 60), 1.5));
             p.setBrush(QColor(200, 210, 230));
             p.drawRect(4, 6, 24, 17);
             p.setBrush(blue.lighter(150));
             p.drawRect(7, 9, 18, 11);
             p.drawLine(10, 27, 22, 27);
             Arrow(p, {16, 1}, {16, 15}, green);
         }},
        {"run",
         [&](QPainter& p) {
             p.setPen(Qt::NoPen);
             p.setBrush(green);
             p.drawPolygon(QPolygonF({{9, 5}, {27, 16}, {9, 27}}));
         }},
        {"view",
         [&](QPainter& p) {
             Page(p, blue);
             p.setPen(QPen(QColor(60, 60, 60), 2.5));
             p.setBrush(QColor(255, 255, 255, 120));
             p.drawEllipse(QPointF(19, 19), 6, 6);
             p.drawLine(23, 23, 29, 29);
         }},
        {"options",
         [&](QPainter& p) {
             p.setPen(QPen(QColor(90, 90, 90), 5));
             for (int i = 0; i < 4; ++i) {
                 const double a = i * M_PI / 4;
                 p.drawLine(QPointF(16 + 11 * std::cos(a), 16 + 11 * std::sin(a)),
                            QPointF(16 - 11 * std::cos(a), 16 - 11 * std::sin(a)));
             }
             p.setPen(Qt::NoPen);
             p.setBrush(QColor(150, 150, 150));
             p.drawEllipse(QPointF(16, 16), 8, 8);
             p.setBrush(QColor(230, 230, 230));
             p.drawEllipse(QPointF(16, 16), 3.5, 3.5);
         }},
        {"help",
         [&](QPainter& p) {
             p.setPen(Qt::NoPen);
             p.setBrush(blue);
             p.drawEllipse(QPointF(16, 16), 13, 13);
             p.setPen(Qt::white);
             p.setFont(QFont("DejaVu Sans", 16, QFont::Bold));
             p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, "?");
         }},
        {"mail",
         [&](QPainter& p) {
             p.setPen(QPen(QColor(80, 80, 80), 1.5));
             p.setBrush(QColor(250, 245, 220));
             p.drawRect(QRectF(3, 8, 26, 17));
             p.drawPolyline(QPolygonF({{3, 8}, {16, 18}, {29, 8}}));
         }},
        {"new-folder", // the extract-to window's "Create new directory"
         [&](QPainter& p) {
             p.setPen(QPen(zip.darker(160), 1.5));
             p.setBrush(zip.lighter(120));
             p.drawPolygon(QPolygonF({{3, 11}, {11, 11}, {13, 14}, {25, 14}, {25, 28}, {3, 28}}));
             p.setPen(QPen(green, 3, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(24, 3, 24, 13);
             p.drawLine(19, 8, 29, 8);
         }},
    };
    // The six buttons whose pictures follow whether an archive is open also come in grey.
    const QStringList withGrey = {"install",          "run",         "view",
                                  "extract-selected", "extract-all", "add"};
    // Each also twice as large ("@2x"), which Qt takes on screens of two pixels per point.
    for (const auto& [name, draw] : icons)
        for (const auto& [grey, suffix] : {std::pair(false, ""), std::pair(true, "-grey")}) {
            if (grey && !withGrey.contains(name))
                continue;
            Icon(draw, grey).save(out + "/toolbar/" + name + suffix + ".png");
            Icon(draw, grey, 2).save(out + "/toolbar/" + name + suffix + "@2x.png");
        }

    // The choice window's background and button bitmaps, also twice as large, like the toolbar's.
    for (const auto& [scale, suffix] : {std::pair(1, ""), std::pair(2, "@2x")}) {
        ChoiceBackground(scale).save(out + "/choice/background" + suffix + ".jpg", "JPEG", 90);
        const std::vector<std::pair<QString, Draw>> buttons = {
            {"install", icons[7].second}, {"extract", icons[4].second}, {"start", icons[1].second}};
        for (const auto& [name, draw] : buttons)
            Icon(draw, false, scale).save(out + "/choice/" + name + suffix + ".png");
    }

    // The welcome page: a wand that sprinkles stars over an archive.
    WizardPicture([&](QPainter& p) {
        const int sparkles[][3] = {{22, 24, 5},  {92, 40, 4},  {30, 70, 3},
                                   {100, 88, 3}, {14, 120, 2}, {70, 14, 3}};
        for (const auto& [x, y, r] : sparkles)
            Star(p, QPointF(x, y), r, r * 0.45, QColor(255, 250, 210));
        p.save();
        p.translate(-2, 88);
        p.scale(2.5, 2.5);
        Box(p, zip);
        p.restore();
        p.setPen(QPen(QColor(90, 60, 30), 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(104, 150, 74, 82);
        Star(p, {71, 74}, 17, 7, QColor(240, 200, 30));
        p.setPen(Qt::white);
        p.setFont(QFont("DejaVu Serif", 13, QFont::Bold));
        p.drawText(QRect(0, 160, 119, 30), Qt::AlignCenter, "Wizard");
    }).save(out + "/wizard/welcome.png");

    // The naming page: a folder and the new archive's name on a tag, written with a pencil.
    WizardPicture([&](QPainter& p) {
        p.save();
        p.translate(12, 12);
        p.scale(3, 3);
        p.setPen(QPen(zip.darker(160), 0.6));
        p.setBrush(zip.lighter(120));
        p.drawPolygon(QPolygonF({{3, 9}, {12, 9}, {14, 12}, {28, 12}, {28, 27}, {3, 27}}));
        p.restore();
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(QColor(250, 245, 220));
        p.drawRoundedRect(QRectF(10, 108, 99, 26), 4, 4);
        p.setPen(blue.darker(130));
        p.setFont(QFont("DejaVu Sans", 8, QFont::Bold));
        p.drawText(QRectF(10, 108, 99, 26), Qt::AlignCenter, "MyLetters.zip");
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(240, 200, 30));
        p.drawPolygon(QPolygonF({{36, 176}, {96, 146}, {102, 158}, {42, 186}}));
        p.setBrush(QColor(240, 200, 170));
        p.drawPolygon(QPolygonF({{36, 176}, {42, 186}, {28, 188}}));
        p.setBrush(red);
        p.drawPolygon(QPolygonF({{96, 146}, {104, 142}, {110, 154}, {102, 158}}));
    }).save(out + "/wizard/name.png");

    // The about window's logo: the archive box with a star, 61 x 62.
    QImage logo(61, 62, QImage::Format_ARGB32);
    logo.fill(Qt::transparent);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(61 / 32.0, 62 / 32.0);
    Box(p, zip);
    Star(p, {24, 8}, 7, 3, blue);
    p.end();
    logo.save(out + "/about/logo.png");
    return 0;
}
