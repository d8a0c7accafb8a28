#include "tables/ui/form_table.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QSettings>
#include <QStackedWidget>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "shell/form_dir.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"
#include "shell/kor_settings.h"
#include "tables/table_grids.h"
#include "tables/ui/table_cont_view.h"
#include "tables/ui/table_index_view.h"
#include "tables/ui/table_struc_view.h"
#include "tables/ui/table_views.h"

namespace korin {
namespace {

const QString kMenuSelectedKey = QStringLiteral("TableMenuSelected");

// Restores the normal cursor however the operation ends.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

TFormTable::TFormTable(IKorHost& host) : TFormModule(host, QStringLiteral("Table")) {
    menu_ = new QMenu(QStringLiteral("&Tabelle"), this);
    viewGroup_ = new QActionGroup(this);
    viewGroup_->setExclusive(true);
    struct Item {
        const char* text;
        const char* hint;
        QStyle::StandardPixmap icon;
    };
    const Item items[kViewCount] = {
        {"&Struktur", "Struktur anzeigen", QStyle::SP_FileDialogDetailedView},
        {"I&ndiezes", "Indizes anzeigen", QStyle::SP_FileDialogListView},
        {"&Inhalt", "Inhalt anzeigen", QStyle::SP_FileDialogContentsView},
        {"I&mport", "Daten importieren", QStyle::SP_ArrowDown},
    };
    QToolBar* bar = ToolBarModule();
    bar->setObjectName(QStringLiteral("ToolBarTable"));
    for (int v = 0; v < kViewCount; ++v) {
        QAction* a = new QAction(style()->standardIcon(items[v].icon), QString::fromUtf8(items[v].text), this);
        a->setToolTip(QString::fromUtf8(items[v].hint));
        a->setCheckable(true);
        viewGroup_->addAction(a);
        viewActions_[static_cast<size_t>(v)] = a;
        connect(a, &QAction::triggered, this, [this, v] { RunGuarded(this, [this, v] { SelectView(v); }); });
        bar->addAction(a);
        menu_->addAction(a);
    }
    bar->addSeparator();
    menu_->addSeparator();
    auto add = [this, bar](const char* text, const char* hint, QStyle::StandardPixmap icon) {
        QAction* a = new QAction(style()->standardIcon(icon), QString::fromUtf8(text), this);
        a->setToolTip(QString::fromUtf8(hint));
        bar->addAction(a);
        menu_->addAction(a);
        return a;
    };
    actExport_ = add("E&xport...", "Daten exportieren", QStyle::SP_DialogSaveButton);
    actDirect_ = add("&Direkter Import ...", "Accesstabelle direkt einlesen", QStyle::SP_DialogOpenButton);
    actEmpty_ = add("&Leeren", "Tabelle leeren", QStyle::SP_TrashIcon);
    actReindex_ = add("Indexdatei neu &generieren", "Indexdatei neu erstellen", QStyle::SP_BrowserReload);
    connect(actExport_, &QAction::triggered, this, [this] {
        RunGuarded(this, [this] {
            if (TableOpen()) OpenTableExport(*this);
        });
    });
    connect(actDirect_, &QAction::triggered, this, [this] { RunGuarded(this, [this] { OpenDirectImport(*this); }); });
    connect(actEmpty_, &QAction::triggered, this, [this] { RunGuarded(this, [this] { EmptyTableAsked(); }); });
    connect(actReindex_, &QAction::triggered, this, [this] { RunGuarded(this, [this] { RebuildKeyFile(); }); });
    // The structure view's own button, shown beside the module's while that
    // view is active.
    actAddField_ = new QAction(style()->standardIcon(QStyle::SP_FileIcon), QStringLiteral("Feld hinzufügen"), this);
    actAddField_->setToolTip(QStringLiteral("Feld hinzufügen"));
    bar->addSeparator()->setObjectName(QStringLiteral("StrucSeparator"));
    bar->addAction(actAddField_);
    actAddField_->setVisible(false);

    auto* layout = new QVBoxLayout(PanelClient());
    layout->setContentsMargins(0, 0, 0, 0);
    stack_ = new QStackedWidget(PanelClient());
    layout->addWidget(stack_);
    views_[kStructure] = new TTableStrucView(*this);
    views_[kIndex] = new TTableIndexView(*this);
    views_[kContents] = new TTableContView(*this);
    views_[kImport] = CreateTableImportView(*this);
    auto* empty = new QWidget(stack_);
    stack_->addWidget(empty);
    for (TTableView* view : views_) stack_->addWidget(view);
    stack_->setCurrentWidget(empty);
    connect(actAddField_, &QAction::triggered, this,
            [this] { RunGuarded(this, [this] { StrucView().AddFieldAsked(); }); });
    EnableTableActions(false);
}

TFormTable::~TFormTable() {
    // The views' datasets go before the tables they read.
    for (TTableView* view : views_) delete view;
    views_.fill(nullptr);
}

TTableStrucView& TFormTable::StrucView() const { return *static_cast<TTableStrucView*>(views_[kStructure]); }
TTableContView& TFormTable::ContView() const { return *static_cast<TTableContView*>(views_[kContents]); }

QString TFormTable::SelectedTablePath() const {
    TFormDir& tree = Host().ProjectTree();
    if (tree.SelectedType() != 5) return {};
    return QString::fromStdString(tree.SelectedPath());
}

std::unique_ptr<QSettings> TFormTable::TableSettings() const {
    auto settings = OpenAppSettings();
    settings->beginGroup(KeyPath());
    return settings;
}

void TFormTable::EnableTableActions(bool on) {
    for (QAction* a : viewActions_) a->setEnabled(on);
    actExport_->setEnabled(on);
    actDirect_->setEnabled(on);
    actEmpty_->setEnabled(on);
}

void TFormTable::ShowModule() {
    Host().MergeMenu(menu_);
    {
        auto settings = OpenAppSettings();
        LoadSettings(*settings);
    }
    OnProjectOpened();
    if (selectedView_ >= 0 && selectedView_ < kViewCount) SelectView(selectedView_);
}

void TFormTable::HideModule() {
    {
        auto settings = OpenAppSettings();
        SaveSettings(*settings);
    }
    for (TTableView* view : views_) view->HideView();
    actAddField_->setVisible(false);
    table_.Close();
    Host().UnmergeMenu(menu_);
}

void TFormTable::LoadModuleSettings(QSettings& settings) {
    for (TTableView* view : views_) view->LoadSettings(settings);
    if (settings.contains(kMenuSelectedKey)) {
        bool ok = false;
        const int view = settings.value(kMenuSelectedKey).toInt(&ok);
        if (ok) selectedView_ = view;
    }
}

void TFormTable::SaveModuleSettings(QSettings& settings) {
    for (TTableView* view : views_) view->SaveSettings(settings);
    for (const char* group : {"Index", "Import"}) {
        settings.beginGroup(QString::fromLatin1(group));
        settings.endGroup();
    }
    settings.setValue(kMenuSelectedKey, selectedView_);
}

void TFormTable::OnProjectOpened() { Refresh(); }

void TFormTable::OnSelectionChanged() { Refresh(); }

void TFormTable::Refresh() {
    TFormDir& tree = Host().ProjectTree();
    if (tree.SelectedType() != 5 || !Host().ProjectIsOpen()) {
        EnableTableActions(false);
        table_.Close();
    } else {
        table_.Close();
        table_.SetProject(Host().GetProjectDir());
        table_.SetFileName(tree.SelectedTableDataFile());
        table_.SetKeyFileName(tree.SelectedTableKeyFile());
        table_.SetProgressBar(&Host().Progress());
        try {
            table_.Open();
        } catch (...) {
            table_.Close();
            EnableTableActions(false);
            for (TTableView* view : views_) view->Refresh();
            throw;
        }
        if (table_.IsOpen() && table_.FieldCount() < 1) table_.Close();
        if (table_.IsOpen()) EnableTableActions(true);
    }
    actAddField_->setEnabled(table_.IsOpen());
    for (TTableView* view : views_) view->Refresh();
}

void TFormTable::SelectView(int view) {
    if (view < 0 || view >= kViewCount) return;
    selectedView_ = view;
    viewActions_[static_cast<size_t>(view)]->setChecked(true);
    for (int v = 0; v < kViewCount; ++v)
        if (v != view) views_[static_cast<size_t>(v)]->HideView();
    actAddField_->setVisible(view == kStructure);
    stack_->setCurrentWidget(views_[static_cast<size_t>(view)]);
    views_[static_cast<size_t>(view)]->ShowView();
}

void TFormTable::EmptyTableAsked() {
    if (!table_.IsOpen()) return;
    if (!Dialogs().AskYesNo(this, QString::fromUtf8(kEmptyQuestion), true)) return;
    ContView().CloseData();
    EmptyTable(table_);
    ContView().Refresh();
    Refresh();
}

void TFormTable::RebuildKeyFile() {
    WaitCursor wait;
    const bool contents = ContView().ViewActive();
    if (contents) ContView().CloseData();
    // With no table open the rebuild works on the files the module had last.
    if (!table_.IsOpen() && !table_.FileName().empty()) table_.Open();
    table_.Reindex();
    Refresh();
}

bool TFormTable::CanPrint() const {
    return Active() && table_.IsOpen() && selectedView_ >= kStructure && selectedView_ <= kContents;
}

void TFormTable::OnPrint() {
    for (int v : {kStructure, kIndex, kContents})
        if (views_[static_cast<size_t>(v)]->ViewActive()) views_[static_cast<size_t>(v)]->Print();
}

void TFormTable::OnExport(const QString& file) {
    for (int v : {kStructure, kIndex, kContents})
        if (views_[static_cast<size_t>(v)]->ViewActive()) views_[static_cast<size_t>(v)]->ExportText(file);
}

}  // namespace korin
