#include "tables/ui/table_import_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "extdb/ext_isolated.h"
#include "project/kor_dir_file.h"
#include "shell/form_dir.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"
#include "tables/table_import.h"
#include "tables/ui/form_table.h"

namespace korin {

namespace {

constexpr int kSourceColumn = 4;
const QString kNotImported = QStringLiteral("        ");  // eight spaces: the field is not imported
const QString kSourceFilter = QStringLiteral(
    "Access (*.mdb);;Paradox (*.db);;dBase/FoxPro (*.dbf);;SQLite (*.sqlite *.sqlite3 *.db3)");

QString Oem(const std::string& text) { return QString::fromStdString(OemToUtf8(text)); }

// The "Access Feldname" column: a drop-down list that opens at once.
class TPickListDelegate final : public QStyledItemDelegate {
public:
    TPickListDelegate(const QStringList& items, QObject* parent) : QStyledItemDelegate(parent), items_(items) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* combo = new QComboBox(parent);
        combo->addItems(items_);
        QTimer::singleShot(0, combo, [combo] { combo->showPopup(); });
        return combo;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* combo = static_cast<QComboBox*>(editor);
        const int i = combo->findText(index.data().toString());
        combo->setCurrentIndex(i < 0 ? 0 : i);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        const QString text = static_cast<QComboBox*>(editor)->currentText();
        model->setData(index, text.trimmed().isEmpty() ? QString() : text);
    }

private:
    const QStringList& items_;
};

// The owner key of the tree's selected table: its folders and its name.
TImpMapOwner OwnerOf(const std::vector<std::string>& texts) {
    TImpMapOwner owner;
    if (texts.empty()) return owner;
    owner.table = texts.back();
    if (texts.size() >= 2) owner.level1 = texts[0];
    if (texts.size() >= 3) owner.level2 = texts[1];
    if (texts.size() >= 4) owner.level3 = texts[2];
    return owner;
}

}  // namespace

// ---- the view ------------------------------------------------------------------

TFormTableImport::TFormTableImport(TFormTable& module) : TTableView(module) {
    setObjectName(QStringLiteral("TableImport"));
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Access Tabelle:")));
    editDb_ = new QLineEdit;
    editDb_->setReadOnly(true);
    editTable_ = new QLineEdit;
    editTable_->setReadOnly(true);
    editTable_->setMaximumWidth(200);
    buttonChoose_ = new QPushButton(QStringLiteral("..."));
    buttonChoose_->setMaximumWidth(30);
    buttonRead_ = new QPushButton(QStringLiteral("Daten lesen"));
    buttonCancel_ = new QPushButton(QStringLiteral("Abbrechen"));
    buttonCancel_->setEnabled(false);
    top->addWidget(editDb_, 2);
    top->addWidget(editTable_, 1);
    top->addWidget(buttonChoose_);
    top->addWidget(buttonRead_);
    top->addWidget(buttonCancel_);

    grid_ = new QTableWidget(0, 5);
    grid_->setHorizontalHeaderLabels({QStringLiteral("Code"), QStringLiteral("Feldname"), QStringLiteral("Länge"),
                                      QStringLiteral("Typ"), QStringLiteral("Access Feldname")});
    const int widths[] = {51, 147, 47, 27, 186};
    for (int c = 0; c < 5; ++c) grid_->setColumnWidth(c, widths[c]);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid_->setItemDelegateForColumn(kSourceColumn, new TPickListDelegate(pickList_, grid_));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setTabKeyNavigation(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grid_);

    pickList_ << kNotImported;
    connect(buttonChoose_, &QPushButton::clicked, this, &TFormTableImport::ChooseSourceClick);
    connect(buttonRead_, &QPushButton::clicked, this, &TFormTableImport::ReadDataClick);
    connect(buttonCancel_, &QPushButton::clicked, this, [this] { cancel_ = true; });
    connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (column == kSourceColumn && grid_->item(row, column)) grid_->editItem(grid_->item(row, column));
    });
    connect(grid_, &QTableWidget::cellChanged, this, &TFormTableImport::CellChanged);
}

TFormTableImport::~TFormTableImport() = default;

void TFormTableImport::Showing() { RunGuarded(this, [this] { LoadMapping(); }); }

void TFormTableImport::Hiding() {
    import_.reset();
    grid_->setRowCount(0);
}

