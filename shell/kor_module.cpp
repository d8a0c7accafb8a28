#include "shell/kor_module.h"

#include <QSettings>

#include "shell/kor_host.h"

namespace korin {

TKorModule::TKorModule(IKorHost& host, const QString& moduleName, TKorModule* parentModule)
    : QWidget(nullptr), host_(host), moduleName_(moduleName), parentModule_(parentModule) {
    setObjectName(moduleName);
}

QString TKorModule::KeyPath() const {
    return parentModule_ ? parentModule_->KeyPath() + u'/' + moduleName_ : moduleName_;
}

void TKorModule::Dock() { host_.DockModule(this); }

void TKorModule::Undock() { host_.UndockModule(this); }

void TKorPanelModule::Show() {
    if (Active()) return;
    Dock();
    SetActive(true);
}

void TKorPanelModule::Hide() {
    if (!Active()) return;
    Undock();
    SetActive(false);
}

bool SettingsGroupExists(QSettings& settings, const QString& path) {
    settings.beginGroup(path);
    const bool exists = !settings.childKeys().isEmpty() || !settings.childGroups().isEmpty();
    settings.endGroup();
    return exists;
}

}  // namespace korin
