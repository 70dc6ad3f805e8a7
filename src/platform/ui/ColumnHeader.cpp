// The column headers, with keys.
#include "platform/ui/ColumnHeader.h"

#include "platform/ui/AccessibleRows.h"

#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

namespace platform::ui {

ColumnHeader::ColumnHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setFocusPolicy(Qt::NoFocus); // until the list lets its columns take keys
    setAccessibleName("Column headers");
}

std::vector<int> ColumnHeader::Shown() const {
    std::vector<int> shown;
    for (int visual = 0; visual < count(); ++visual)
        if (!isSectionHidden(logicalIndex(visual)))
            shown.push_back(logicalIndex(visual));
    return shown;
}

void ColumnHeader::Pick(int column) {
    picked_ = column;
    viewport()->update();
    if (auto* view = qobject_cast<RowsView*>(parentWidget()))
        AnnounceColumn(view, column);
}

void ColumnHeader::focusInEvent(QFocusEvent* event) {
    QHeaderView::focusInEvent(event);
    const std::vector<int> shown = Shown();
    if (shown.empty())
        return;
    // The column picked last, while it is still shown; otherwise the first. Announced once the
    // headers' own focus is (which follows this event).
    const int column =
        std::find(shown.begin(), shown.end(), picked_) != shown.end() ? picked_ : shown.front();
    QMetaObject::invokeMethod(
        this, [this, column] { Pick(column); }, Qt::QueuedConnection);
}

void ColumnHeader::focusOutEvent(QFocusEvent* event) {
    QHeaderView::focusOutEvent(event);
    viewport()->update();
}

void ColumnHeader::keyPressEvent(QKeyEvent* event) {
    const std::vector<int> shown = Shown();
    const auto at = std::find(shown.begin(), shown.end(), picked_);
    if (shown.empty() || at == shown.end() || event->modifiers() & ~Qt::KeypadModifier) {
        QHeaderView::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        Pick(at == shown.begin() ? *at : *(at - 1));
        break;
    case Qt::Key_Right:
        Pick(at + 1 == shown.end() ? *at : *(at + 1));
        break;
    case Qt::Key_Home:
        Pick(shown.front());
        break;
    case Qt::Key_End:
        Pick(shown.back());
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        emit sectionClicked(picked_);
        break;
    default:
        QHeaderView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void ColumnHeader::paintEvent(QPaintEvent* event) {
    QHeaderView::paintEvent(event);
    if (!hasFocus() || picked_ < 0 || isSectionHidden(picked_))
        return;
    // The column picked, ringed in the highlight colour two pixels wide: the style's own focus
    // frame is too faint to see on a header.
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawRect(QRectF(sectionViewportPosition(picked_), 0, sectionSize(picked_), height())
                         .adjusted(1, 1, -1, -1));
}

} // namespace platform::ui
