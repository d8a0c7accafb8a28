#include "msr/ui/form_msr.h"

#include <QActionGroup>
#include <QMenu>
#include <QSettings>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "msr/ui/form_assign_mpoint.h"
#include "msr/ui/form_msr_create_pages.h"
#include "msr/ui/form_rename_mpoint.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"

namespace korin {

TFormMSR::TFormMSR(IKorHost& host) : TKorPanelModule(host, QStringLiteral("MSR")) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QToolBar(this);
    menu_ = new QMenu(QStringLiteral("&MSR"), this);
    auto* buttonGroup = new QActionGroup(this);
    auto* itemGroup = new QActionGroup(this);
    const char* const buttons[] = {"Messtellenblätter erzeugen", "Messtellen zuweisen", "Messtellen umbenennen"};
    const char* const items[] = {"Messtellenblätter &erzeugen", "Messtellen &zuweisen", "Messtellen &umbenennen"};
    for (int i = 0; i < 3; ++i) {
        buttons_[i] = bar->addAction(QString::fromUtf8(buttons[i]));
        items_[i] = menu_->addAction(QString::fromUtf8(items[i]));
        for (QAction* a : {buttons_[i], items_[i]}) a->setCheckable(true);
        buttonGroup->addAction(buttons_[i]);
        itemGroup->addAction(items_[i]);
        connect(buttons_[i], &QAction::triggered, this, [this, i] { SelectView(i); });
        if (i < 2) connect(items_[i], &QAction::triggered, this, [this, i] { SelectView(i); });
    }
    buttons_[2]->setVisible(false);
    items_[2]->setVisible(false);
    layout->addWidget(bar);
    stack_ = new QStackedWidget(this);
    createPages_ = new TFormMSRCreatePages(host, stack_);
    assign_ = new TFormAssignMeasurePoint(host, stack_);
    rename_ = new TFormMSRRenameMPoint(host, stack_);
    for (QWidget* w : {static_cast<QWidget*>(createPages_), static_cast<QWidget*>(assign_),
                       static_cast<QWidget*>(rename_)})
        stack_->addWidget(w);
    layout->addWidget(stack_);
}

TFormMSR::~TFormMSR() = default;

void TFormMSR::LoadSettings(QSettings& settings) {
    // The module's key ("MSR"); the windows' sub keys lie below it.
    settings.beginGroup(KeyPath());
    view_ = std::clamp(settings.value(QStringLiteral("MenuViewSelected"), 0).toInt(), 0, 2);
    assign_->LoadSettings(settings);
    settings.beginGroup(QStringLiteral("CreatePages"));
    createPages_->LoadSettings(settings);
    settings.endGroup();
    settings.beginGroup(QStringLiteral("RenameMPoint"));
    rename_->LoadSettings(settings);
    settings.endGroup();
    settings.endGroup();
}

void TFormMSR::SaveSettings(QSettings& settings) {
    settings.beginGroup(KeyPath());
    // The view is kept also when the module was left before the program ends.
    settings.setValue(QStringLiteral("MenuViewSelected"), view_);
    if (!Active()) {
        settings.endGroup();
        return;
    }
    assign_->SaveSettings(settings);
    settings.beginGroup(QStringLiteral("CreatePages"));
    createPages_->SaveSettings(settings);
    settings.endGroup();
    settings.beginGroup(QStringLiteral("RenameMPoint"));
    rename_->SaveSettings(settings);
    settings.endGroup();
    settings.endGroup();
}

void TFormMSR::Show() {
    if (Active()) return;
    TKorPanelModule::Show();
    Host().MergeMenu(menu_);
    SelectView(view_);
}

void TFormMSR::Hide() {
    if (!Active()) return;
    CloseViews();
    Host().UnmergeMenu(menu_);
    TKorPanelModule::Hide();
}

void TFormMSR::CloseViews() {
    createPages_->Close();
    assign_->Close();
    rename_->Close();
}

void TFormMSR::ReloadView() {
    RunGuarded(this, [this] {
        if (view_ == 0) createPages_->Reload();
        if (view_ == 1) assign_->Reload();
        if (view_ == 2) rename_->Reload();
    });
}

void TFormMSR::ProjectOpened() {
    if (Active()) ReloadView();
}

void TFormMSR::SelectionChanged() {
    if (Active() && view_ == 1) RunGuarded(this, [this] { assign_->TreeSelectionChanged(); });
}

void TFormMSR::SelectView(int view) {
    if (view < 0 || view > 2) return;
    view_ = view;
    buttons_[view]->setChecked(true);
    items_[view]->setChecked(true);
    if (!Active()) return;
    CloseViews();
    stack_->setCurrentIndex(view);
    ReloadView();
}

}  // namespace korin
