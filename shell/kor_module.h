// The module protocol: how the main window drives its seven module windows.
//
// The host calls, for every module and in a fixed order of modules, LoadSettings
// at start-up, ProjectOpened after a project was opened, SelectionChanged after
// the project tree's selection changed, and SaveSettings at close; the View menu
// calls Show on the chosen module and Hide on all others, so that at most one
// module is active. Print and Export reach the table module only.
//
// Settings are kept per module in the application's settings under the module's
// key path ("Table", "Cable", "MSR", ...; a nested module below its parent's).
//
// TKorModule is the common ground: the active flag, docking into the host's
// module area, and the key path. TFormModule (shell/form_module.h) adds the
// guarded protocol of the module windows with a tool bar and an export dialog;
// simpler modules derive from TKorModule directly.
#pragma once

#include <QString>
#include <QWidget>

class QSettings;

namespace korin {

class IKorHost;

class TKorModule : public QWidget {
    Q_OBJECT
public:
    TKorModule(IKorHost& host, const QString& moduleName, TKorModule* parentModule = nullptr);

    // The host protocol.
    virtual void LoadSettings(QSettings& settings) = 0;
    virtual void SaveSettings(QSettings& settings) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual void ProjectOpened() = 0;
    virtual void SelectionChanged() = 0;
    virtual void PrintModule() {}
    virtual void ExportModule() {}
    // Whether PrintModule and ExportModule would do something now; the File
    // menu enables its items by them.
    virtual bool CanPrint() const { return false; }
    virtual bool CanExport() const { return false; }
    // Chooses the module's view k (the k-th radio item of its menu, from 0);
    // a module without views ignores it.
    virtual void SelectView(int view) {}

    bool Active() const { return active_; }
    const QString& ModuleName() const { return moduleName_; }
    TKorModule* ParentModule() const { return parentModule_; }
    // "Name", or the parent's key path + "/" + "Name" for a nested module.
    QString KeyPath() const;

protected:
    IKorHost& Host() const { return host_; }
    void SetActive(bool active) { active_ = active; }
    // Puts this panel into the host's module area, or takes it out again.
    void Dock();
    void Undock();

private:
    IKorHost& host_;
    QString moduleName_;
    TKorModule* parentModule_;
    bool active_ = false;
};

// A module that is one panel: Show docks it, Hide takes it back, and its settings
// key holds no values. The notifications do nothing unless a descendant says so.
class TKorPanelModule : public TKorModule {
    Q_OBJECT
public:
    using TKorModule::TKorModule;

    void LoadSettings(QSettings& settings) override {}
    void SaveSettings(QSettings& settings) override {}
    void Show() override;
    void Hide() override;
    void ProjectOpened() override {}
    void SelectionChanged() override {}
};

// A settings group that exists (holds a value or a sub-group).
bool SettingsGroupExists(QSettings& settings, const QString& path);

}  // namespace korin