void TFormTableImport::Refresh() {
    if (!ViewActive()) return;
    if (Module().ModuleHost().ProjectTree().SelectedType() != 5) {
        import_.reset();
        grid_->setRowCount(0);
        editDb_->clear();
        editTable_->clear();
        return;
    }
    RunGuarded(this, [this] { LoadMapping(); });
}

void TFormTableImport::LoadSettings(QSettings& tableGroup) {
    tableGroup.beginGroup(QStringLiteral("Import"));
    tableGroup.endGroup();
}

void TFormTableImport::SaveSettings(QSettings& tableGroup) {
    tableGroup.beginGroup(QStringLiteral("Import"));
    tableGroup.endGroup();
}

void TFormTableImport::LoadMapping() {
    editDb_->clear();
    editTable_->clear();
    import_.reset();
    grid_->setRowCount(0);
    pickList_ = QStringList{kNotImported};
    if (!Module().TableOpen()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    const auto& texts = Module().ModuleHost().ProjectTree().SelectedPathTexts();
    import_ = std::make_unique<TTableImport>(Module().Table(), Module().ModuleHost().GetProjectDir(), OwnerOf(texts));
    import_->LoadMapping();
    editDb_->setText(QString::fromStdString(import_->SourceDatabase()));
    editTable_->setText(QString::fromStdString(import_->SourceTable()));
    FillGrid();
    for (const auto& name : import_->SourceFieldNames()) pickList_ << QString::fromStdString(name);
}

void TFormTableImport::FillGrid() {
    filling_ = true;
    const auto rows = import_ ? import_->Mapping() : std::vector<TImpMapRow>{};
    grid_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const TImpMapRow& row = rows[static_cast<size_t>(r)];
        const QString cells[] = {QString::number(row.code), Oem(row.korName), QString::number(row.fieldLen),
                                 QString::number(row.fieldType), QString::fromStdString(row.exName)};
        for (int c = 0; c < 5; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c != kSourceColumn) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            grid_->setItem(r, c, item);
        }
    }
    filling_ = false;
}

void TFormTableImport::CellChanged(int row, int column) {
    if (filling_ || column != kSourceColumn || !import_) return;
    const auto rows = import_->Mapping();
    if (row < 0 || row >= static_cast<int>(rows.size())) return;
    const std::string source = grid_->item(row, column)->text().trimmed().toStdString();
    RunGuarded(this, [&] { import_->SetSourceField(rows[static_cast<size_t>(row)].korName, source); });
}

void TFormTableImport::ChooseSourceClick() {
    if (!import_) return;
    const QString file = QFileDialog::getOpenFileName(this, QString(), editDb_->text(), kSourceFilter);
    if (file.isEmpty() || !QFileInfo::exists(file)) return;
    TFormSelectTable select(this, file);
    if (select.exec() != QDialog::Accepted) return;
    RunGuarded(this, [&] {
        import_->ChooseSource(file.toStdString(), TFormSelectTable::ChosenTable().toStdString());
        editDb_->setText(file);
        editTable_->setText(TFormSelectTable::ChosenTable());
        pickList_ = QStringList{kNotImported};
        for (const auto& name : import_->SourceFieldNames()) pickList_ << QString::fromStdString(name);
        FillGrid();
    });
}

void TFormTableImport::ReadDataClick() {
    if (!import_ || import_->SourceDatabase().empty() || !QFileInfo::exists(editDb_->text())) return;
    IKorProgress& progress = Module().ModuleHost().Progress();
    cancel_ = false;
    buttonRead_->setEnabled(false);
    buttonCancel_->setEnabled(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TImportReport report;
    bool done = false;
    RunGuarded(this, [&] {
        report = import_->Read(&progress, [this] {
            QCoreApplication::processEvents();
            return cancel_;
        });
        done = true;
    });
    QApplication::restoreOverrideCursor();
    buttonRead_->setEnabled(true);
    buttonCancel_->setEnabled(false);
    if (!done) return;
    QString text = QStringLiteral("%1 Datensätze angefügt, %2 geändert, %3 abgewiesen.")
                       .arg(report.appended)
                       .arg(report.updated)
                       .arg(report.refused);
    if (report.converted > 0)
        text += QStringLiteral("\n%1 Werte enthielten Zeichen, die es in CP850 nicht gibt (als \"?\" übernommen).")
                    .arg(report.converted);
    if (report.cut > 0) text += QStringLiteral("\n%1 Werte waren länger als ihr Feld und wurden gekürzt.").arg(report.cut);
    if (report.binary > 0)
        text += QStringLiteral("\n%1 Binärwerte nicht übernommen (die Felder nehmen nur Text auf).").arg(report.binary);
    if (report.cancelled) text += QStringLiteral("\nDer Import wurde abgebrochen; die gelesenen Datensätze bleiben.");
    Dialogs().ShowMessage(this, text);
}

// ---- "Tabelle auswählen" -----------------------------------------------------------

namespace {
QString& LastChosenTable() {
    static QString name;
    return name;
}
}  // namespace

TFormSelectTable::TFormSelectTable(QWidget* parent, const QString& databasePath) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Tabelle auswählen"));
    tables_ = new QComboBox;
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tables_);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    RunGuarded(parent, [&] {
        auto source = extdb::OpenSourceIsolated(databasePath.toStdString());
        for (const auto& name : extdb::SortedTableNames(*source)) tables_->addItem(QString::fromStdString(name));
    });
    const int i = tables_->findText(LastChosenTable());
    if (i >= 0) tables_->setCurrentIndex(i);
}

