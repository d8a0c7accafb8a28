#include "shell/form_dir_check.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "project/kor_dir_file.h"
#include "shell/kor_dialogs.h"
#include "shell/models/codepage.h"

namespace korin {

TFormDirCheck::TFormDirCheck(TKorDirFile& dir, QWidget* parent) : QDialog(parent), dir_(dir) {
    setWindowTitle(QStringLiteral("Statusinformationen"));
    setFixedSize(502, 323);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("ListBoxReport"));
    list_->setUniformItemSizes(true);

    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("LabelSummary"));
    summary_->setContentsMargins(8, 4, 8, 0);

    auto* bottom = new QWidget(this);
    bottom->setFixedHeight(41);
    auto* buttons = new QHBoxLayout(bottom);
    buttons->setContentsMargins(8, 6, 8, 6);
    repair_ = new QPushButton(QStringLiteral("Reparieren"), bottom);
    save_ = new QPushButton(QStringLiteral("&Sichern"), bottom);
    auto* close = new QPushButton(QStringLiteral("Schließen"), bottom);
    buttons->addWidget(repair_);
    buttons->addWidget(save_);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(list_, 1);
    layout->addWidget(summary_);
    layout->addWidget(bottom);

    connect(repair_, &QPushButton::clicked, this, &TFormDirCheck::Repair);
    connect(save_, &QPushButton::clicked, this, &TFormDirCheck::Save);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    FillReport();
}

void TFormDirCheck::FillReport() {
    std::vector<std::string> lines;
    dir_.CheckReport(lines);
    list_->clear();
    for (const std::string& line : lines) list_->addItem(FromCatalogue(line));
    const int findings = CountFindings(Lines());
    summary_->setText(findings == 0 ? QStringLiteral("Keine Fehler gefunden")
                                    : QStringLiteral("%1 Befund(e) gefunden").arg(findings));
}

QString TFormDirCheck::Summary() const { return summary_->text(); }

int TFormDirCheck::CountFindings(const QStringList& lines) {
    // Section headings of the report, and whether the lines below them are faults.
    static const QString kFree = QStringLiteral("Freie Einträge:");
    static const QString kUnlinked =
        QStringLiteral("Nicht verlinkte freie Einträge und belegte Einträge, die als frei markiert sind:");
    static const QString kForeign = QStringLiteral("Nicht zum Projekt gehörende Dateien:");
    static const QString kRing = QStringLiteral("Achtung: In Dir.Ref existiert ein Ringverweis");
    int findings = 0;
    bool faults = false;
    for (const QString& line : lines) {
        if (line == kFree) {
            faults = false;
        } else if (line == kUnlinked || line == kForeign) {
            faults = true;
        } else if (line.startsWith(kRing)) {
            ++findings;  // the ring's warning is three lines, one finding
        } else if (faults) {
            ++findings;
        }
    }
    return findings;
}

void TFormDirCheck::Repair() {
    const int before = CountFindings(Lines());
    dir_.RepairFreeChain();
    FillReport();
    const int after = CountFindings(Lines());
    QString text;
    if (before == 0)
        text = QStringLiteral("Es gab nichts zu reparieren: die Kette der freien Einträge wurde neu geknüpft.");
    else
        text = QStringLiteral("Die Kette der freien Einträge wurde neu geknüpft: %1 von %2 Befund(en) behoben.")
                   .arg(before - after)
                   .arg(before);
    if (after > 0)
        text += QStringLiteral("\n%1 Befund(e) bleiben; Dateien, die keinem Eintrag gehören, "
                               "werden nicht gelöscht.")
                    .arg(after);
    Dialogs().ShowMessage(this, text);
}

QStringList TFormDirCheck::Lines() const {
    QStringList lines;
    for (int i = 0; i < list_->count(); ++i) lines << list_->item(i)->text();
    return lines;
}

bool TFormDirCheck::Save() {
    const QString file = Dialogs().AskSaveFileName(this, QStringLiteral("Sichern"), QString(),
                                                   QStringLiteral("Text (*.txt)"), QStringLiteral("txt"));
    if (file.isEmpty()) return false;
    QFile out(file);
    bool ok = out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
    for (const QString& line : Lines()) {
        if (!ok) break;
        ok = out.write((line + u'\n').toUtf8()) >= 0;
    }
    if (ok) ok = out.flush();
    if (!ok) {
        Dialogs().ShowError(this, QStringLiteral("Die Datei %1 konnte nicht geschrieben werden!").arg(file));
        return false;
    }
    return true;
}

}  // namespace korin
