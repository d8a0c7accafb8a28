// The application's settings: per user, organisation "RVK-Nordwerk",
// application "KorinPro" (on Linux ~/.config/RVK-Nordwerk/KorinPro.conf).
//
//   Main/ModuleDirWidth   width of the project tree panel
//   Main/ProjectPath      folder that holds the project folder, with a trailing "/"
//   Main/ProjectName      the project folder's name
//   Main/MenuView         the active module, -1 for none
//   Main/SelectedItem     the tree's selected path as comma text
//   Last Path             the project selection dialog's last folder
//   <Module>/...          each module's own values (Table/ANSIPath, MSR/..., ...)
#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace korin {

inline const QString kSettingsOrganisation = QStringLiteral("RVK-Nordwerk");
inline const QString kSettingsApplication = QStringLiteral("KorinPro");

inline const QString kMainGroup = QStringLiteral("Main");
inline const QString kModuleDirWidthKey = QStringLiteral("ModuleDirWidth");
inline const QString kProjectPathKey = QStringLiteral("ProjectPath");
inline const QString kProjectNameKey = QStringLiteral("ProjectName");
inline const QString kMenuViewKey = QStringLiteral("MenuView");
inline const QString kSelectedItemKey = QStringLiteral("SelectedItem");
inline const QString kLastPathKey = QStringLiteral("Last Path");
// Kept beside the values above: the window's place and size, whether it was
// maximised, and the tree's "Lange Texte" choice.
inline const QString kWindowGeometryKey = QStringLiteral("WindowGeometry");
inline const QString kWindowMaximizedKey = QStringLiteral("WindowMaximized");
inline const QString kLongTextsKey = QStringLiteral("LongTexts");

std::unique_ptr<QSettings> OpenAppSettings();

}  // namespace korin
