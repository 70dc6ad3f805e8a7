// Whether a view lets the user rename an item in place, tried as the user would: the item made
// current and F2 pressed, which opens an editor where in-place editing is allowed.
#pragma once

#include <QAbstractItemView>
#include <QTest>

namespace testing_support {

inline bool EditsInPlace(QAbstractItemView* view, const QModelIndex& index) {
    view->setCurrentIndex(index);
    QTest::keyClick(view, Qt::Key_F2);
    const bool editing = view->indexWidget(index) != nullptr;
    if (editing)
        QTest::keyClick(view->indexWidget(index), Qt::Key_Escape);
    return editing;
}

} // namespace testing_support
