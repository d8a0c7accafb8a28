// TFormExportTable: the target of a table export (tables/table_export.h).
//
// Modal, caption "FormExportTable", OK and "&Abbrechen"; OK is enabled exactly
// when the table edit is not empty and the target is valid (the database
// directory exists; for SQLite the database file or its folder), evaluated
// whenever either edit changes.
//   "Datenbank"  an edit with "...": a save dialog "KORIN Tabelle exportieren
//                nach" (SQLite, Paradox, Fox Pro files). A name without
//                extension gets the chosen format's; the extension, in lower
//                case, chooses the format (".sqlite" SQLite, ".db" Paradox,
//                ".dbf" FoxPro). For SQLite the edit gets the whole path; else
//                the directory, and the table edit gets the file name.
//   "Tabelle"    an edit with "..." (shown only for SQLite) listing the tables
//                of an existing database file.
//   "Ausgabeformat"  "Paradox 7.0" (initial), "Access 97" (disabled: no library
//                on this system writes Access files; its tooltip says so),
//                "SQLite" in its place, "Fox Pro 4.0", "DBase 4.0" (disabled).
//                Choosing an enabled one empties both edits.
//   "Mit Inhalt exportieren"
//
// ExportTable runs the whole command of the table module: the dialog, the
// question "Die Tabelle existiert bereits.\rSoll diese überschrieben werden?"
// (a warning) when the target table exists, and the export with the wait cursor
// and the main window's progress bar; Esc cancels it, leaving the target as it
// was. Errors are raised to the caller (the shell shows them).
#pragma once

#include <QDialog>

#include "tables/table_export.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace korin {

class IKorHost;
class TKorTable;

class TFormExportTable : public QDialog {
    Q_OBJECT
public:
    explicit TFormExportTable(QWidget* parent = nullptr);

    // 1 Paradox, 2 Access, 3 FoxPro, 4 SQLite.
    TExportFormat Format() const;
    // The database edit; for Paradox and FoxPro with a "/" appended when longer
    // than one character and not ending in one.
    QString Database() const;
    QString TableName() const;
    bool WithContents() const;
    TExportOptions Options() const;
    bool TargetValid() const { return TTableExport(Options()).TargetValid(); }
    bool TableExists() const { return TTableExport(Options()).TableExists(); }

    // For tests and the command line of the desktop program.
    QLineEdit* DatabaseEdit() const { return editDatabase_; }
    QLineEdit* TableEdit() const { return editTable_; }
    QPushButton* OkButton() const { return ok_; }
    QRadioButton* FormatButton(TExportFormat format) const;
    QRadioButton* DBaseButton() const { return radioDBase_; }
    QToolButton* TableButton() const { return buttonTable_; }

    // What the save dialog's answer does to the dialog (see above).
    void TakeFileName(const QString& file);

private:
    void ChooseDatabase();
    void ChooseTable();
    void FormatChosen();
    void UpdateOk();

    QLineEdit* editDatabase_;
    QLineEdit* editTable_;
    QToolButton* buttonTable_;
    QRadioButton* radioParadox_;
    QRadioButton* radioAccess_;
    QRadioButton* radioSqlite_;
    QRadioButton* radioFox_;
    QRadioButton* radioDBase_;
    QCheckBox* checkContents_;
    QPushButton* ok_;
};

// The table module's "E&xport...": see above. Nothing happens unless the table
// is open.
void ExportTable(IKorHost& host, TKorTable& table, QWidget* parent);

}  // namespace korin
