// The four views of the table module and the places where other windows join
// it.
//
// A view is a panel that the module docks into its client area while it is
// the selected one (0 structure, 1 index, 2 contents, 3 import). The module
// drives every view with the same calls; a view acts only while active:
//   ShowView / HideView   becomes the visible view (fill) / stops (save)
//   Refresh               the tree's selection or the table changed
//   Load/SaveSettings     with the settings positioned on the table key
//                         ("Table"); a view uses its own sub-key
//   Print, ExportText     the shell's print and text export commands
#pragma once

#include <QString>
#include <QWidget>

class QSettings;

namespace korin {

class TFormTable;

class TTableView : public QWidget {
    Q_OBJECT
public:
    explicit TTableView(TFormTable& module);

    bool ViewActive() const { return active_; }
    void ShowView();
    void HideView();

    virtual void Refresh() {}
    virtual void LoadSettings(QSettings& tableGroup) {}
    virtual void SaveSettings(QSettings& tableGroup) {}
    virtual void Print() {}
    // Writes the view's grid as text into `file` (chosen by the user).
    virtual void ExportText(const QString& file) {}

protected:
    virtual void Showing() {}
    virtual void Hiding() {}
    TFormTable& Module() const { return module_; }

private:
    TFormTable& module_;
    bool active_ = false;
};

// The import view (records from an Access table through a stored field
// mapping). Until it exists the slot holds an empty view; the import window
// replaces the body of this one function (tables/ui/table_views.cpp).
TTableView* CreateTableImportView(TFormTable& module);

// "Daten exportieren": the export dialog of the table (TFormExportTable) opens
// here, with the module's open table (tables/ui/table_views.cpp).
void OpenTableExport(TFormTable& module);

// "Accesstabelle direkt einlesen": the direct import of an Access table's
// structure opens here (tables/ui/table_views.cpp).
void OpenDirectImport(TFormTable& module);

}  // namespace korin
