#include "msr/ui/form_msr_view.h"

#include <QMainWindow>
#include <QMenu>
#include <QSettings>
#include <QToolBar>
#include <QVBoxLayout>

#include "msr/ui/fixed_table_view.h"
#include "msr/ui/form_check_inst.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"

namespace korin {

TFormMSRView::TFormMSRView(IKorHost& host) : TFormModule(host, QStringLiteral("MSRView")) {
    ToolBarModule()->hide();
    site_ = new QMainWindow(PanelClient());
    site_->setWindowFlags(Qt::Widget);
    site_->setDockNestingEnabled(true);
    auto* layout = new QVBoxLayout(PanelClient());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(site_);
    struct Def {
        TDM::Table table;
        const char* name;
        const char* title;
        const char* item;
    };
    const Def defs[kViewCount] = {
        {TDM::Unit, "Anlage", "ANLAGE", "Anlagen"},
        {TDM::Func, "Funktionsgruppen", "FUNKTIONSGRUPPEM", "Funktionsgruppen"},
        {TDM::MPoint, "Messtelle", "MESSTELLE", "Messtellen"},
        {TDM::Instr, "Instrumentierung", "INSTRUMENTIERUNG", "Instrumentierungen"},
        {TDM::Drawing, "Zeichnungen", "ZEICHNUNGEN", "Zeichnungen"},
        {TDM::MSRRef, "MSRRef", "MSR_REF", "Zusätzliche Messtellen"},
        {TDM::Conn, "Klemmen", "KLEMMEN", "Klemmen"},
    };
    menu_ = new QMenu(QStringLiteral("&MSR Ansicht"), this);
    for (int i = 0; i < kViewCount; ++i) {
        views_[i] = new TFormTabView(host, defs[i].table, QString::fromUtf8(defs[i].name),
                                     QString::fromUtf8(defs[i].title), site_);
        views_[i]->hide();
        items_[i] = menu_->addAction(QString::fromUtf8(defs[i].item));
        items_[i]->setCheckable(true);
        if (i == kFunc) {
            items_[i]->setVisible(false);
            continue;
        }
        connect(items_[i], &QAction::triggered, this, [this, i] { RunGuarded(this, [this, i] { ToggleView(i); }); });
        views_[i]->SetWasOpen(i == kUnit || i == kMPoint || i == kInstr);
        connect(views_[i], &TFormTabView::Closed, this, [this, i] { items_[i]->setChecked(false); });
    }
    menu_->addSeparator();
    connect(menu_->addAction(QStringLiteral("Instrumentierung prüfen")), &QAction::triggered, this,
            [this] { ShowInstrumentCheck(); });
    views_[kUnit]->AddLink(views_[kMPoint], "Bezeichner_Anlage", "Bezeichner_Anlage");
    views_[kUnit]->AddLink(views_[kInstr], "Bezeichner_Anlage", "Bezeichner_Anlage");
    views_[kMPoint]->AddLink(views_[kInstr], "Bezeichner_Stelle", "Bezeichner_Stelle");
    views_[kMPoint]->AddLink(views_[kRef], "Loop", "Bezeichner_Stelle");
    views_[kMPoint]->AddLink(views_[kConn], "BezSt", "Bezeichner_Stelle");
    views_[kRef]->AddLink(views_[kInstr], "Bezeichner_Stelle", "MSR_Add");
    views_[kRef]->AddLink(views_[kConn], "BezSt", "MSR_Add");
}

void TFormMSRView::ToggleView(int view) {
    TFormTabView* v = views_[view];
    if (!v->isHidden()) {
        v->close();
        items_[view]->setChecked(false);
        return;
    }
    site_->addDockWidget(Qt::TopDockWidgetArea, v);
    v->show();
    v->Activate();
    items_[view]->setChecked(v->IsActive());
}

void TFormMSRView::ShowInstrumentCheck() {
    if (!check_) check_ = new TFormCheckInst(Host(), Host().HostWindow());
    check_->show();
    check_->raise();
}

void TFormMSRView::ShowModule() {
    Host().MergeMenu(menu_);
    if (!Host().ProjectIsOpen()) return;
    for (int i = 0; i < kViewCount; ++i)
        if (views_[i]->WasOpen() && views_[i]->isHidden()) RunGuarded(this, [this, i] { ToggleView(i); });
}

void TFormMSRView::HideModule() {
    for (TFormTabView* v : views_) {
        v->SetWasOpen(!v->isHidden());
        v->Deactivate();
    }
    Host().UnmergeMenu(menu_);
}

void TFormMSRView::LoadModuleSettings(QSettings& settings) {
    for (TFormTabView* v : views_) v->LoadSettings(settings);
}

void TFormMSRView::SaveModuleSettings(QSettings& settings) {
    for (TFormTabView* v : views_) v->SaveSettings(settings);
}

}  // namespace korin
