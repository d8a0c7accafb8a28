#include "tables/ui/form_export_table.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "extdb/export_sql.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"
#include "store/kor_table.h"

namespace korin {

namespace {

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

QString Suffix(TExportFormat format) {
    switch (format) {
    case TExportFormat::SQLite: return QStringLiteral(".sqlite");
    case TExportFormat::FoxPro: return QStringLiteral(".dbf");
    default: return QStringLiteral(".db");
    }
}

// Esc while the export runs asks it to stop; the export polls between records.
class EscapeWatch : public QObject {
public:
    EscapeWatch() { qApp->installEventFilter(this); }
    ~EscapeWatch() override { qApp->removeEventFilter(this); }
    bool Pressed() {
        QApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
        return pressed_;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            pressed_ = true;
            return true;
        }
        // Only Esc gets through while the export runs.
        const auto t = event->type();
        if (t == QEvent::KeyPress || t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick) return true;
        return QObject::eventFilter(watched, event);
    }

private:
    bool pressed_ = false;
};

}  // namespace

TFormExportTable::TFormExportTable(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("FormExportTable"));
    setModal(true);
    auto* grid = new QGridLayout;
    editDatabase_ = new QLineEdit;
    editDatabase_->setObjectName(QStringLiteral("EditDatabase"));
    auto* buttonDatabase = new QToolButton;
    buttonDatabase->setText(QStringLiteral("..."));
    editTable_ = new QLineEdit;
    editTable_->setObjectName(QStringLiteral("EditTable"));
    buttonTable_ = new QToolButton;
    buttonTable_->setText(QStringLiteral("..."));
    grid->addWidget(new QLabel(QStringLiteral("Datenbank")), 0, 0);
    grid->addWidget(editDatabase_, 0, 1);
    grid->addWidget(buttonDatabase, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Tabelle")), 1, 0);
    grid->addWidget(editTable_, 1, 1);
    grid->addWidget(buttonTable_, 1, 2);

    auto* group = new QGroupBox(QStringLiteral("Ausgabeformat"));
    auto* formats = new QVBoxLayout(group);
    radioParadox_ = new QRadioButton(QStringLiteral("Paradox 7.0"));
    radioAccess_ = new QRadioButton(QStringLiteral("Access 97"));
    radioAccess_->setEnabled(false);
    radioAccess_->setToolTip(QStringLiteral(
        "Access-Datenbanken können auf diesem System nicht geschrieben werden: es gibt keine Bibliothek dafür. "
        "Stattdessen steht SQLite zur Verfügung."));
    radioSqlite_ = new QRadioButton(QStringLiteral("SQLite"));
    radioFox_ = new QRadioButton(QStringLiteral("Fox Pro 4.0"));
    radioDBase_ = new QRadioButton(QStringLiteral("DBase 4.0"));
    radioDBase_->setEnabled(false);
    for (QRadioButton* r : {radioParadox_, radioAccess_, radioSqlite_, radioFox_, radioDBase_}) formats->addWidget(r);
    radioParadox_->setChecked(true);
    grid->addWidget(group, 2, 0, 1, 3);

    checkContents_ = new QCheckBox(QStringLiteral("Mit Inhalt exportieren"));
    grid->addWidget(checkContents_, 3, 0, 1, 3);

    auto* buttons = new QDialogButtonBox;
    ok_ = buttons->addButton(QDialogButtonBox::Ok);
    buttons->addButton(QStringLiteral("&Abbrechen"), QDialogButtonBox::RejectRole);
    ok_->setEnabled(false);
    grid->addWidget(buttons, 4, 0, 1, 3);
    setLayout(grid);
    buttonTable_->setVisible(false);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttonDatabase, &QToolButton::clicked, this, &TFormExportTable::ChooseDatabase);
    connect(buttonTable_, &QToolButton::clicked, this, &TFormExportTable::ChooseTable);
    connect(editDatabase_, &QLineEdit::textChanged, this, &TFormExportTable::UpdateOk);
    connect(editTable_, &QLineEdit::textChanged, this, &TFormExportTable::UpdateOk);
    for (QRadioButton* r : {radioParadox_, radioSqlite_, radioFox_})
        connect(r, &QRadioButton::clicked, this, &TFormExportTable::FormatChosen);
}

