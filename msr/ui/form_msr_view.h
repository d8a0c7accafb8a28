// TFormMSRView: the MSR overview (View "M&SR Übersicht", key "MSRView"). Its
// client area is a dock site for the fixed table views (fixed_table_view.h)
// of ANLAGE, MESSTELLE, INSTRUMENTIERUNG, ZEICHNUNGEN, MSR_REF and KLEMMEN,
// toggled from the menu "&MSR Ansicht", which also opens the instrumentation
// check. Moving in the plants filters measure points and instrumentation;
// measure points filter instrumentation, additional measure points and
// terminals; additional measure points filter instrumentation and terminals.
#pragma once

#include <array>

#include "shell/form_module.h"

class QAction;
class QMainWindow;
class QMenu;

namespace korin {

class TFormCheckInst;
class TFormTabView;

class TFormMSRView : public TFormModule {
    Q_OBJECT
public:
    enum ViewIndex { kUnit, kFunc, kMPoint, kInstr, kDrawing, kRef, kConn, kViewCount };

    explicit TFormMSRView(IKorHost& host);

    // A menu item: shows and docks the view, or hides it when shown.
    void ToggleView(int view);
    TFormTabView& View(int view) { return *views_[view]; }
    QAction* Item(int view) const { return items_[view]; }
    void ShowInstrumentCheck();

protected:
    void ShowModule() override;
    void HideModule() override;
    void LoadModuleSettings(QSettings& settings) override;
    void SaveModuleSettings(QSettings& settings) override;

private:
    QMainWindow* site_ = nullptr;
    QMenu* menu_ = nullptr;
    std::array<TFormTabView*, kViewCount> views_{};
    std::array<QAction*, kViewCount> items_{};
    TFormCheckInst* check_ = nullptr;
};

}  // namespace korin
