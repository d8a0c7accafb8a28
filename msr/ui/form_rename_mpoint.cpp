#include "msr/ui/form_rename_mpoint.h"

#include <QAction>
#include <QApplication>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSplitter>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "msr/msr_key_filter.h"
#include "msr/msr_project.h"
#include "msr/msr_rename.h"
#include "msr/ui/filter_panel.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"

namespace korin {

TFormMSRRenameMPoint::TFormMSRRenameMPoint(IKorHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    filter_ = new TFilterPanel(QStringLiteral("Feldname"), this);
    bar->addAction(filter_->KeyAction());
    bar->addAction(filter_->ShowAction());
    connect(filter_, &TFilterPanel::FilterChanged, this, [this] {
        if (project_) RunGuarded(this, [this] { FillList(); });
    });
    connect(filter_, &TFilterPanel::ShownChanged, this, [this] { filter_->FitBelow(left_, 300); });
    apply_ = bar->addAction(QStringLiteral("Änderung übernehmen"));
    apply_->setEnabled(false);
    connect(apply_, &QAction::triggered, this, [this] { RunGuarded(this, [this] { Apply(); }); });
    layout->addWidget(bar);

    splitter_ = new QSplitter(this);
    left_ = new QSplitter(Qt::Vertical, splitter_);
    list_ = new QTableWidget(left_);
    list_->setColumnCount(2);
    list_->setHorizontalHeaderLabels({QStringLiteral("Messtelle"), QStringLiteral("Instrumentierung")});
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->verticalHeader()->setFixedWidth(12);
    list_->verticalHeader()->setDefaultSectionSize(20);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(list_, &QTableWidget::currentCellChanged, this, [this] { RunGuarded(this, [this] { RowChanged(); }); });

    auto* panel = new QWidget(splitter_);
    auto* right = new QVBoxLayout(panel);
    auto* caption = new QLabel(QStringLiteral("Ändern der Messtellenbezeichnung:"), panel);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    right->addWidget(caption);
    auto* form = new QFormLayout;
    plant_ = new QLineEdit(panel);
    point_ = new QLineEdit(panel);
    form->addRow(QStringLiteral("Anlage"), plant_);
    form->addRow(QStringLiteral("Messtelle"), point_);
    right->addLayout(form);
    joined_ = new QLabel(panel);
    right->addWidget(joined_);
    right->addStretch();
    connect(plant_, &QLineEdit::textChanged, this, [this] { RunGuarded(this, [this] { PlantEdited(); }); });
    connect(point_, &QLineEdit::textChanged, this,
            [this] { joined_->setText(plant_->text() + point_->text()); });
    left_->addWidget(list_);
    left_->addWidget(filter_);
    left_->setChildrenCollapsible(false);
    splitter_->addWidget(left_);
    splitter_->addWidget(panel);
    splitter_->setStretchFactor(1, 1);
    layout->addWidget(splitter_);
}

TFormMSRRenameMPoint::~TFormMSRRenameMPoint() = default;

void TFormMSRRenameMPoint::LoadSettings(QSettings& settings) {
    if (settings.contains(QStringLiteral("PanelMPoinFilterWidth")))
        splitter_->setSizes({settings.value(QStringLiteral("PanelMPoinFilterWidth")).toInt(), 600});
    list_->setColumnWidth(0, settings.value(QStringLiteral("SGridMPointMPointWidth"), 140).toInt());
    filter_->ReadSettings(settings, TFilterPanel::Names::Rows);
    filter_->FitBelow(left_, 300);
}

void TFormMSRRenameMPoint::SaveSettings(QSettings& settings) {
    settings.setValue(QStringLiteral("PanelMPoinFilterWidth"), splitter_->sizes().value(0));
    settings.setValue(QStringLiteral("SGridMPointMPointWidth"), list_->columnWidth(0));
    filter_->WriteSettings(settings, TFilterPanel::Names::Rows);
}

void TFormMSRRenameMPoint::Reload() {
    filter_->SetTable(nullptr);
    project_.reset();
    list_->setRowCount(0);
    if (!host_.ProjectIsOpen()) return;
    project_ = std::make_unique<msr::TMsrProject>(host_.GetProjectDir());
    filter_->SetTable(&project_->mpoint);
    FillList();
}

void TFormMSRRenameMPoint::FillList() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    const std::vector<std::string> names = msr::FilteredDesignations(*project_, filter_->Filter());
    list_->setRowCount(static_cast<int>(names.size()));
    // The fixed column stays empty, as narrow as it is.
    list_->setVerticalHeaderLabels(QStringList(list_->rowCount(), QString()));
    for (int r = 0; r < static_cast<int>(names.size()); ++r) {
        list_->setItem(r, 0, new QTableWidgetItem(QString::fromStdString(names[r])));
        list_->setItem(r, 1, new QTableWidgetItem);
    }
}

void TFormMSRRenameMPoint::Close() {
    filter_->SetTable(nullptr);
    project_.reset();
}

void TFormMSRRenameMPoint::RowChanged() {
    const int row = list_->currentRow();
    QString plant, point;
    if (project_ && row >= 0 && list_->item(row, 0) &&
        project_->mpoint.FindByPrimary(list_->item(row, 0)->text().toStdString())) {
        plant = QString::fromStdString(project_->mpoint.GetFieldById(msr::field::kPlant));
        point = QString::fromStdString(project_->mpoint.GetFieldById(msr::field::kSecondTitle));
    }
    plant_->setText(plant);
    point_->setText(point);
}

void TFormMSRRenameMPoint::PlantEdited() {
    apply_->setEnabled(project_ && project_->unit.IsOpen() && project_->unit.FindByPrimary(plant_->text().toStdString()));
    joined_->setText(plant_->text() + point_->text());
}

QString TFormMSRRenameMPoint::Apply() {
    const int row = list_->currentRow();
    if (!project_ || row < 0 || !list_->item(row, 0)) return {};
    const QString refusal = StoreText(msr::CheckRename(*project_, list_->item(row, 0)->text().toStdString(),
                                                       plant_->text().toStdString(), point_->text().toStdString()));
    if (!refusal.isEmpty()) Dialogs().ShowError(this, refusal);
    return refusal;
}

}  // namespace korin