QString TFormSelectTable::ChosenTable() { return LastChosenTable(); }

void TFormSelectTable::accept() {
    if (tables_->currentText().isEmpty()) return;
    LastChosenTable() = tables_->currentText();
    QDialog::accept();
}

// ---- "MS-Access Tabelle importieren" ---------------------------------------------

TFormSelectAccessImport::TFormSelectAccessImport(QWidget* parent, TKorDirFile* catalogue)
    : QDialog(parent), catalogue_(catalogue) {
    setWindowTitle(QStringLiteral("MS-Access Tabelle importieren"));
    auto* place = new QGroupBox(QStringLiteral("Ebenenbeschreibung der KORIN-Tabelle"));
    auto* placeGrid = new QGridLayout(place);
    const char* labels[] = {"Ebene 1", "Ebene 2", "Ebene 3"};
    for (int i = 0; i < 3; ++i) {
        levels_[i] = new QComboBox;
        levels_[i]->setEditable(true);
        placeGrid->addWidget(new QLabel(QString::fromUtf8(labels[i])), i, 0);
        placeGrid->addWidget(levels_[i], i, 1);
        connect(levels_[i], &QComboBox::currentTextChanged, this, [this, i] { LevelChanged(i); });
    }
    tableName_ = new QComboBox;
    tableName_->setEditable(true);
    placeGrid->addWidget(new QLabel(QStringLiteral("Tabelle")), 3, 0);
    placeGrid->addWidget(tableName_, 3, 1);
    connect(tableName_->lineEdit(), &QLineEdit::textEdited, this, &TFormSelectAccessImport::TableNameEdited);
    connect(tableName_, &QComboBox::currentTextChanged, this, [this] { UpdateEnabling(); });

    auto* source = new QGroupBox(QStringLiteral("Zu importierende MS-Access-Tabelle"));
    auto* sourceGrid = new QGridLayout(source);
    editDb_ = new QLineEdit;
    editDb_->setReadOnly(true);
    editTable_ = new QLineEdit;
    editTable_->setReadOnly(true);
    auto* chooseDb = new QPushButton(QStringLiteral("..."));
    auto* chooseTable = new QPushButton(QStringLiteral("..."));
    sourceGrid->addWidget(new QLabel(QStringLiteral("Datenbank")), 0, 0);
    sourceGrid->addWidget(editDb_, 0, 1);
    sourceGrid->addWidget(chooseDb, 0, 2);
    sourceGrid->addWidget(new QLabel(QStringLiteral("Tabelle")), 1, 0);
    sourceGrid->addWidget(editTable_, 1, 1);
    sourceGrid->addWidget(chooseTable, 1, 2);
    connect(chooseDb, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, QString(), databasePath_,
                                                          QStringLiteral("Access Datenbank (*.mdb)"));
        if (!file.isEmpty() && QFileInfo::exists(file)) SetDatabasePath(file);
    });
    connect(chooseTable, &QPushButton::clicked, this, [this] {
        if (databasePath_.isEmpty()) return;
        TFormSelectTable select(this, databasePath_);
        if (select.exec() == QDialog::Accepted) SetAccessTable(TFormSelectTable::ChosenTable());
    });

    auto* firstKey = new QCheckBox(QStringLiteral("1. Feld mit Primärindex versehen"));
    firstKey->setChecked(true);
    auto* withContents = new QCheckBox(QStringLiteral("Mit Inhalt anlegen"));
    withContents->setEnabled(false);
    buttonOk_ = new QPushButton(QStringLiteral("&OK"));
    auto* cancel = new QPushButton(QStringLiteral("&Abbrechen"));
    connect(buttonOk_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(buttonOk_);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(place);
    layout->addWidget(source);
    layout->addWidget(firstKey);
    layout->addWidget(withContents);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    FillCombo(levels_[0], 0);
    FillCombo(tableName_, 3);
    UpdateEnabling();
}

