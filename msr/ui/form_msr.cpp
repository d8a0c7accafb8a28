#include "msr/ui/form_msr.h"

#include <QSettings>
#include <QVBoxLayout>

#include "msr/ui/form_msr_create_pages.h"
#include "shell/kor_dialogs.h"

namespace korin {

TFormMSR::TFormMSR(IKorHost& host) : TKorPanelModule(host, QStringLiteral("MSR")) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    createPages_ = new TFormMSRCreatePages(host, this);
    layout->addWidget(createPages_);
}

void TFormMSR::LoadSettings(QSettings& settings) {
    settings.beginGroup(QStringLiteral("CreatePages"));
    createPages_->LoadSettings(settings);
    settings.endGroup();
}

void TFormMSR::SaveSettings(QSettings& settings) {
    if (!Active()) return;
    settings.beginGroup(QStringLiteral("CreatePages"));
    createPages_->SaveSettings(settings);
    settings.endGroup();
}

void TFormMSR::Show() {
    TKorPanelModule::Show();
    RunGuarded(this, [this] { createPages_->Reload(); });
}

void TFormMSR::Hide() {
    createPages_->Close();
    TKorPanelModule::Hide();
}

void TFormMSR::ProjectOpened() {
    if (Active()) RunGuarded(this, [this] { createPages_->Reload(); });
}

void TFormMSR::SelectView(int view) {
    if (view == 0 && Active()) RunGuarded(this, [this] { createPages_->Reload(); });
}

}  // namespace korin