QRadioButton* TFormExportTable::FormatButton(TExportFormat format) const {
    switch (format) {
    case TExportFormat::Paradox: return radioParadox_;
    case TExportFormat::Access: return radioAccess_;
    case TExportFormat::SQLite: return radioSqlite_;
    default: return radioFox_;
    }
}

TExportFormat TFormExportTable::Format() const {
    if (radioParadox_->isChecked()) return TExportFormat::Paradox;
    if (radioAccess_->isChecked()) return TExportFormat::Access;
    if (radioSqlite_->isChecked()) return TExportFormat::SQLite;
    return TExportFormat::FoxPro;
}

QString TFormExportTable::Database() const {
    QString db = editDatabase_->text();
    const TExportFormat f = Format();
    if ((f == TExportFormat::Paradox || f == TExportFormat::FoxPro) && db.size() > 1 && !db.endsWith('/') &&
        !db.endsWith('\\'))
        db += '/';
    return db;
}

QString TFormExportTable::TableName() const { return editTable_->text(); }

bool TFormExportTable::WithContents() const { return checkContents_->isChecked(); }

TExportOptions TFormExportTable::Options() const {
    return {Format(), Utf8(Database()), Utf8(TableName()), WithContents()};
}

void TFormExportTable::FormatChosen() {
    editDatabase_->clear();
    editTable_->clear();
    buttonTable_->setVisible(Format() == TExportFormat::SQLite);
    UpdateOk();
}

void TFormExportTable::UpdateOk() { ok_->setEnabled(!editTable_->text().isEmpty() && TargetValid()); }

void TFormExportTable::ChooseDatabase() {
    const QString file = Dialogs().AskSaveFileName(
        this, QStringLiteral("KORIN Tabelle exportieren nach"), editDatabase_->text(),
        QStringLiteral("SQLite (*.sqlite);;Paradox (*.db);;Fox Pro (*.dbf)"), Suffix(Format()).mid(1));
    if (!file.isEmpty()) TakeFileName(file);
}

void TFormExportTable::TakeFileName(const QString& chosen) {
    QString file = chosen;
    QFileInfo info(file);
    if (info.suffix().isEmpty()) {
        file += Suffix(Format());
        info.setFile(file);
    }
    const QString ext = QStringLiteral(".") + info.suffix().toLower();
    if (ext == QLatin1String(".sqlite"))
        radioSqlite_->setChecked(true);
    else if (ext == QLatin1String(".db"))
        radioParadox_->setChecked(true);
    else if (ext == QLatin1String(".dbf"))
        radioFox_->setChecked(true);
    const bool sqlite = Format() == TExportFormat::SQLite;
    buttonTable_->setVisible(sqlite);
    if (sqlite) {
        editDatabase_->setText(file);
    } else {
        editDatabase_->setText(info.absolutePath() + '/');
        editTable_->setText(info.fileName());
    }
    UpdateOk();
}

void TFormExportTable::ChooseTable() {
    std::vector<std::string> names = extdb::TExtSqliteDatabase::TableNames(Utf8(editDatabase_->text()));
    if (names.empty()) return;
    QStringList items;
    for (const std::string& n : names) items << QString::fromStdString(n);
    bool ok = false;
    const QString name = QInputDialog::getItem(this, QStringLiteral("Tabelle wählen"), QStringLiteral("Tabelle"),
                                               items, 0, false, &ok);
    if (ok) editTable_->setText(name);
}

void ExportTable(IKorHost& host, TKorTable& table, QWidget* parent) {
    if (!table.IsOpen()) return;
    TFormExportTable form(parent);
    if (form.exec() != QDialog::Accepted) return;
    TTableExport exporter(form.Options());
    const bool exists = exporter.TableExists();
    if (exists && !Dialogs().AskYesNo(parent,
                                      QStringLiteral("Die Tabelle existiert bereits.\nSoll diese überschrieben werden?"),
                                      true))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    EscapeWatch escape;
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    const auto result = exporter.Run(table, exists, &host.Progress(), [&] { return escape.Pressed(); });
    if (result == TTableExport::TResult::Cancelled)
        Dialogs().ShowMessage(parent, QStringLiteral("Der Export wurde abgebrochen; das Ziel bleibt unverändert."));
}

}  // namespace korin
