#include "shell/form_dir.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLayout>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include "project/kor_dir_damage.h"
#include "project/kor_dir_file.h"
#include "shell/comma_text.h"
#include "shell/form_dir_check.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"
#include "shell/models/codepage.h"
#include "shell/models/kor_dir_model.h"
#include "shell/tool_icons.h"
#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korin {

TFormDir::TFormDir(IKorHost& host, QWidget* parent)
    : QWidget(parent), host_(host), dir_(std::make_unique<TKorDirFile>()) {
    setObjectName(QStringLiteral("FormDir"));
    dir_->Name = "KorDirFileModDir";
    model_ = new TKorDirModel(this);
    model_->SetDirFile(dir_.get());

    toolBar_ = new QToolBar(this);
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setMovable(false);
    toolBar_->setContentsMargins(0, 0, 0, 0);
    toolBar_->layout()->setSpacing(0);
    toolBar_->layout()->setContentsMargins(1, 1, 1, 1);
    auto add = [this](ToolIcon icon, const QString& hint) {
        QAction* a = toolBar_->addAction(MakeToolIcon(icon), hint);
        a->setToolTip(hint);
        return a;
    };
    actOpen_ = add(ToolIcon::Open, QStringLiteral("Projekt öffnen (Strg+O)"));
    QAction* excel = add(ToolIcon::Excel, QStringLiteral("Ansicht nach Excel exportieren"));
    QAction* word = add(ToolIcon::Word, QStringLiteral("Ansicht nach Word exportieren"));
    QAction* ansi = add(ToolIcon::Ansi, QStringLiteral("Ansicht nach ANSI exportieren"));
    QAction* print = add(ToolIcon::Print, QStringLiteral("Ansicht drucken (Strg+P)"));
    actDelete_ = add(ToolIcon::Delete, QStringLiteral("Eintrag löschen"));
    actCheck_ = add(ToolIcon::Check, QString());
    actCheck_->setToolTip(QString());
    actLongTexts_ = add(ToolIcon::LongTexts, QStringLiteral("Lange Texte anzeigen"));
    actLongTexts_->setCheckable(true);
    // Eight buttons share the narrow tree panel: tight buttons keep them all
    // in view.
    for (QAction* a : toolBar_->actions())
        if (QWidget* button = toolBar_->widgetForAction(a)) button->setFixedSize(20, 22);
    // Excel and Word export have no action: shown, but not offered.
    excel->setEnabled(false);
    word->setEnabled(false);

    tree_ = new QTreeView(this);
    tree_->setObjectName(QStringLiteral("TreeViewDir"));
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    tree_->setIndentation(19);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setUniformRowHeights(true);
    tree_->setIconSize(QSize(16, 16));
    tree_->header()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addWidget(tree_, 1);

    connect(actOpen_, &QAction::triggered, this, [this] { host_.OpenProjectDialog(); });
    connect(ansi, &QAction::triggered, this, [this] { host_.ExportTableModule(); });
    connect(print, &QAction::triggered, this, [this] { host_.PrintTableModule(); });
    connect(actDelete_, &QAction::triggered, this, &TFormDir::DeleteSelected);
    connect(actCheck_, &QAction::triggered, this, &TFormDir::ShowCheckWindow);
    connect(actLongTexts_, &QAction::toggled, this, &TFormDir::SetShowLongTexts);
    // The selection, not the focus: a view that takes the focus makes its first
    // row current without selecting it, and that must not publish anything.
    connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TFormDir::SelectionChanged);
    connect(tree_, &QTreeView::doubleClicked, this, &TFormDir::Activated);
    connect(tree_, &QTreeView::collapsed, this, &TFormDir::Collapsed);
}

TFormDir::~TFormDir() {
    model_->SetDirFile(nullptr);
    dir_->Close();
}

bool TFormDir::ShowLongTexts() const { return model_->ShowLongTexts(); }

void TFormDir::FillTop() {
    model_->Reload();
}

