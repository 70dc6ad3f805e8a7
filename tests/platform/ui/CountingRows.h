// Rows made up from their number for the list view's tests, which note the rows they were asked
// for: a list of a million of them shows what the list asks of a source.
#pragma once

#include "platform/ui/ListView.h"

#include <QFontMetrics>
#include <algorithm>
#include <vector>

class CountingRows : public platform::ui::RowSource {
public:
    explicit CountingRows(int count) : count_(count) {}
    int Count() const override { return count_; }
    int ImageIndex(int) const override { return 0; }
    QString Text(int row, int column) const override {
        asked.push_back(row);
        return column == 0 ? QString("row %1").arg(row) : QString::number(column);
    }
    int WidestCaption(const QFontMetrics& metrics) const override {
        return metrics.horizontalAdvance(Text(count_ - 1, 0));
    }
    void Forget() const { asked.clear(); }
    int Lowest() const { return *std::min_element(asked.begin(), asked.end()); }
    int Highest() const { return *std::max_element(asked.begin(), asked.end()); }

    mutable std::vector<int> asked;

private:
    int count_;
};
