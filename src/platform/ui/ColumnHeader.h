// The column headers of a list in the report style. A list whose column clicks do something (the
// main window's sorts) lets them take the focus after its rows: Left and Right pick a column, Home
// and End the first and the last, Enter or Space clicks the one picked, which is ringed while the
// headers have the focus. A screen reader hears the header cell picked.
#pragma once

#include <QHeaderView>

namespace platform::ui {

class ColumnHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit ColumnHeader(QWidget* parent);

    // The column picked for the keyboard (a model column), -1 before the headers had the focus.
    int PickedColumn() const { return picked_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The columns shown, in the order shown.
    std::vector<int> Shown() const;
    void Pick(int column);

    int picked_ = -1;
};

} // namespace platform::ui
