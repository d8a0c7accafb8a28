#include "shell/form_dir_check.h"

#include <QFile>
#include <QHBoxLayout>
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
}

void TFormDirCheck::Repair() {
    dir_.RepairFreeChain();
    FillReport();
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