bool TFormDir::OpenProject(const std::string& folder) {
    selectedType_ = -1;
    hasProject_ = false;
    dir_->Close();
    model_->Clear();
    // A folder without a catalogue is no project. The check comes first: the
    // catalogue keeps its old folder when it is given one it does not take, and
    // such a folder must not reopen the previous project.
    if (!path::DirectoryExists(folder) || !path::ExistsIgnoringCase(path::AsDirectory(folder), "Dir.ref"))
        return false;
    dir_->SetProject(folder);
    if (!dir_->ProjectValid()) return false;
    const std::vector<std::string> damage = CatalogueDamageWarnings(folder);
    dir_->Open();
    if (!dir_->IsOpen()) return false;
    hasProject_ = true;
    for (const std::string& warning : damage) {
        host_.WriteLog("ModDir", warning);
        Dialogs().ShowError(this, QString::fromStdString(warning));
    }
    for (int32_t entry : dir_->UsedEntries().Values())
        host_.WriteLog("ModDir", "Benutzter Eintrag: " + std::to_string(entry));
    FillTop();
    return true;
}

void TFormDir::CloseProject() {
    updating_ = true;
    selectedType_ = -1;
    hasProject_ = false;
    model_->Clear();
    dir_->Close();
    updating_ = false;
}

void TFormDir::Refresh() {
    updating_ = true;
    selectedType_ = -1;
    model_->Clear();
    try {
        if (hasProject_) {
            dir_->Open();
            FillTop();
        }
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
    host_.TreeSelectionChanged();
}

QModelIndex TFormDir::SelectedIndex() const {
    const QModelIndex current = tree_->currentIndex();
    if (current.isValid() && tree_->selectionModel()->isSelected(current)) return current;
    const QModelIndexList rows = tree_->selectionModel()->selectedRows();
    return rows.isEmpty() ? QModelIndex() : rows.front();
}

QString TFormDir::GetSelectedPath() const {
    const QModelIndex index = SelectedIndex();
    if (!index.isValid()) return {};
    QStringList names;
    for (QModelIndex i = index; i.isValid(); i = i.parent())
        names.prepend(i.data(TKorDirModel::NameRole).toString());
    return JoinCommaText(names);
}

void TFormDir::SelectPath(const QString& commaText) {
    updating_ = true;
    const QStringList texts = SplitCommaText(commaText);
    QModelIndex found;
    bool complete = !texts.isEmpty();
    QModelIndex parent;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i > 0) {
            // Expanding the folder reads its level.
            model_->FetchChildren(parent);
            tree_->expand(parent);
        }
        QModelIndex match;
        for (int r = 0; r < model_->rowCount(parent); ++r) {
            const QModelIndex child = model_->index(r, 0, parent);
            if (child.data(TKorDirModel::NameRole).toString() == texts[i]) {
                match = child;
                break;
            }
        }
        if (!match.isValid()) {
            complete = false;
            break;
        }
        tree_->selectionModel()->setCurrentIndex(match, QItemSelectionModel::ClearAndSelect);
        found = match;
        parent = match;
    }
    if (found.isValid()) tree_->scrollTo(found);
    updating_ = false;
    SelectionChange(complete ? found : QModelIndex());
}

void TFormDir::SelectionChanged() { SelectionChange(SelectedIndex()); }

void TFormDir::Activated(const QModelIndex&) { SelectionChange(SelectedIndex()); }

void TFormDir::Collapsed(const QModelIndex& index) {
    if (updating_) return;
    model_->Collapse(index);
}