QString TFormSelectAccessImport::LevelText() const {
    QString text = levels_[0]->currentText().trimmed();
    for (int i = 1; i < 3; ++i)
        if (!levels_[i]->currentText().trimmed().isEmpty()) text += QLatin1Char(',') + levels_[i]->currentText().trimmed();
    return text + QLatin1Char(',') + tableName_->currentText().trimmed();
}

void TFormSelectAccessImport::SetDatabasePath(const QString& path) {
    databasePath_ = path;
    editDb_->setText(path);
    UpdateEnabling();
}

void TFormSelectAccessImport::SetAccessTable(const QString& table) {
    accessTable_ = table;
    editTable_->setText(table);
    UpdateEnabling();
}

// which: 0 .. 2 a level combo, 3 the table combo.
void TFormSelectAccessImport::FillCombo(QComboBox* combo, int which) {
    if (catalogue_ == nullptr || !catalogue_->IsOpen()) return;
    std::vector<std::string> folders;
    for (int i = 0; i < 3 && i < which; ++i) {
        const QString t = levels_[i]->currentText().trimmed();
        if (!t.isEmpty()) folders.push_back(t.toStdString());
    }
    std::vector<std::string> names;
    catalogue_->ListChildren(FolderKey(folders), which == 3 ? 5 : 0, names);
    const QString keep = combo->currentText();
    const QSignalBlocker block(combo);
    combo->clear();
    combo->addItem(QString());
    for (const auto& n : names) combo->addItem(Oem(n));
    combo->setEditText(keep);
}

void TFormSelectAccessImport::LevelChanged(int which) {
    if (which == 0) FillCombo(levels_[1], 1);
    if (which <= 1) FillCombo(levels_[2], 2);
    FillCombo(tableName_, 3);
    UpdateEnabling();
}

void TFormSelectAccessImport::TableNameEdited(const QString& text) {
    QString kept;
    for (QChar c : text.toUpper())
        if ((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c.isDigit() || c == QLatin1Char('_')) kept += c;
    if (kept != text) {
        const int pos = tableName_->lineEdit()->cursorPosition();
        tableName_->lineEdit()->setText(kept);
        tableName_->lineEdit()->setCursorPosition(std::min<int>(pos, static_cast<int>(kept.size())));
    }
    UpdateEnabling();
}

void TFormSelectAccessImport::UpdateEnabling() {
    const bool l1 = !levels_[0]->currentText().trimmed().isEmpty();
    const bool l2 = !levels_[1]->currentText().trimmed().isEmpty();
    levels_[1]->setEnabled(l1);
    tableName_->setEnabled(l1);
    levels_[2]->setEnabled(l1 && l2);
    buttonOk_->setEnabled(l1 && !tableName_->currentText().trimmed().isEmpty() && !databasePath_.isEmpty() &&
                          !accessTable_.isEmpty());
}

// ---- the direct import -------------------------------------------------------------

void RunDirectImport(TFormTable& module) {
    IKorHost& host = module.ModuleHost();
    if (!host.ProjectIsOpen()) return;
    module.Table().Close();
    TKorDirFile& catalogue = host.ProjectTree().KorDirFileModDir();
    TFormSelectAccessImport dialog(&module, &catalogue);
    if (dialog.exec() == QDialog::Accepted) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        RunGuarded(&module, [&] {
            // The catalogue keeps its texts in CP850, as the store does.
            TOemConverter oem;
            bool changed = false;
            std::vector<std::string> path;
            for (const QString& part : dialog.LevelText().split(QLatin1Char(',')))
                path.push_back(oem.ToOem(part.toStdString(), changed));
            std::string dataFile, keyFile;
            DirectImport(catalogue, path, dialog.DatabasePath().toStdString(), dialog.AccessTable().toStdString(),
                         dataFile, keyFile);
        });
        QApplication::restoreOverrideCursor();
    }
    host.ProjectTree().Refresh();
    module.Refresh();
}

}  // namespace korin
