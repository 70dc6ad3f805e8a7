// Designed geometry fitted to the font in use.
#include "platform/ui/DesignScale.h"

#include <QApplication>
#include <QFontMetrics>
#include <cmath>

namespace platform::ui {
namespace {

// The 52 letters whose average width dialog units take.
constexpr const char* kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// designed * numerator / denominator, rounded half away from zero as the system's arithmetic
// rounds it.
int Scaled(int designed, int numerator, int denominator) {
    return static_cast<int>(std::lround(static_cast<double>(designed) * numerator / denominator));
}

} // namespace

FontUnits UnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    // The width of the 52 letters over 26, plus one, halved: the average rounded to the nearest.
    const int letters = metrics.horizontalAdvance(QString::fromLatin1(kLetters));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

DesignScale::DesignScale() : units_(UnitsOf(QApplication::font())) {}

int DesignScale::X(int designed) const {
    return Scaled(designed, units_.averageWidth, kDesignedUnits.averageWidth);
}

int DesignScale::Y(int designed) const {
    return Scaled(designed, units_.height, kDesignedUnits.height);
}

QRect DesignScale::Rect(int left, int top, int width, int height) const {
    const int x = X(left), y = Y(top);
    return {x, y, X(left + width) - x, Y(top + height) - y};
}

} // namespace platform::ui
