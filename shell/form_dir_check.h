// The catalogue check window "Statusinformationen": the report of
// TKorDirFile::CheckReport in a list, with "Reparieren" (relinks the free entries,
// then shows the report anew), "&Sichern" (the lines into a text file) and
// "Schließen".
#pragma once

#include <QDialog>
#include <QStringList>

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
    QPushButton* ButtonRepair() const { return repair_; }
    QPushButton* ButtonSave() const { return save_; }

    void FillReport();
    void Repair();
    // Asks for a file and writes the lines, one per row; false when cancelled
    // or the file could not be written (the user has been told).
    bool Save();

private:
    TKorDirFile& dir_;
    QListWidget* list_;
    QPushButton* repair_;
    QPushButton* save_;
};

}  // namespace korin
