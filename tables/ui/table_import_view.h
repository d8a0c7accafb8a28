// The import view of the table module (TFormTableImport, view 3) and the two
// dialogs of the import: TFormSelectTable (a table of a source database) and
// TFormSelectAccessImport (the place, name and source of a directly imported
// table). The logic is tables/table_import.h; these windows gather input and
// show results.
//
// The view: a top panel with "Access Tabelle:", the source database and table
// (read-only), "..." to choose them and "Daten lesen"; below, the mapping grid
// on the table's rows of "ImpMap.db" (Code, Feldname, Länge, Typ read-only;
// "Access Feldname" chosen from a pick list of eight spaces and the source's
// fields; a click opens the list at once). "Daten lesen" drives the main
// window's progress bar; "Abbrechen" stops it between rows, and the rows read
// so far stay. The result is reported with the counts of appended, updated and
// refused rows and of values changed by the conversion to CP850 or cut.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <string>

#include "tables/ui/table_views.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace korin {

class TKorDirFile;
class TTableImport;

class TFormTableImport : public TTableView {
    Q_OBJECT
public:
    explicit TFormTableImport(TFormTable& module);
    ~TFormTableImport() override;

    void Refresh() override;
    void LoadSettings(QSettings& tableGroup) override;
    void SaveSettings(QSettings& tableGroup) override;

    // "...": a source file, then its table; records it on the mapping.
    void ChooseSourceClick();
    // "Daten lesen".
    void ReadDataClick();
    // The mapping of the module's table, shown in the grid.
    void LoadMapping();

    QLineEdit* EditDatabase() const { return editDb_; }
    QLineEdit* EditTable() const { return editTable_; }
    QTableWidget* Grid() const { return grid_; }
    QPushButton* ButtonRead() const { return buttonRead_; }
    QPushButton* ButtonCancel() const { return buttonCancel_; }
    const QStringList& PickList() const { return pickList_; }
    TTableImport* Import() const { return import_.get(); }

protected:
    void Showing() override;
    void Hiding() override;

private:
    void FillGrid();
    void CellChanged(int row, int column);

    QLineEdit* editDb_;
    QLineEdit* editTable_;
    QPushButton* buttonChoose_;
    QPushButton* buttonRead_;
    QPushButton* buttonCancel_;
    QTableWidget* grid_;
    QStringList pickList_;
    std::unique_ptr<TTableImport> import_;
    bool filling_ = false;
    bool cancel_ = false;
};

// "Tabelle auswählen": the sorted table names of a source database.
class TFormSelectTable : public QDialog {
    Q_OBJECT
public:
    TFormSelectTable(QWidget* parent, const QString& databasePath);
    // The chosen name; it stays from one use to the next.
    static QString ChosenTable();
    QComboBox* Tables() const { return tables_; }

    void accept() override;

private:
    QComboBox* tables_;
};

// "MS-Access Tabelle importieren".
class TFormSelectAccessImport : public QDialog {
    Q_OBJECT
public:
    TFormSelectAccessImport(QWidget* parent, TKorDirFile* catalogue);

    // Level1[,Level2][,Level3],TABLE (trimmed texts).
    QString LevelText() const;
    QString DatabasePath() const { return databasePath_; }
    QString AccessTable() const { return accessTable_; }
    void SetDatabasePath(const QString& path);
    void SetAccessTable(const QString& table);

    QComboBox* Level(int i) const { return levels_[i]; }
    QComboBox* TableName() const { return tableName_; }
    QPushButton* ButtonOk() const { return buttonOk_; }

private:
    void FillCombo(QComboBox* combo, int which);
    void UpdateEnabling();
    void LevelChanged(int which);
    void TableNameEdited(const QString& text);

    TKorDirFile* catalogue_;
    QComboBox* levels_[3];
    QComboBox* tableName_;
    QLineEdit* editDb_;
    QLineEdit* editTable_;
    QPushButton* buttonOk_;
    QString databasePath_;
    QString accessTable_;
};

// The direct import of the table module: dialog, catalogue entries, table file.
void RunDirectImport(TFormTable& module);

}  // namespace korin
