#include "app/register_modules.h"

#include "cable/ui/form_cable.h"
#include "drawing/ui/form_drawing.h"
#include "msr/ui/form_msr.h"
#include "msr/ui/form_msr_view.h"
#include "shell/module_factory.h"
#include "tables/ui/form_dbase_symbol.h"
#include "tables/ui/form_table.h"

namespace korin {

void RegisterProgramModules() {
    RegisterModule(kViewTable, [](IKorHost& host) -> TKorModule* { return new TFormTable(host); });
    RegisterModule(kViewCable, [](IKorHost& host) -> TKorModule* { return new TFormCable(host); });
    RegisterModule(kViewMSR, [](IKorHost& host) -> TKorModule* { return new TFormMSR(host); });
    RegisterModule(kViewMSRView, [](IKorHost& host) -> TKorModule* { return new TFormMSRView(host); });
    RegisterModule(kViewDrawing, [](IKorHost& host) -> TKorModule* { return new TFormDrawing(host); });
    RegisterModule(kViewSymbol, [](IKorHost& host) -> TKorModule* { return new TFormSymbol(host); });
    RegisterModule(kViewDBase, [](IKorHost& host) -> TKorModule* { return new TFormDBase(host); });
}

}  // namespace korin
