// The catalogue check window "Statusinformationen": the report of
// TKorDirFile::CheckReport in a list, with "Reparieren" (relinks the free entries,
// then shows the report anew), "&Sichern" (the lines into a text file) and
// "Schließen". Under the list, outside the report's lines, a summary says
// whether anything was found.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

namespace korin {

class TKorDirFile;

class TFormDirCheck : public QDialog {
    Q_OBJECT
public:
    // Fills the list with the catalogue's report.
    TFormDirCheck(TKorDirFile& dir, QWidget* parent = nullptr);

    QStringList Lines() const;
    QString Summary() const;
    QPushButton* ButtonRepair() const { return repair_; }
    QPushButton* ButtonSave() const { return save_; }

    void FillReport();
    // Relinks the free entries, shows the report anew and tells the user what
    // the repair changed.
    void Repair();

    // The findings of a report: lines below its section headings that name a
    // fault (the list of free entries is information, not a finding).
    static int CountFindings(const QStringList& lines);
    // Asks for a file and writes the lines, one per row; false when cancelled
    // or the file could not be written (the user has been told).
    bool Save();

private:
    TKorDirFile& dir_;
    QListWidget* list_;
    QLabel* summary_;
    QPushButton* repair_;
    QPushButton* save_;
};

}  // namespace korin
