#include "msr/msr_further.h"

#include "drawing/kor_drawing.h"
#include "msr/msr_project.h"
#include "msr/msr_reflist.h"
#include "msr/msr_remove.h"
#include "store/kor_path.h"
#include "store/kor_table.h"

namespace korin::msr {
namespace {

const char* const kNotEmpty =
    "Das Feld ist nicht leer. Bevor diesem Feld etwas zugewiesen\rwerden kann, muß es geleert werden!";

// The page files of the measure point, or empty when it has none.
std::vector<std::string> PageFiles(TMsrProject& project, const std::string& designation) {
    std::vector<std::string> files;
    if (!project.mpoint.IsOpen() || !project.mpoint.FindByPrimary(designation)) return files;
    for (const TPagePair& pair : PagePairs(project.mpoint.GetFieldById(field::kDrawing)))
        if (path::FileExists(project.Dir() + pair.file)) files.push_back(pair.file);
    return files;
}

// Sets the codes on every page of the measure point; each page is written
// anew beside the old one, so a failure leaves that page as it was.
void SetCodes(TMsrProject& project, const std::vector<std::string>& files,
              const std::vector<std::pair<int32_t, std::string>>& codes) {
    TKorDrawing page;
    for (const std::string& file : files) {
        page.SetProject(project.Dir());
        page.SetFileName(file);
        page.Open();
        if (TKorDrawSym* title = page.SymbolAt(0)) {
            for (const auto& [code, text] : codes) title->SetCode(code, text);
            page.Save();
        }
        page.Close();
    }
}

// Adds or removes the mark in the measure point's ME_Kennung: added at most
// once and only where the field has room, removed at its first place.
void Mark(TMsrProject& project, const std::string& designation, char mark, bool on) {
    TKorTable& mpoint = project.mpoint;
    if (!mpoint.FindByPrimary(designation)) return;
    std::string kind = mpoint.GetFieldById(field::kKind);
    const size_t at = kind.find(mark);
    if (on) {
        if (at != std::string::npos) return;
        const int32_t width = FieldWidthById(mpoint, field::kKind);
        if (width > 0 && static_cast<int32_t>(TrimBlanks(kind).size()) >= width) return;
        kind = TrimBlanks(kind) + mark;
    } else {
        if (at == std::string::npos) return;
        kind.erase(at, 1);
    }
    mpoint.SetFieldById(field::kKind, kind);
}

struct Slots {
    std::vector<std::string> files;
    std::vector<std::string> texts;
    std::string refusal;
};

Slots Read(TMsrProject& project, const std::string& designation) {
    Slots s;
    if (!project.mpoint.IsOpen() || !project.mpoint.FindByPrimary(designation)) {
        s.refusal = "Die Messtelle " + designation + " gibt es nicht.";
        return s;
    }
    s.files = PageFiles(project, designation);
    if (s.files.empty()) {
        s.refusal = "Die Messtelle " + designation + " hat keine Seiten.";
        return s;
    }
    s.texts = FurtherSlots(project, designation);
    return s;
}

bool ValidSlot(const Slots& s, int32_t slot) { return slot >= 1 && slot <= static_cast<int32_t>(s.texts.size()); }

std::string NoSlot(int32_t slot) {
    return "Die Seite hat keinen Platz " + std::to_string(slot) + " für zusätzliche Messtellen.";
}

}  // namespace

std::vector<std::string> FurtherSlots(TMsrProject& project, const std::string& designation) {
    std::vector<std::string> texts;
    const std::vector<std::string> files = PageFiles(project, designation);
    if (files.empty()) return texts;
    TKorDrawing page;
    page.SetProject(project.Dir());
    page.SetFileName(files.front());
    page.Open();
    if (const TKorDrawSym* title = page.SymbolAt(0))
        for (int32_t code = kFirstLinkedCode; code <= kLastLinkedCode && title->HasCode(code); ++code)
            texts.push_back(TrimBlanks(title->GetCode(code)));
    return texts;
}

std::string AssignFurther(TMsrProject& project, const std::string& designation, int32_t slot,
                          const std::string& additional, char mark) {
    Slots s = Read(project, designation);
    if (!s.refusal.empty()) return s.refusal;
    if (!ValidSlot(s, slot)) return NoSlot(slot);
    if (!s.texts[static_cast<size_t>(slot - 1)].empty()) return kNotEmpty;
    const std::string add = TrimBlanks(additional);
    if (!project.mpoint.FindByPrimary(add)) return "Die Messtelle " + add + " gibt es nicht.";
    SetCodes(project, s.files, {{802 + slot, add}});
    Mark(project, add, mark, true);
    if (project.ref.IsOpen()) TReferenceList(project.ref).Add(designation, add, slot + 1);
    return {};
}

std::string MoveFurther(TMsrProject& project, const std::string& designation, int32_t from, int32_t to) {
    Slots s = Read(project, designation);
    if (!s.refusal.empty()) return s.refusal;
    if (!ValidSlot(s, from)) return NoSlot(from);
    if (!ValidSlot(s, to)) return NoSlot(to);
    if (from == to) return {};
    if (!s.texts[static_cast<size_t>(to - 1)].empty()) return kNotEmpty;
    const std::string text = s.texts[static_cast<size_t>(from - 1)];
    if (text.empty()) return {};
    SetCodes(project, s.files, {{802 + to, text}, {802 + from, ""}});
    if (project.ref.IsOpen()) {
        // The old position goes first, so that the links are worked out from
        // the records as they will stand.
        TReferenceList list(project.ref);
        list.Add(designation, "", from + 1);
        list.Add(designation, text, to + 1);
    }
    return {};
}

std::string UnassignFurther(TMsrProject& project, const std::string& designation, int32_t slot, char mark) {
    Slots s = Read(project, designation);
    if (!s.refusal.empty()) return s.refusal;
    if (!ValidSlot(s, slot)) return NoSlot(slot);
    const std::string text = s.texts[static_cast<size_t>(slot - 1)];
    if (text.empty()) return {};
    Mark(project, text, mark, false);
    SetCodes(project, s.files, {{802 + slot, ""}});
    if (project.ref.IsOpen()) TReferenceList(project.ref).Add(designation, "", slot + 1);
    return {};
}

}  // namespace korin::msr
