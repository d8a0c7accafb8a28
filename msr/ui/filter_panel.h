// TFilterPanel: the filter of a measure point list through a secondary key of
// MESSTELLE, as the MSR windows show it below or beside their list.
//
// The panel is the filter grid (column 1 the field names of the chosen key,
// column 2 their values; one empty row while no key is chosen) with the value
// list over it. Clicking a value cell with a field name drops down the value
// list: an empty item and the values the field takes among the records that
// hold the values of the rows above (msr/msr_key_filter.h). Choosing one writes
// it, empties the values below and raises FilterChanged.
//
// Two actions go into the window's tool bar:
//   KeyAction()   "Sekundärschlüssel auswählen": the dialog "Sekundärschlüssel
//                 wählen" lists the keys of the table; on OK the grid gets one
//                 row per field of the chosen key with empty values, then
//                 KeyChosen and FilterChanged are raised. Enabled while a table
//                 is given and open.
//   ShowAction()  check button, down while the panel is shown; its text is
//                 "Filterkriterien ausblenden" when down, "Filterkriterien
//                 einblenden" when up. Showing or hiding raises ShownChanged.
//
// The table is the window's; the panel only reads it and must be given nullptr
// before the table goes. When a table that is open lacks the chosen key, or the
// key's fields are no longer those of the grid, the filter is reset (no key, or
// the key's fields with empty values): a key of another project filters nothing.
//
// Settings, read (each value only when present) and written by the window's
// choice of names:
//   Rows   (assignment and rename windows): "SKeyName", "ShowFilter",
//          "FilterField"+n and "FilterValue"+n for n = 1 .. 20 (one pair per
//          row; pairs beyond the rows are removed), "SGridFilterFieldWidth"
//          (width of column 1).
//   Lists  (page creation window): "KeyName", "KeyNo", "KeyFields" and
//          "KeyValues" (comma texts of the two columns), "ShowFilter",
//          "FilterHeight" (the panel's height, for the window's layout:
//          StoredHeight), "FilterCol1" (width of column 1).
#pragma once

#include <QString>
#include <QWidget>
#include <string>
#include <vector>

#include "msr/msr_key_filter.h"

class QAction;
class QSettings;
class QSplitter;
class QTableWidget;

namespace korin {

class TKorTable;
class TFilterValueList;

class TFilterPanel : public QWidget {
    Q_OBJECT
public:
    enum class Names { Rows, Lists };

    // fieldCaption: the header of column 1 ("Feld" or "Feldname").
    TFilterPanel(const QString& fieldCaption, QWidget* parent = nullptr);
    ~TFilterPanel() override;

    QAction* KeyAction() const { return keyAction_; }
    QAction* ShowAction() const { return showAction_; }
    QTableWidget& Grid() const { return *grid_; }

    // The measure point table (not owned; nullptr when none).
    void SetTable(TKorTable* table);

    // The dialog of KeyAction; true when a key was chosen.
    bool ChooseKey();
    // Takes the key as the dialog's OK does; a name the open table lacks, or
    // no open table, leaves no key. Raises KeyChosen and FilterChanged.
    void SetKey(const std::string& name);
    const std::string& KeyName() const { return key_; }
    // The key's position among the table's keys, -1 when unknown.
    int KeyNo() const { return keyNo_; }

    // What the value list of data row `row` (0-based) offers.
    std::vector<std::string> ValueChoices(int row) const;
    // Writes the value into the row, empties the rows below, raises FilterChanged.
    void SetValue(int row, const std::string& value);
    msr::TKeyFilter Filter() const;

    void SetFilterShown(bool shown);
    bool FilterShown() const;
    // When shown, gives the panel its part of the vertical splitter `split` it
    // stands in below the list: `stored` when that is positive and less than
    // the splitter's height (taken as at least `floor`), else a third.
    void FitBelow(QSplitter* split, int floor, int stored = 0) const;

    void ReadSettings(QSettings& settings, Names names);
    void WriteSettings(QSettings& settings, Names names) const;
    // "FilterHeight" as read, -1 when none was.
    int StoredHeight() const { return storedHeight_; }

signals:
    void KeyChosen();
    void FilterChanged();
    void ShownChanged(bool shown);

private:
    void SetRows(const std::vector<std::string>& fields, const std::vector<std::string>& values);
    std::vector<std::string> Column(int column) const;
    void CellClicked(int row, int column);
    void FitToTable();

    TKorTable* table_ = nullptr;
    std::string key_;
    int keyNo_ = -1;
    int storedHeight_ = -1;
    QTableWidget* grid_ = nullptr;
    TFilterValueList* valueList_ = nullptr;
    int valueRow_ = -1;
    QAction* keyAction_ = nullptr;
    QAction* showAction_ = nullptr;
};

}  // namespace korin
