#include "shell/form_module.h"

#include <QApplication>
#include <QFileInfo>
#include <QSettings>
#include <QToolBar>
#include <QVBoxLayout>

#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"
#include "shell/form_dir.h"
#include "shell/project_table.h"

namespace korin {

TFormModule::TFormModule(IKorHost& host, const QString& moduleName, TKorModule* parentModule)
    : TKorModule(host, moduleName, parentModule) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("ToolBarModule"));
    toolBar_->setIconSize(QSize(16, 16));
    panelClient_ = new QWidget(this);
    panelClient_->setObjectName(QStringLiteral("PanelClient"));
    layout->addWidget(toolBar_);
    layout->addWidget(panelClient_, 1);
}

void TFormModule::Show() {
    // A module is shown after whatever ran before it; a busy cursor left behind
    // by a failed operation must not stay.
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    if (Active()) return;
    SetActive(true);
    Dock();
    ShowModule();
}

void TFormModule::Hide() {
    if (!Active()) return;
    HideModule();
    Undock();
    SetActive(false);
}

void TFormModule::ProjectOpened() {
    if (Active()) OnProjectOpened();
}

void TFormModule::SelectionChanged() {
    if (Active()) OnSelectionChanged();
}

void TFormModule::PrintModule() {
    if (Active()) OnPrint();
}

void TFormModule::ExportModule() {
    if (!Active()) return;
    const QString file = AskExportFileName();
    if (file.isEmpty()) return;
    exportFolder_ = QFileInfo(file).absolutePath();
    OnExport(file);
}

QString TFormModule::AskExportFileName() {
    return Dialogs().AskSaveFileName(this, QStringLiteral("Exportieren"), exportFolder_,
                                     QStringLiteral("ANSI Text (*.txt)"), QStringLiteral("txt"));
}

void TFormModule::SaveSettings(QSettings& settings) {
    if (!Active()) return;
    settings.beginGroup(KeyPath());
    settings.setValue(QStringLiteral("ANSIPath"), exportFolder_);
    SaveModuleSettings(settings);
    settings.endGroup();
}

void TFormModule::LoadSettings(QSettings& settings) {
    if (!SettingsGroupExists(settings, KeyPath())) return;
    settings.beginGroup(KeyPath());
    if (settings.contains(QStringLiteral("ANSIPath")))
        exportFolder_ = settings.value(QStringLiteral("ANSIPath")).toString();
    LoadModuleSettings(settings);
    settings.endGroup();
}

bool TFormModule::OpenProjectTable(const std::vector<std::string>& path, TKorTable& table,
                                   bool force) {
    if (!Active()) return false;
    return korin::OpenProjectTable(Host().ProjectTree().KorDirFileModDir(), Host().GetProjectDir(),
                                   path, table, force);
}

}  // namespace korin
