// The seven modules of the View menu.
#pragma once

namespace korin {

class IKorHost;
class TKorModule;

// MenuView values: the View menu's items and the host's module slots.
enum ModuleView : int {
    kViewTable = 0,
    kViewCable = 1,
    kViewMSR = 2,
    kViewMSRView = 3,
    kViewDrawing = 4,
    kViewSymbol = 5,
    kViewDBase = 6,
    kViewCount = 7
};

// Load and save settings, project opened and selection changed reach the
// modules in this order.
inline constexpr int kNotifyOrder[kViewCount] = {kViewTable,  kViewCable,   kViewMSR,  kViewMSRView,
                                                 kViewDrawing, kViewSymbol, kViewDBase};
// Show and hide reach them in this order.
inline constexpr int kShowOrder[kViewCount] = {kViewTable,  kViewCable, kViewMSR,    kViewMSRView,
                                               kViewSymbol, kViewDBase, kViewDrawing};

// The module window of a View item, created without a parent.
TKorModule* CreateModule(int view, IKorHost& host);

}  // namespace korin
