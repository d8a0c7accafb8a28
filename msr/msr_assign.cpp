#include "msr/msr_assign.h"

#include <tuple>
#include <unordered_map>

#include "msr/msr_comma_text.h"
#include "msr/msr_project.h"

namespace korin::msr {
namespace {

// Writes both fields of the current record, or neither.
bool StorePair(TKorTable& mpoint, const std::vector<std::string>& names, const std::vector<std::string>& pathItems) {
    const std::string original = JoinCommaText(names);
    const std::string path = PathText(pathItems);
    const std::string designation = mpoint.GetFieldById(field::kDesignation);
    for (const auto& [id, text, name] : {std::tuple{field::kOriginal, &original, "ORIGINAL"},
                                         std::tuple{field::kOrigPath, &path, "ORIGPATH"}}) {
        const int32_t width = FieldWidthById(mpoint, id);
        if (static_cast<int32_t>(text->size()) > width) {
            ShowErrorMessage("Messtelle " + designation + ": Die Zuweisung passt nicht in das Feld " + name + " (" +
                             std::to_string(text->size()) + " Zeichen, höchstens " + std::to_string(width) +
                             "). Sie wird nicht gespeichert.");
            return false;
        }
    }
    mpoint.SetFieldById(field::kOriginal, original);
    mpoint.SetFieldById(field::kOrigPath, path);
    return true;
}

void Count(TAssignResult& result, bool stored, const std::string& designation) {
    if (stored)
        ++result.assigned;
    else
        result.refused.push_back(designation);
}

}  // namespace

std::string PathText(const std::vector<std::string>& items) {
    return items.empty() ? std::string() : JoinCommaText(items) + ",";
}

bool StoreListField(TKorTable& mpoint, int32_t id, const std::string& text, const char* fieldName) {
    const int32_t width = FieldWidthById(mpoint, id);
    if (static_cast<int32_t>(text.size()) > width) {
        ShowErrorMessage("Messtelle " + mpoint.GetFieldById(field::kDesignation) +
                         ": Die Zuweisung passt nicht in das Feld " + fieldName + " (" + std::to_string(text.size()) +
                         " Zeichen, höchstens " + std::to_string(width) + "). Sie wird nicht gespeichert.");
        return false;
    }
    mpoint.SetFieldById(id, text);
    return true;
}

TAssignment AssignmentOf(const std::vector<TOriginalRow>& rows) {
    TAssignment a;
    for (const TOriginalRow& row : rows) {
        a.names.push_back(row.Name());
        a.files.push_back(row.file);
        a.directory = row.directory;
    }
    return a;
}

std::vector<std::string> OriginalsOf(const TKorTable& mpoint) {
    return SplitCommaText(mpoint.GetFieldById(field::kOriginal));
}

std::vector<std::string> PathOf(const TKorTable& mpoint) {
    return SplitCommaText(mpoint.GetFieldById(field::kOrigPath));
}

TAssignResult Apply(TKorTable& mpoint, const TAssignment& assignment, const std::vector<std::string>& designations) {
    TAssignResult result;
    if (assignment.Empty() || !mpoint.IsOpen()) return result;
    for (const std::string& designation : designations) {
        if (!mpoint.FindByPrimary(designation)) continue;
        std::vector<std::string> names = OriginalsOf(mpoint);
        std::vector<std::string> path = PathOf(mpoint);
        if (path.size() > 1 && path[0] == assignment.directory) {
            for (size_t i = 0; i < assignment.files.size(); ++i) {
                if (Contains(path, assignment.files[i])) continue;
                path.push_back(assignment.files[i]);
                names.push_back(assignment.names[i]);
            }
        } else {
            names = assignment.names;
            path = {assignment.directory};
            path.insert(path.end(), assignment.files.begin(), assignment.files.end());
        }
        Count(result, StorePair(mpoint, names, path), designation);
    }
    return result;
}

TAssignResult ApplyReplacing(TKorTable& mpoint, const TAssignment& assignment,
                             const std::vector<std::string>& designations) {
    TAssignResult result;
    if (assignment.Empty() || !mpoint.IsOpen()) return result;
    std::vector<std::string> path{assignment.directory};
    path.insert(path.end(), assignment.files.begin(), assignment.files.end());
    for (const std::string& designation : designations) {
        if (!mpoint.FindByPrimary(designation)) continue;
        Count(result, StorePair(mpoint, assignment.names, path), designation);
    }
    return result;
}

TAssignResult AutoAssign(TKorTable& mpoint, const std::vector<TOriginalRow>& rows, TCriterion criterion,
                         const std::vector<std::string>& designations, IKorProgress* progress) {
    TAssignResult result;
    if (!mpoint.IsOpen()) return result;
    // The measure points still free, by their criterion text: one pass over the
    // grid instead of one per group.
    std::unordered_map<std::string, std::vector<std::string>> waiting;
    const int32_t id = CriterionField(criterion);
    for (const std::string& designation : designations) {
        if (!mpoint.FindByPrimary(designation)) continue;
        const std::string text = mpoint.GetFieldById(id);
        if (text.empty() || !mpoint.GetFieldById(field::kOriginal).empty()) continue;
        waiting[text].push_back(designation);
    }
    if (progress) {
        progress->SetRange(0, static_cast<int>(rows.size()));
        progress->SetStep(10);
    }
    size_t i = 0;
    while (i < rows.size()) {
        const std::string& text = CriterionOf(rows[i], criterion);
        if (text.empty()) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < rows.size() && CriterionOf(rows[end], criterion) == text) ++end;
        const TAssignment group =
            AssignmentOf(std::vector<TOriginalRow>(rows.begin() + static_cast<std::ptrdiff_t>(i),
                                                   rows.begin() + static_cast<std::ptrdiff_t>(end)));
        auto it = waiting.find(text);
        if (it != waiting.end()) {
            TAssignResult part = ApplyReplacing(mpoint, group, it->second);
            result.assigned += part.assigned;
            result.refused.insert(result.refused.end(), part.refused.begin(), part.refused.end());
            waiting.erase(it);
        }
        if (progress)
            for (size_t r = i; r < end; ++r)
                if ((r + 1) % 10 == 0) progress->StepIt();
        i = end;
    }
    if (progress) progress->Reset();
    return result;
}

int32_t RemoveAssignment(TKorTable& mpoint, const std::vector<std::string>& designations) {
    int32_t n = 0;
    if (!mpoint.IsOpen()) return n;
    for (const std::string& designation : designations) {
        if (!mpoint.FindByPrimary(designation)) continue;
        mpoint.SetFieldById(field::kOriginal, "");
        mpoint.SetFieldById(field::kOrigPath, "");
        mpoint.SetFieldById(field::kInstrFlags, "");
        ++n;
    }
    return n;
}

int32_t ResetFillFlags(TKorTable& mpoint, const std::vector<std::string>& designations, IKorProgress* progress) {
    int32_t n = 0;
    if (!mpoint.IsOpen()) return n;
    if (progress) {
        progress->SetRange(0, static_cast<int>(designations.size()));
        progress->SetStep(10);
    }
    for (size_t i = 0; i < designations.size(); ++i) {
        if (mpoint.FindByPrimary(designations[i])) {
            mpoint.SetFieldById(field::kInstrFlags, "");
            ++n;
        }
        if (progress && (i + 1) % 10 == 0) progress->StepIt();
    }
    if (progress) progress->Reset();
    return n;
}

}  // namespace korin::msr
