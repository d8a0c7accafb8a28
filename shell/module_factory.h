// The seven modules of the View menu, and the registry through which the
// program hands their windows to the frame. The frame never includes a module:
// a module folder depends on the shell, and app/ registers the modules.
#pragma once

#include <functional>

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

using ModuleFactory = std::function<TKorModule*(IKorHost& host)>;

// Makes `factory` the maker of the module window of a View item (replacing an
// earlier one).
void RegisterModule(int view, ModuleFactory factory);

// The module window of a View item, created without a parent: the registered
// one, or an empty panel that takes part in the protocol when none is.
TKorModule* CreateModule(int view, IKorHost& host);

// The command-line name of a View item ("table", "cable", "msr", "overview",
// "drawing", "symbol", "master"), and back (-1 for an unknown name).
const char* ModuleCommandName(int view);
int ModuleViewByCommandName(const char* name);

}  // namespace korin