void TFormDir::SelectionChange(const QModelIndex& index) {
    if (!host_.ProjectIsOpen() || updating_ || !index.isValid()) return;
    const TKeyList key = model_->KeyParts(index);
    selectedType_ = model_->TypeOf(index);
    selectedPath_.clear();
    selectedPathTexts_.clear();
    tree_->setToolTip(QString());

    dir_->Locate(key);
    selectedFileName_ = dir_->LastFoundFileName();
    if (selectedType_ == dirref::kDrawing) {
        selectedDrawingFile_ = selectedFileName_;
        tree_->setToolTip(QString::fromStdString(selectedDrawingFile_));
    } else if (selectedType_ == dirref::kTable) {
        TKeyList fileKey = key;
        fileKey.push_back(DataFilePart());
        dir_->Locate(fileKey);
        selectedTableDataFile_ = dir_->LastFoundFileName();
        fileKey.back() = KeyFilePart();
        dir_->Locate(fileKey);
        selectedTableKeyFile_ = dir_->LastFoundFileName();
        selectedPathTexts_ = model_->PathNames(index);
        for (size_t i = 0; i < selectedPathTexts_.size(); ++i)
            selectedPath_ += (i ? "\\" : "") + selectedPathTexts_[i];
        tree_->setToolTip(QString::fromStdString(selectedTableDataFile_ + "," + selectedTableKeyFile_));
    }
    host_.TreeSelectionChanged();
}

void TFormDir::DeleteSelected() {
    const QModelIndex index = SelectedIndex();
    if (!index.isValid()) return;
    QStringList names;
    for (const std::string& name : model_->PathNames(index)) names << FromCatalogue(name);
    if (!Dialogs().AskYesNo(this,
                            QStringLiteral("Achtung! Es kann eine essentiell notwendige Datei gelöscht "
                                           "werden!\nTrotzdem weitermachen?") +
                                QStringLiteral("\n\nGelöscht wird: ") + names.join(u'/'),
                            true))
        return;
    // The type of the node itself decides, not the published selection: after a
    // path that was only partly found, the two differ, and a folder must never be
    // deleted as if it were a table.
    const std::vector<std::string> path = model_->PathNames(index);
    try {
        switch (model_->TypeOf(index)) {
            case dirref::kFolder: dir_->DeleteFolder(path); break;
            case dirref::kDrawing: dir_->DeleteDrawing(path); break;
            case dirref::kTable: dir_->DeleteTable(path); break;
            default: break;
        }
    } catch (const std::exception& e) {
        Dialogs().ShowError(this, StoreText(e.what()));
        return;
    }
    const QString remembered = GetSelectedPath();
    Refresh();
    SelectPath(remembered);
}

void TFormDir::SetShowLongTexts(bool on) {
    if (actLongTexts_->isChecked() != on) {
        actLongTexts_->setChecked(on);  // comes back here through the toggled signal
        return;
    }
    if (model_->ShowLongTexts() == on) return;
    const QString remembered = GetSelectedPath();
    const QList<QStringList> expanded = ExpandedPaths();
    model_->SetShowLongTexts(on);
    Refresh();
    ExpandPaths(expanded);
    SelectPath(remembered);
}

QList<QStringList> TFormDir::ExpandedPaths() const {
    QList<QStringList> paths;
    // Only expanded folders have their children read, so the walk stays within
    // what the tree shows.
    std::vector<std::pair<QModelIndex, QStringList>> stack{{QModelIndex(), {}}};
    while (!stack.empty()) {
        auto [parent, names] = stack.back();
        stack.pop_back();
        for (int r = model_->rowCount(parent) - 1; r >= 0; --r) {
            const QModelIndex child = model_->index(r, 0, parent);
            if (!tree_->isExpanded(child)) continue;
            QStringList path = names;
            path << child.data(TKorDirModel::NameRole).toString();
            paths << path;
            stack.emplace_back(child, path);
        }
    }
    return paths;
}

void TFormDir::ExpandPaths(const QList<QStringList>& paths) {
    for (const QStringList& path : paths) {
        QModelIndex node;
        for (const QString& name : path) {
            if (node.isValid()) model_->FetchChildren(node);
            QModelIndex match;
            for (int r = 0; r < model_->rowCount(node) && !match.isValid(); ++r) {
                const QModelIndex child = model_->index(r, 0, node);
                if (child.data(TKorDirModel::NameRole).toString() == name) match = child;
            }
            node = match;
            if (!node.isValid()) break;
        }
        if (node.isValid()) {
            model_->FetchChildren(node);
            tree_->expand(node);
        }
    }
}

void TFormDir::ShowCheckWindow() {
    if (!dir_->IsOpen()) return;
    TFormDirCheck check(*dir_, this);
    check.exec();
}

}  // namespace korin
