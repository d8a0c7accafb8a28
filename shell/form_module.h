// TFormModule: the base of the module windows with a tool bar (table module,
// MSR overview, drawing module).
//
// Layout: the tool bar `ToolBarModule` on top, the client panel `PanelClient`
// below it filling the rest; descendants put their controls into both.
//
// The host operations are guarded: Show only acts on an inactive module, Hide,
// ProjectOpened, SelectionChanged, PrintModule and ExportModule only on the
// active one, and SaveSettings writes only while the module is active. The
// descendant supplies the virtual steps behind them.
//
// Settings under the module's key path: "ANSIPath", the folder of the last
// export file (kept as it was when nothing has been exported since it was read).
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "shell/kor_module.h"

class QToolBar;

namespace korin {

class TKorTable;

class TFormModule : public TKorModule {
    Q_OBJECT
public:
    TFormModule(IKorHost& host, const QString& moduleName, TKorModule* parentModule = nullptr);

    void LoadSettings(QSettings& settings) override;
    void SaveSettings(QSettings& settings) override;
    void Show() override;
    void Hide() override;
    void ProjectOpened() override;
    void SelectionChanged() override;
    void PrintModule() override;
    void ExportModule() override;

    // Opens a table of the open project by its catalogue path, only while the
    // module is active (see shell/project_table.h).
    bool OpenProjectTable(const std::vector<std::string>& path, TKorTable& table, bool force);

    QToolBar* ToolBarModule() const { return toolBar_; }
    QWidget* PanelClient() const { return panelClient_; }
    // The folder the export dialog starts in.
    const QString& ExportFolder() const { return exportFolder_; }

protected:
    virtual void ShowModule() {}
    virtual void HideModule() {}
    virtual void LoadModuleSettings(QSettings& settings) {}
    virtual void SaveModuleSettings(QSettings& settings) {}
    virtual void OnProjectOpened() {}
    virtual void OnSelectionChanged() {}
    virtual void OnPrint() {}
    // Writes the module's view as text into `file` (chosen by the user).
    virtual void OnExport(const QString& file) {}

    // The export dialog: "ANSI Text (*.txt)", default suffix "txt", asking
    // before it overwrites.
    virtual QString AskExportFileName();

private:
    QToolBar* toolBar_;
    QWidget* panelClient_;
    QString exportFolder_;
};

}  // namespace korin
