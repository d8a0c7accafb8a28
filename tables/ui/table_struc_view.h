// TTableStrucView: the structure view of the table module (view 0).
//
// One row per field: "Code", "Name", "Länge", "Typ", "Zeigen" (column 0 is the
// fixed indicator column). The name column is edited in place: only letters
// A-Z and a-z, digits and "_" can be typed, and Enter renames the field in the
// table at once (a name the store refuses leaves the field as it was and the
// cell shows the stored name again). Selecting a "Zeigen" cell toggles it
// between "1" and "0"; these flags decide which fields the contents view
// shows. The button "Feld hinzufügen" adds a field through TFormAddField.
//
// Settings: "Structure/GridWidth0" .. "GridWidth5" (column widths), and the
// "<field name>Visible" flags in the contents view's key of the table
// ("Contens/<table path>").
#pragma once

#include "tables/prt_grid.h"
#include "tables/ui/table_views.h"

class QTableWidget;

namespace korin {

class TFormAddField;

class TTableStrucView : public TTableView {
    Q_OBJECT
public:
    explicit TTableStrucView(TFormTable& module);
    ~TTableStrucView() override;

    QTableWidget* Grid() const { return grid_; }
    void Refresh() override;
    void LoadSettings(QSettings& tableGroup) override;
    void SaveSettings(QSettings& tableGroup) override;
    void Print() override;
    void ExportText(const QString& file) override;

    // "Feld hinzufügen": the dialog, then the new field, then the module's refresh.
    void AddFieldAsked();
    TFormAddField& AddFieldDialog();
    // Toggles the "Zeigen" cell of a row (1-based, as in the grid).
    void ToggleShown(int row);

protected:
    void Showing() override;
    void Hiding() override;

private:
    void Fill();
    void LoadVisibleFlags();
    void NameEdited(int row, int column);
    // The grid's texts, as the printer and the export read them.
    void TakeCells(TPrtTextGrid& out) const;

    QTableWidget* grid_;
    TFormAddField* addField_ = nullptr;
    QString loadedPath_;
    bool filling_ = false;
};

}  // namespace korin
