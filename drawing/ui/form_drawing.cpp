#include "drawing/ui/form_drawing.h"

#include <QActionGroup>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include "drawing/kor_drawing.h"
#include "drawing/ui/image_scroll_box.h"
#include "drawing/ui/kor_draw_ds.h"
#include "shell/comma_text.h"
#include "shell/form_dir.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"
#include "store/kor_error.h"
#include "store/kor_path.h"
#include "store/kor_table.h"

namespace korin {
namespace {

constexpr int kSymbolListWidth = 320;
constexpr int32_t kDrawingType = 1;
constexpr int32_t kMeasurePointCode = 12135;
constexpr int32_t kPageCode = 62;
constexpr int32_t kOriginalField = 20020;
constexpr int32_t kOrigPathField = 20021;

QTableView* MakeGrid(QAbstractItemModel* model, QWidget* parent) {
    auto* grid = new QTableView(parent);
    grid->setModel(model);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->setDefaultSectionSize(18);
    return grid;
}

// Store bytes through QString and back unchanged, for the comma text splitter.
QStringList SplitBytes(const std::string& text) { return SplitCommaText(QString::fromLatin1(text)); }

}  // namespace

TFormDrawing::TFormDrawing(IKorHost& host) : TFormModule(host, QStringLiteral("Module")) {
    setObjectName(QStringLiteral("Drawing"));
    ToolBarModule()->hide();

    menu_ = new QMenu(QStringLiteral("&Zeichnung"), this);
    auto* group = new QActionGroup(menu_);
    actTable_ = menu_->addAction(QStringLiteral("&Tabelle"));
    actImage_ = menu_->addAction(QStringLiteral("&Bild"));
    for (QAction* a : {actTable_, actImage_}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    actTable_->setChecked(true);
    connect(actTable_, &QAction::triggered, this, [this] { SelectView(0); });
    connect(actImage_, &QAction::triggered, this, [this] { SelectView(1); });

    dsSymbol_ = new TKorDrawDS(TKorDrawTable::Symbol, this);
    dsCode_ = new TKorDrawDS(TKorDrawTable::Code, this);
    auto* layout = new QVBoxLayout(PanelClient());
    layout->setContentsMargins(0, 0, 0, 0);
    tableView_ = new QSplitter(Qt::Horizontal, PanelClient());
    tableView_->setHandleWidth(3);
    gridSymbolList_ = MakeGrid(dsSymbol_, tableView_);
    gridSymbolList_->setObjectName(QStringLiteral("DBGridSymbolList"));
    gridSymbol_ = MakeGrid(dsCode_, tableView_);
    gridSymbol_->setObjectName(QStringLiteral("DBGridSymbol"));
    gridSymbol_->horizontalHeader()->setStretchLastSection(true);
    tableView_->addWidget(gridSymbolList_);
    tableView_->addWidget(gridSymbol_);
    tableView_->setSizes({kSymbolListWidth, 10 * kSymbolListWidth});
    tableView_->setStretchFactor(1, 1);
    // A symbol chosen in the list shows its own codes instead of the title block's.
    connect(gridSymbolList_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (const TKorDrawRow* row = dsSymbol_->Row(current.row()))
                    dsCode_->SetFilter("SymNo=" + std::to_string(row->symNo));
            });
    image_ = new TImageScrollBox(PanelClient());
    image_->setObjectName(QStringLiteral("ImageScrollBox1"));
    layout->addWidget(tableView_);
    layout->addWidget(image_);
    image_->hide();
}

TFormDrawing::~TFormDrawing() = default;

void TFormDrawing::ShowModule() {
    Host().MergeMenu(menu_);
    SelectView(0);
}

void TFormDrawing::HideModule() {
    Host().UnmergeMenu(menu_);
    dsSymbol_->Close();
    dsCode_->Close();
}

void TFormDrawing::OnProjectOpened() { OnSelectionChanged(); }

void TFormDrawing::OnSelectionChanged() {
    if (view_ == 0)
        RefreshTable();
    else
        RefreshImage();
}

void TFormDrawing::SelectView(int view) {
    if (view != 0 && view != 1) return;
    view_ = view;
    (view == 0 ? actTable_ : actImage_)->setChecked(true);
    tableView_->setVisible(view == 0);
    image_->setVisible(view == 1);
    if (view == 1) {
        dsSymbol_->Close();
        dsCode_->Close();
    }
    if (Active()) OnSelectionChanged();
}

void TFormDrawing::RefreshTable() {
    dsSymbol_->Close();
    dsCode_->Close();
    TFormDir& tree = Host().ProjectTree();
    if (tree.SelectedType() != kDrawingType || Host().GetProjectDir().empty()) return;
    const std::string file = Host().GetProjectDir() + tree.SelectedDrawingFile();
    if (!path::FileExists(file)) {
        // The dataset would keep the name of the drawing shown before.
        Host().SetStatusText(QStringLiteral("Die Zeichnung %1 ist nicht vorhanden.").arg(QFile::decodeName(file.c_str())));
        return;
    }
    RunGuarded(this, [&] {
        for (TKorDrawDS* ds : {dsSymbol_, dsCode_}) {
            ds->SetFileName(file);
            ds->Open();
        }
        dsCode_->SetFilter("SymTyp=9");
        dsCode_->SetFiltered(true);
    });
    gridSymbolList_->resizeColumnsToContents();
    gridSymbol_->resizeColumnsToContents();
}

std::string TFormDrawing::PageImageFile(const std::string& drawingFile) {
    TKorTable table;
    if (!OpenProjectTable({"AUC_SYSTEM", "MESSTELLE"}, table, false))
        throw Exception("ModDrawingImage: Konnte Tabelle Messtelle nicht öffnen!");
    TKorDrawing drawing;
    drawing.SetProject(Host().GetProjectDir());
    drawing.SetFileName(drawingFile);
    drawing.Open();
    const TKorDrawSym* first = drawing.SymbolAt(0);
    if (!first || !table.FindByPrimary(first->GetCode(kMeasurePointCode))) return {};
    const QStringList folders = SplitBytes(table.GetFieldById(kOrigPathField));
    const QStringList names = SplitBytes(table.GetFieldById(kOriginalField));
    bool isNumber = false;
    const int page = QString::fromLatin1(first->GetCode(kPageCode)).trimmed().toInt(&isNumber);
    // A page number outside the list of originals names no bitmap.
    if (folders.isEmpty() || !isNumber || page < 1 || page > names.size()) return {};
    return path::Native((folders[0] + QStringLiteral("bitmap\\") + names[page - 1] + QStringLiteral(".bmp")).toLatin1().toStdString());
}

void TFormDrawing::RefreshImage() {
    const std::string drawingFile = Host().ProjectTree().SelectedDrawingFile();
    if (Host().GetProjectDir().empty() || drawingFile.empty()) return;
    RunGuarded(this, [&] {
        const std::string file = PageImageFile(drawingFile);
        image_->SetFileName(QFile::decodeName(file.c_str()));
        if (!image_->LoadProblem().isEmpty()) Host().SetStatusText(image_->LoadProblem());
    });
}

}  // namespace korin
