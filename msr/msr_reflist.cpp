#include "msr/msr_reflist.h"

#include "drawing/kor_drawing.h"
#include "msr/msr_project.h"
#include "project/kor_dir_file.h"
#include "store/kor_error.h"
#include "store/kor_int_list.h"
#include "store/kor_path.h"
#include "store/kor_table.h"

namespace korin::msr {
namespace {

namespace reffield {
constexpr int32_t kLoop = 600;
constexpr int32_t kNo = 601;
constexpr int32_t kAdd = 602;
constexpr int32_t kLink = 603;
}  // namespace reffield

}  // namespace

void TReferenceList::ClearLinks(const std::string& additional) {
    for (const int32_t slot : SecondarySlots(ref_, "MSR_Add", {additional}))
        if (ref_.GoToSlot(slot) && !ref_.GetFieldById(reffield::kLink).empty())
            ref_.SetFieldById(reffield::kLink, "");
}

void TReferenceList::SetLinks(const std::string& additional) {
    const std::vector<int32_t> slots = SecondarySlots(ref_, "MSR_Add", {additional});
    if (slots.size() != 2) return;
    std::string loops[2];
    for (int i = 0; i < 2; ++i)
        if (ref_.GoToSlot(slots[static_cast<size_t>(i)])) loops[i] = ref_.GetFieldById(reffield::kLoop);
    for (int i = 0; i < 2; ++i)
        if (ref_.GoToSlot(slots[static_cast<size_t>(i)])) ref_.SetFieldById(reffield::kLink, loops[1 - i]);
}

void TReferenceList::Add(const std::string& loop, const std::string& additional, int32_t position) {
    const std::string no = std::to_string(position);
    const std::vector<int32_t> existing = SecondarySlots(ref_, "LoopNo", {loop, no});
    const std::string add = TrimBlanks(additional);
    if (add.empty()) {
        if (existing.empty() || !ref_.GoToSlot(existing.front())) return;
        const std::string old = ref_.GetFieldById(reffield::kAdd);
        ref_.Delete();
        ClearLinks(old);
        return;
    }
    bool same = false;
    if (!existing.empty() && ref_.GoToSlot(existing.front())) {
        const std::string old = ref_.GetFieldById(reffield::kAdd);
        same = old == add;
        if (!same) {
            ClearLinks(old);
            ref_.GoToSlot(existing.front());
            ref_.SetFieldById(reffield::kAdd, add);
        }
    } else {
        std::vector<std::string> values(static_cast<size_t>(ref_.FieldCount()));
        const auto put = [&](int32_t id, const std::string& text) {
            const int32_t i = ref_.FieldDefs().IndexOfId(id);
            if (i >= 0) values[static_cast<size_t>(i)] = text;
        };
        put(reffield::kLoop, loop);
        put(reffield::kNo, no);
        put(reffield::kAdd, add);
        if (ref_.Append(values) < 0) return;  // refused: the table's warning was shown
    }
    if (!same) SetLinks(add);
}

std::string TReferenceList::LinkOf(const std::string& loop, const std::string& additional) {
    const std::vector<int32_t> slots = SecondarySlots(ref_, "Binding", {loop, TrimBlanks(additional)});
    if (slots.empty() || !ref_.GoToSlot(slots.front())) return {};
    return ref_.GetFieldById(reffield::kLink);
}

TRebuildResult RebuildReferenceList(TMsrProject& project,
                                    const std::function<bool(int32_t done, int32_t total)>& progress) {
    TRebuildResult result;
    TKorTable& mpoint = project.mpoint;
    TKorTable& ref = project.ref;
    if (!mpoint.IsOpen() || !ref.IsOpen()) return result;
    TReferenceList list(ref);
    TKorDirFile& catalogue = project.Catalogue();
    const int32_t total = mpoint.RecordCount();

    // The designations first: the walk of MESSTELLE must not depend on the
    // cursor that the reference list's lookups move.
    std::vector<std::pair<std::string, std::string>> points;  // designation, DRAWING
    for (bool ok = mpoint.First(); ok; ok = mpoint.Next())
        points.emplace_back(TrimBlanks(mpoint.GetFieldById(field::kDesignation)), mpoint.GetFieldById(field::kDrawing));

    TKorDrawing page;
    int32_t done = 0;
    for (const auto& [designation, drawing] : points) {
        ++done;
        if (progress && done % 10 == 0 && !progress(done, total)) {
            result.cancelled = true;
            break;
        }
        const auto comma = drawing.find(',');
        if (designation.empty() || comma == std::string::npos) continue;
        const std::string file = TrimBlanks(drawing.substr(comma + 1, 6));
        if (file.size() != 6 || file.find_first_not_of("0123456789") != std::string::npos) continue;
        const int32_t entry = std::stoi(file);
        if (entry <= 0 || entry >= catalogue.Nodes().Count() ||
            catalogue.Nodes().GetType(entry) != dirref::kDrawing || !path::FileExists(project.Dir() + file))
            continue;
        page.SetProject(project.Dir());
        page.SetFileName(file);
        page.Open();
        const int64_t had = static_cast<int64_t>(SecondarySlots(ref, "Loop", {designation}).size());
        list.Add(designation, designation, 1);
        const TKorDrawSym* title = page.SymbolAt(0);
        if (!title) throw Exception("Fehlerhafte Zeichnung. Kann den Inhalt nicht lesen. Datei: " + file);
        for (int32_t code = kFirstLinkedCode; code <= kLastLinkedCode; ++code) {
            const std::string text = TrimBlanks(title->GetCode(code));
            if (text.empty() && code > had + 804) break;
            list.Add(designation, text, PositionOfCode(code));
        }
        page.Close();
        ++result.measurePoints;
    }
    if (progress) progress(total, total);
    return result;
}

}  // namespace korin::msr
