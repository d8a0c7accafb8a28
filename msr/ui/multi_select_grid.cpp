#include "msr/ui/multi_select_grid.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QMouseEvent>

namespace korin {

TMultiSelectGrid::TMultiSelectGrid(QWidget* parent) : QTableWidget(parent) {
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setVisible(false);
    setCornerButtonEnabled(true);
    if (auto* corner = findChild<QAbstractButton*>()) {
        corner->disconnect();
        connect(corner, &QAbstractButton::clicked, this, &TMultiSelectGrid::ClearMarks);
    }
}

bool TMultiSelectGrid::IsMarked(int row) const {
    return row >= 0 && row < static_cast<int>(marks_.size()) && marks_[static_cast<size_t>(row)];
}

std::vector<int> TMultiSelectGrid::MarkedRows() const {
    std::vector<int> rows;
    for (int r = 0; r < rowCount(); ++r)
        if (IsMarked(r)) rows.push_back(r);
    return rows;
}

void TMultiSelectGrid::Paint(int row) {
    const bool marked = IsMarked(row);
    for (int c = 0; c < columnCount(); ++c) {
        QTableWidgetItem* it = item(row, c);
        if (!it) {
            it = new QTableWidgetItem;
            setItem(row, c, it);
        }
        it->setBackground(marked ? QColor(0x80, 0x80, 0x80) : QColor(Qt::white));
        it->setForeground(marked ? QColor(Qt::white) : QColor(Qt::black));
    }
}

void TMultiSelectGrid::ToggleMark(int row) {
    if (row < 0 || row >= rowCount()) return;
    marks_.resize(static_cast<size_t>(rowCount()), 0);
    marks_[static_cast<size_t>(row)] ^= 1;
    Paint(row);
    emit MarksChanged();
}

void TMultiSelectGrid::ClearMarks() {
    marks_.assign(static_cast<size_t>(rowCount()), 0);
    for (int r = 0; r < rowCount(); ++r) Paint(r);
    emit MarksChanged();
}

void TMultiSelectGrid::SetColumnOfMarked(int column, const QString& text, bool marked) {
    for (int r = 0; r < rowCount(); ++r)
        if (IsMarked(r) == marked) SetText(r, column, text);
}

void TMultiSelectGrid::SetRows(int rows) {
    setRowCount(rows);
    marks_.resize(static_cast<size_t>(rows), 0);
}

QString TMultiSelectGrid::Text(int row, int column) const {
    const QTableWidgetItem* it = item(row, column);
    return it ? it->text() : QString();
}

void TMultiSelectGrid::SetText(int row, int column, const QString& text) {
    QTableWidgetItem* it = item(row, column);
    if (!it) {
        setItem(row, column, new QTableWidgetItem(text));
        Paint(row);
    } else {
        it->setText(text);
    }
}

void TMultiSelectGrid::mousePressEvent(QMouseEvent* event) {
    const int row = rowAt(event->position().toPoint().y());
    if (event->button() != Qt::LeftButton || row < 0) {
        QTableWidget::mousePressEvent(event);
        return;
    }
    dragging_ = true;
    lastRow_ = row;
    ToggleMark(row);
}

void TMultiSelectGrid::mouseMoveEvent(QMouseEvent* event) {
    const int row = rowAt(event->position().toPoint().y());
    if (!dragging_ || row < 0 || row == lastRow_) return;
    const int step = row > lastRow_ ? 1 : -1;
    for (int r = lastRow_ + step; r != row + step; r += step) ToggleMark(r);
    lastRow_ = row;
}

void TMultiSelectGrid::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QTableWidget::mouseReleaseEvent(event);
}

}  // namespace korin
