#include "msr/msr_fill.h"

#include <array>

#include "drawing/kor_drawing.h"
#include "msr/msr_remove.h"
#include "store/kor_error.h"

namespace korin::msr {
namespace {

bool IsInstrument(int32_t type) {
    switch (type) {
        case 1: case 3: case 4: case 5: case 6: case 10: case 11: case 12: case 14: case 16: return true;
        default: return false;
    }
}

// Index into R from code 20025; -1 when unusable.
int32_t RefIndex(const TKorDrawSym& sym) {
    const std::string text = TrimBlanks(sym.GetCode(20025));
    if (text.empty()) return 0;
    int32_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || v > 100) return -1;
        v = v * 10 + (c - '0');
    }
    return v >= 1 && v <= 21 ? v - 1 : -1;
}

// Copies the current record's fields into the symbol's codes by id.
void CopyRecord(const TKorTable& table, TKorDrawSym& sym) {
    for (int32_t i = 0; i < table.FieldCount(); ++i) sym.SetCode(table.FieldDefs().FieldId(i), table.GetField(i));
}

class TPageFill {
public:
    TPageFill(TMsrProject& project, TFillMode mode) : p_(project), mode_(mode) {}

    // Fills one page file; returns the symbols filled.
    int32_t Fill(const std::string& file) {
        TKorDrawing page;
        page.SetProject(p_.Dir());
        page.SetFileName(file);
        page.Open();
        std::array<std::string, 21> refs{};
        int32_t filled = 0;
        for (int32_t e = 0; e < page.Symbols().Count(); ++e) {
            TKorDrawSym& sym = *page.SymbolAt(e);
            if (!sym.HasCodeList()) continue;
            const int32_t type = sym.SymbolType();
            if (type == dirref::kTitleBlockType) {
                refs[0] = sym.GetCode(field::kDesignation);
                for (int32_t k = 1; k <= 20; ++k) refs[static_cast<size_t>(k)] = TrimBlanks(sym.GetCode(802 + k));
                continue;
            }
            const bool wanted = (IsInstrument(type) && mode_ == TFillMode::Instruments) ||
                                (type == 7 && mode_ == TFillMode::Terminals) ||
                                (type == 8 && mode_ == TFillMode::Wires);
            if (!wanted) continue;
            const int32_t i = RefIndex(sym);
            if (i < 0) continue;
            const std::string& ref = refs[static_cast<size_t>(i)];
            if (type == 7)
                filled += Terminal(sym, ref);
            else if (type == 8)
                filled += Wire(sym, ref, file, e);
            else
                filled += Instrument(sym, ref);
        }
        page.Save();
        page.Close();
        return filled;
    }

private:
    int32_t Instrument(TKorDrawSym& sym, const std::string& ref) {
        TKorTable& inst = p_.inst;
        if (!inst.IsOpen()) return 0;
        if (TrimBlanks(ref).empty()) {
            for (int32_t c = 0; c < sym.CodeCount(); ++c) {
                const int32_t n = sym.CodeNumberAt(c);
                if (n != 12115 && n != 20023 && n != 20025) sym.SetCodeTextAt(c, "");
            }
            return 0;
        }
        const size_t dot = ref.find('.');
        const std::string loop = dot == std::string::npos ? std::string() : ref.substr(0, dot);
        const TKeyList key{KeyPart('C', 0, "S_KEY"), KeyPart('N', 0, "0"), KeyPart('C', 0, "Bezeichner"),
                           KeyPart('C', 0, loop),    KeyPart('C', 0, ref), KeyPart('C', 0, sym.GetCode(20023))};
        const int32_t slot = inst.KeyFile().Locate(key);
        if (slot < 0 || !inst.GoToSlot(slot)) return 0;
        CopyRecord(inst, sym);
        return 1;
    }

    int32_t Terminal(TKorDrawSym& sym, const std::string& ref) {
        TKorTable& con = p_.con;
        if (!con.IsOpen() || !con.FindByPrimary(ref + "-" + sym.GetCode(20023) + "-" + sym.GetCode(20030))) return 0;
        CopyRecord(con, sym);
        return 1;
    }

    int32_t Wire(TKorDrawSym& sym, const std::string& ref, const std::string& file, int32_t position) {
        TKorTable& wire = p_.wire;
        TKorTable& cable = p_.cable;
        if (!wire.IsOpen() || !cable.IsOpen()) return 0;
        TIntegerList slots;
        if (!wire.FindBySecondary("ProjektAder", {ref, sym.GetCode(20023), sym.GetCode(362)}, slots) ||
            slots.Count() == 0 || !wire.GoToSlot(slots.Items(0)))
            return 0;
        if (cable.FindByPrimary(wire.GetFieldById(4))) {
            CopyRecord(wire, sym);
            wire.SetFieldById(12008, "1");
            wire.SetFieldById(12009, "1");
            wire.SetFieldById(5000, file);
            wire.SetFieldById(1101, std::to_string(position));
            return 1;
        }
        wire.SetFieldById(12008, "0");
        wire.SetFieldById(12009, "0");
        wire.SetFieldById(5000, "");
        wire.SetFieldById(1101, "");
        return 0;
    }

    TMsrProject& p_;
    TFillMode mode_;
};

}  // namespace

char FillLetter(TFillMode mode) {
    switch (mode) {
        case TFillMode::Terminals: return 'K';
        case TFillMode::Wires: return 'A';
        default: return 'I';
    }
}

TFillResult FillPages(TMsrProject& project, TFillMode mode, const std::vector<std::string>& designations,
                      const TMsrRun& run) {
    TFillResult result;
    TKorTable& mpoint = project.mpoint;
    if (!mpoint.IsOpen()) return result;
    TPageFill fill(project, mode);
    const char letter = FillLetter(mode);
    run.Start(static_cast<int32_t>(designations.size()));
    for (size_t i = 0; i < designations.size(); ++i) {
        if (run.Cancelled()) {
            result.cancelled = true;
            break;
        }
        const std::string& designation = designations[i];
        if (mpoint.FindByPrimary(designation)) {
            ++result.measurePoints;
            const std::string flags = mpoint.GetFieldById(field::kInstrFlags);
            if (flags.find(letter) == std::string::npos) mpoint.SetFieldById(field::kInstrFlags, flags + letter);
            for (const TPagePair& pair : PagePairs(mpoint.GetFieldById(field::kDrawing))) {
                try {
                    result.symbols += fill.Fill(pair.file);
                    ++result.pages;
                } catch (const Exception& e) {
                    ShowErrorMessage("Messtelle " + designation + ": Die Seite " + pair.file +
                                     " konnte nicht gefüllt werden: " + e.what());
                    ++result.failed;
                }
            }
        }
        run.Done(static_cast<int32_t>(i));
    }
    run.End();
    return result;
}

}  // namespace korin::msr
