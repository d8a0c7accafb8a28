// TFormTable: the table module (View "&Tabelle"). It opens the table selected
// in the project tree and shows it in one of four views: structure, index,
// contents and import (tables/ui/table_views.h).
//
// Tool bar, in this order: the four view buttons (one pressed at a time),
// "Daten exportieren", "Accesstabelle direkt einlesen", "Tabelle leeren" and
// "Indexdatei neu erstellen". The first seven are enabled only while a table
// is selected and open; the last one always, and it rebuilds the key file of
// the table the module had last. The menu "&Tabelle", merged into the main
// menu while the module is shown, holds the same actions.
//
// Settings below "Table": "TableMenuSelected" (the selected view, 0 to 3), the
// structure view's "Structure" and the contents view's "Contens\<table path>";
// "Index" and "Import" exist and hold nothing.
//
// The whole-table operations go through the store, which writes a replacing
// file completely before it takes the old one's place:
//   "Tabelle leeren" asks "Soll der Inhalt der Tabelle wirklich gelöscht
//   werden?" (OK/Cancel); a failure is reported as "Die Tablelle ist noch in
//   einer anderen Ansicht geöffnet. Diese Aktion kann nicht durchgeführt
//   werden!" and leaves the table as it was.
//   "Indexdatei neu erstellen" rebuilds the key file (wait cursor, progress bar).
#pragma once

#include <array>
#include <memory>
#include <string>

#include "shell/form_module.h"
#include "store/kor_table.h"

class QAction;
class QActionGroup;
class QMenu;
class QSettings;
class QStackedWidget;

namespace korin {

class TTableView;
class TTableStrucView;
class TTableIndexView;
class TTableContView;

class TFormTable : public TFormModule {
    Q_OBJECT
public:
    enum View : int { kStructure = 0, kIndex = 1, kContents = 2, kImport = 3, kViewCount = 4 };

    explicit TFormTable(IKorHost& host);
    ~TFormTable() override;

    // The module's table: open while a table with fields is selected.
    TKorTable& Table() { return table_; }
    bool TableOpen() const { return table_.IsOpen(); }
    IKorHost& ModuleHost() const { return Host(); }
    // The table path of the tree's selection ("AUC_SYSTEM\MESSTELLE"); empty
    // when no table is selected.
    QString SelectedTablePath() const;
    // The application's settings positioned on the table key.
    std::unique_ptr<QSettings> TableSettings() const;

    int SelectedView() const { return selectedView_; }
    // Select view: store it, check its action, hide the other views, show it.
    void SelectView(int view) override;
    // The structure, index and contents views print and export while a table
    // is open.
    bool CanPrint() const override;
    bool CanExport() const override { return CanPrint(); }
    TTableView* ViewAt(int view) const { return views_[static_cast<size_t>(view)]; }
    TTableStrucView& StrucView() const;
    TTableContView& ContView() const;

    // The refresh: opens the selected table, enables the buttons, refreshes
    // the views.
    void Refresh();
    // "Tabelle leeren" and "Indexdatei neu erstellen".
    void EmptyTableAsked();
    void RebuildKeyFile();

    QAction* ViewAction(int view) const { return viewActions_[static_cast<size_t>(view)]; }
    QAction* ActionExport() const { return actExport_; }
    QAction* ActionDirectImport() const { return actDirect_; }
    QAction* ActionEmpty() const { return actEmpty_; }
    QAction* ActionReindex() const { return actReindex_; }
    QAction* ActionAddField() const { return actAddField_; }
    QMenu* TableMenu() const { return menu_; }

protected:
    void ShowModule() override;
    void HideModule() override;
    void LoadModuleSettings(QSettings& settings) override;
    void SaveModuleSettings(QSettings& settings) override;
    void OnProjectOpened() override;
    void OnSelectionChanged() override;
    void OnPrint() override;
    void OnExport(const QString& file) override;

private:
    void EnableTableActions(bool on);

    TKorTable table_;
    int selectedView_ = 0;
    std::array<TTableView*, kViewCount> views_{};
    QStackedWidget* stack_;
    QActionGroup* viewGroup_;
    std::array<QAction*, kViewCount> viewActions_{};
    QAction* actExport_;
    QAction* actDirect_;
    QAction* actEmpty_;
    QAction* actReindex_;
    QAction* actAddField_;
    QMenu* menu_;
};

}  // namespace korin
