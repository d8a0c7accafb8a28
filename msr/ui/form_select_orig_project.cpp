#include "msr/ui/form_select_orig_project.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTreeView>
#include <QVBoxLayout>

#include "project/kor_dir_file.h"
#include "shell/form_project_select.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_settings.h"
#include "shell/models/kor_dir_model.h"
#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korin {
namespace {

const QString kGroup = QStringLiteral("OrigProject");
const QString kProjectKey = QStringLiteral("Project");

std::string S(const QString& s) { return s.toLocal8Bit().toStdString(); }

}  // namespace

TFormSelectOriginalProject::TFormSelectOriginalProject(QWidget* parent)
    : QDialog(parent), dir_(std::make_unique<TKorDirFile>()) {
    setWindowTitle(QStringLiteral("Originalprojekt und Ebene auswählen"));
    setFixedSize(297, 425);
    dir_->Name = "KorDirFileOrigProject";
    model_ = new TKorDirModel(this);

    edit_ = new QLineEdit(this);
    edit_->setReadOnly(true);
    auto* browse = new QPushButton(QStringLiteral("..."), this);
    browse->setFixedWidth(24);
    tree_ = new QTreeView(this);
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setUniformRowHeights(true);
    tree_->setIconSize(QSize(16, 16));
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Abbrechen"), this);
    ok->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(edit_, 1);
    top->addWidget(browse);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tree_, 1);
    layout->addLayout(buttons);

    connect(browse, &QPushButton::clicked, this, &TFormSelectOriginalProject::Browse);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TFormSelectOriginalProject::NodeSelected);
    // A collapsed folder forgets its rows and reads them afresh when opened again.
    connect(tree_, &QTreeView::collapsed, model_, &TKorDirModel::Collapse);
}

TFormSelectOriginalProject::~TFormSelectOriginalProject() {
    model_->SetDirFile(nullptr);
    dir_->Close();
}

void TFormSelectOriginalProject::showEvent(QShowEvent* event) {
    const std::unique_ptr<QSettings> settings = OpenAppSettings();
    settings->beginGroup(kGroup);
    SetDirectory(settings->value(kProjectKey, defaultDir_).toString());
    QDialog::showEvent(event);
}

void TFormSelectOriginalProject::done(int result) {
    const std::unique_ptr<QSettings> settings = OpenAppSettings();
    settings->beginGroup(kGroup);
    settings->setValue(kProjectKey, Directory());
    QDialog::done(result);
}

void TFormSelectOriginalProject::SetDirectory(const QString& dir) {
    edit_->setText(dir);
    LoadTree();
}

QString TFormSelectOriginalProject::Directory() const { return edit_->text(); }

void TFormSelectOriginalProject::LoadTree() {
    selectedType_ = -1;
    selectedPathText_.clear();
    selectedKey_.clear();
    model_->SetDirFile(nullptr);
    dir_->Close();
    const std::string folder = S(Directory());
    if (folder.empty()) return;
    const std::string project = path::AsDirectory(folder);
    dir_->SetProject(project);
    // A folder without a catalogue is no project: the tree stays empty.
    if (!dir_->ProjectValid() || !path::ExistsIgnoringCase(project, dirref::kFileName)) return;
    RunGuarded(this, [this] {
        dir_->Open();
        model_->SetDirFile(dir_.get());
        model_->Reload();
    });
}

void TFormSelectOriginalProject::Browse() {
    TFormProjectSelect select(this);
    select.SetSelectedPath(Directory());
    if (select.exec() != QDialog::Accepted) return;
    QString chosen = select.SelectedPath();
    while (chosen.size() > 1 && chosen.endsWith(QLatin1Char('/'))) chosen.chop(1);
    SetDirectory(chosen);
}

void TFormSelectOriginalProject::NodeSelected() {
    const QModelIndexList rows = tree_->selectionModel()->selectedRows();
    selectedType_ = -1;
    selectedPathText_.clear();
    selectedKey_.clear();
    if (rows.isEmpty()) return;
    const QModelIndex index = rows.front();
    selectedType_ = model_->TypeOf(index);
    selectedKey_ = model_->KeyParts(index);
    for (const std::string& name : model_->PathNames(index))
        selectedPathText_ += (selectedPathText_.empty() ? "" : "\\") + name;
}

bool TFormSelectOriginalProject::BuildLists(msr::TOriginalLists& lists) const {
    if (selectedType_ < 0) return false;
    lists = msr::BuildOriginalListsBelow(path::AsDirectory(S(Directory())), selectedKey_);
    return true;
}

}  // namespace korin
