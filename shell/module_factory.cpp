#include "shell/module_factory.h"

#include "cable/ui/form_cable.h"
#include "msr/ui/form_msr.h"
#include "msr/ui/form_msr_view.h"
#include "shell/modules/form_drawing.h"
#include "tables/ui/form_dbase_symbol.h"
#include "tables/ui/form_table.h"

namespace korin {

TKorModule* CreateModule(int view, IKorHost& host) {
    switch (view) {
        case kViewTable: return new TFormTable(host);
        case kViewCable: return new TFormCable(host);
        case kViewMSR: return new TFormMSR(host);
        case kViewMSRView: return new TFormMSRView(host);
        case kViewDrawing: return new TFormDrawing(host);
        case kViewSymbol: return new TFormSymbol(host);
        case kViewDBase: return new TFormDBase(host);
        default: return nullptr;
    }
}

}  // namespace korin
