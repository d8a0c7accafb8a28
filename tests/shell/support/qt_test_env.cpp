#include "shell/support/qt_test_env.h"

#include "app/register_modules.h"
#include "shell/form_main.h"
#include "shell/kor_settings.h"

namespace korin::testing {
namespace {
// Every Qt test sees the program's own modules in the main window.
const bool kModulesRegistered = (RegisterProgramModules(), true);
}  // namespace

SettingsScope::SettingsScope() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
    Clear();
}

SettingsScope::~SettingsScope() { Clear(); }

void SettingsScope::Clear() {
    auto s = Open();
    s->clear();
    s->sync();
}

std::unique_ptr<QSettings> SettingsScope::Open() const { return OpenAppSettings(); }

std::unique_ptr<TFormMain> StartMain(const QString& folder, bool saveSettings) {
    TFormMain::Options options;
    options.projectFolder = folder;
    options.saveSettings = saveSettings;
    auto main = std::make_unique<TFormMain>(options);
    main->Startup();
    return main;
}

RecordingDialogs::RecordingDialogs() : previous_(SetDialogs(this)) {}

RecordingDialogs::~RecordingDialogs() { SetDialogs(previous_); }

}  // namespace korin::testing
