#include "shell/kor_settings.h"

namespace korin {

std::unique_ptr<QSettings> OpenAppSettings() {
    return std::make_unique<QSettings>(QSettings::UserScope, kSettingsOrganisation, kSettingsApplication);
}

}  // namespace korin
