// TMultiSelectGrid: a text grid whose rows the user marks with the mouse.
//
// Pressing the left button on a data row toggles its mark; moving with the
// button held toggles every row between the last row visited and the row under
// the pointer, so that sweeping over rows marks them and sweeping back unmarks
// them. Pressing and releasing on the top-left corner clears all marks. Marked
// rows are drawn with a grey (0x808080) background and white text. The marks
// are the grid's own state; the windows read them with IsMarked/MarkedRows.
#pragma once

#include <QTableWidget>
#include <vector>

namespace korin {

class TMultiSelectGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit TMultiSelectGrid(QWidget* parent = nullptr);

    bool IsMarked(int row) const;
    std::vector<int> MarkedRows() const;
    void ToggleMark(int row);
    void ClearMarks();
    // Sets the text of a column in every marked (or every unmarked) row.
    void SetColumnOfMarked(int column, const QString& text, bool marked = true);
    // Rows: the mark list follows, new rows unmarked.
    void SetRows(int rows);
    QString Text(int row, int column) const;
    void SetText(int row, int column, const QString& text);

signals:
    void MarksChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Paint(int row);

    std::vector<char> marks_;
    int lastRow_ = -1;
    bool dragging_ = false;
};

}  // namespace korin
