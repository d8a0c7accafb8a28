// TCheckWindow: what the two check windows of the pages share: the result
// grid (a fixed column of 12, then the result columns), the options above the
// buttons, and the buttons "&Schließen", "&Prüfen", "&Drucken" and, for the
// instrumentation check, "ASCII" (a text file, default "ExportGrid.txt") and
// "&Hilfe" (no action). While a check runs every control but the grid is
// disabled and the cursor is busy. A check never writes a file.
#pragma once

#include <QDialog>
#include <string>
#include <utility>
#include <vector>

class QTableWidget;
class QVBoxLayout;

namespace korin {

class IKorHost;
class TPrtTextGrid;

class TCheckWindow : public QDialog {
    Q_OBJECT
public:
    // `columns`: heading and width of each result column.
    TCheckWindow(IKorHost& host, const QString& title, const std::vector<std::pair<QString, int>>& columns,
                 bool withText, QWidget* parent);

    // "&Prüfen".
    void Check();
    // The grid as the printer and the text export see it (row 0 the headings).
    TPrtTextGrid PrintGrid() const;
    // "&Drucken" and "ASCII".
    void Print();
    void ExportText();

    QTableWidget& Grid() { return *grid_; }

protected:
    // The check itself; the rows it returns fill the grid.
    virtual std::vector<std::vector<std::string>> Run() = 0;
    // Where a window puts its options.
    QVBoxLayout* Options() { return options_; }
    IKorHost& Host() { return host_; }

private:
    IKorHost& host_;
    QTableWidget* grid_ = nullptr;
    QVBoxLayout* options_ = nullptr;
    QWidget* controls_ = nullptr;
};

}  // namespace korin
