#include "cable/ui/form_cable.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "cable/kor_cable_ops.h"
#include "project/kor_dir_file.h"
#include "shell/form_dir.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"
#include "shell/models/codepage.h"

namespace korin {
namespace {

constexpr int kListWidth = 192;
constexpr int kColumnWidth = 100;
constexpr int kRowHeight = 18;
constexpr int kFirstColumnWidth = 12;

// The wait cursor while a command runs.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

TFormCable::TFormCable(IKorHost& host)
    : TKorModule(host, QStringLiteral("Cable")), ops_(std::make_unique<TKorCableOps>()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("ToolBarCable"));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    actCreate_ = toolBar_->addAction(QStringLiteral("Adern erzeugen"));
    actCreate_->setToolTip(QStringLiteral("Adern erzeugen"));
    actAlign_ = toolBar_->addAction(QStringLiteral("Adern mit Stammkabeldatenbank abgleichen"));
    actAlign_->setToolTip(QStringLiteral("Adern mit Stammkabeldatenbank abgleichen"));
    hiddenCreate_ = new QToolButton(this);
    hiddenCreate_->setText(QStringLiteral("Adern erzeugen"));
    hiddenCreate_->hide();
    layout->addWidget(toolBar_);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    listCables_ = new QListWidget(this);
    listCables_->setObjectName(QStringLiteral("ListCables"));
    listCables_->setFixedWidth(kListWidth);
    gridWires_ = new QTableWidget(0, 5, this);
    gridWires_->setObjectName(QStringLiteral("GridWires"));
    gridWires_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridWires_->verticalHeader()->hide();
    gridWires_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    gridWires_->horizontalHeader()->setMinimumSectionSize(kFirstColumnWidth);
    gridWires_->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
    gridWires_->setColumnWidth(0, kFirstColumnWidth);
    body->addWidget(listCables_);
    body->addWidget(gridWires_, 1);
    layout->addLayout(body, 1);

    connect(actCreate_, &QAction::triggered, this, &TFormCable::ToolButtonCreateWiresClick);
    connect(hiddenCreate_, &QToolButton::clicked, this, &TFormCable::ToolButtonCreateWiresClick);
    connect(actAlign_, &QAction::triggered, this, &TFormCable::ToolButtonAlignClick);
    connect(listCables_, &QListWidget::currentRowChanged, this, &TFormCable::ShowWires);
}

TFormCable::~TFormCable() = default;

void TFormCable::Show() {
    if (Active()) return;
    Dock();
    ClearWires();
    SetActive(true);
    if (!Host().GetProjectDir().empty()) OpenTables();
}

void TFormCable::Hide() {
    if (!Active()) return;
    Undock();
    ops_->Close();
    listCables_->clear();
    ClearWires();
    SetActive(false);
}

void TFormCable::ProjectOpened() {
    if (!Active()) return;
    ops_->Close();
    listCables_->clear();
    ClearWires();
    OpenTables();
}

void TFormCable::OpenTables() {
    RunGuarded(this, [&] {
        TKorDirFile& dir = Host().ProjectTree().KorDirFileModDir();
        if (!dir.IsOpen()) return;
        ops_->Open(dir);
    });
    FillCables();
}

void TFormCable::FillCables() {
    const QSignalBlocker quiet(listCables_);
    listCables_->clear();
    for (const std::string& cable : ops_->Cables()) listCables_->addItem(FromOem(cable));
    if (listCables_->count() > 0) listCables_->setCurrentRow(0);
    ShowWires();
}

void TFormCable::ClearWires() {
    gridWires_->setRowCount(0);
    gridWires_->setHorizontalHeaderLabels({QString(), QStringLiteral("Ader"), QStringLiteral("Farbe"),
                                           QStringLiteral("Aderquerschnitt"), QStringLiteral("Adertyp")});
    gridWires_->setColumnWidth(0, kFirstColumnWidth);
}

void TFormCable::ShowWires() {
    ClearWires();
    const int row = listCables_->currentRow();
    if (row < 0 || static_cast<size_t>(row) >= ops_->Cables().size()) return;
    RunGuarded(this, [&] {
        const std::vector<TKorWireRow> wires = ops_->Wires(ops_->Cables()[static_cast<size_t>(row)]);
        gridWires_->setRowCount(static_cast<int>(wires.size()));
        for (int r = 0; r < static_cast<int>(wires.size()); ++r) {
            const TKorWireRow& w = wires[static_cast<size_t>(r)];
            const std::string* texts[] = {&w.wire, &w.colour, &w.section, &w.type};
            for (int c = 0; c < 4; ++c) gridWires_->setItem(r, c + 1, new QTableWidgetItem(FromOem(*texts[c])));
        }
    });
}

void TFormCable::ToolButtonCreateWiresClick() {
    RunCommand([this] { return ops_->CreateWires(); }, QStringLiteral("%1 Adern erzeugt."));
}

void TFormCable::ToolButtonAlignClick() {
    RunCommand([this] { return ops_->Align(); }, QStringLiteral("%1 Adern abgeglichen."));
}

void TFormCable::RunCommand(const std::function<int32_t()>& command, const QString& doneText) {
    if (!ops_->IsOpen()) return;
    // Whatever the command did, the grid shows the wires as they are now.
    struct Finish {
        TFormCable& form;
        ~Finish() {
            form.ops_->SetProgress(nullptr);
            form.ShowWires();
        }
    };
    RunGuarded(this, [&] {
        BusyCursor busy;
        Finish finish{*this};
        ops_->SetProgress(&Host().Progress());
        Host().SetStatusText(doneText.arg(command()));
    });
}

}  // namespace korin
