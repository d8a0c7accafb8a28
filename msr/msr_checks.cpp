#include "msr/msr_checks.h"

#include <charconv>

#include "drawing/kor_drawing.h"
#include "msr/msr_project.h"
#include "store/kor_int_list.h"
#include "store/kor_path.h"
#include "store/kor_table.h"

namespace korin::msrcheck {
namespace {

namespace code {
constexpr int32_t kPlant = 1;
constexpr int32_t kMeasurePoint = 2;
constexpr int32_t kLevel61 = 61;
constexpr int32_t kPage = 62;
constexpr int32_t kLevelDesignation = 63;
constexpr int32_t kTypical = 76;
constexpr int32_t kFirstLinked = 803;
constexpr int32_t kLastLinked = 822;
constexpr int32_t kDesignation = 12135;
constexpr int32_t kInstrument = 12115;
constexpr int32_t kOwner = 20025;
}  // namespace code

// The page's measure point, then its linked ones up to the first empty code.
std::vector<std::string> ReferenceList(const TKorDrawSym& title) {
    std::vector<std::string> list{TrimBlanks(title.GetCode(code::kDesignation))};
    for (int32_t c = code::kFirstLinked; c <= code::kLastLinked; ++c) {
        std::string linked = TrimBlanks(title.GetCode(c));
        if (linked.empty()) break;
        list.push_back(std::move(linked));
    }
    return list;
}

// Item n (1-based) of the reference list; empty for a number that is missing,
// not a number, or past the list.
std::string Owner(const std::vector<std::string>& list, const std::string& number) {
    int64_t n = 0;
    const std::string text = TrimBlanks(number);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || n < 1 ||
        n > static_cast<int64_t>(list.size()))
        return {};
    return list[static_cast<size_t>(n - 1)];
}

// Opens a page into `page`; false when it cannot be read (damaged, missing).
bool ReadPage(TKorDrawing& page, const std::string& dir, const std::string& file) {
    if (!path::FileExists(dir + file)) return false;
    try {
        page.Close();
        page.SetProject(dir);
        page.SetFileName(file);
        page.Open();
        return true;
    } catch (const std::exception&) {
        page.Close();
        return false;
    }
}

bool Cancelled(const Progress& progress) { return progress.cancelled && progress.cancelled(); }

void Step(const Progress& progress, int64_t done, int64_t total) {
    if (progress.step && (done % 10 == 0 || done == total)) progress.step(done, total);
}

std::vector<std::string> PageFiles(msr::TMsrProject& project) {
    std::vector<std::string> files;
    if (project.Catalogue().SetStart({})) project.Catalogue().ListDrawingFiles(files);
    return files;
}

// Reads every page of the project in catalogue order and hands it to `visit`
// (null for a page that cannot be read, with its file name); counts the pages
// in `pages`. False when cancelled between two pages.
template <typename Visit>
bool ForEachPage(msr::TMsrProject& project, const Progress& progress, int64_t& pages, Visit&& visit) {
    const std::vector<std::string> files = PageFiles(project);
    TKorDrawing page;
    for (const std::string& file : files) {
        if (Cancelled(progress)) return false;
        ++pages;
        visit(ReadPage(page, project.Dir(), file) ? &page : nullptr, file);
        Step(progress, pages, static_cast<int64_t>(files.size()));
    }
    return true;
}

bool HasMeasurePoint(TKorTable& mpoint, const std::string& designation) {
    return mpoint.IsOpen() && !designation.empty() && mpoint.FindByPrimary(designation);
}

}  // namespace

std::vector<InstRow> CheckInstrumentationPage(const TKorDrawing& page, InstMode mode, bool ignoreEmpty,
                                              const InstLookups& lookups) {
    std::vector<InstRow> rows;
    const TKorDrawSym* title = page.SymbolAt(0);
    if (!title) return rows;
    const std::vector<std::string> list = ReferenceList(*title);
    if (list.front().empty()) return rows;
    const std::string typical = title->GetCode(code::kTypical);
    for (int32_t i = 1; i < page.Symbols().Count(); ++i) {
        const TKorDrawSym& symbol = *page.SymbolAt(i);
        if (!symbol.HasCodeList() || !symbol.HasCode(code::kInstrument)) continue;
        const std::string instrument = symbol.GetCode(code::kInstrument);
        const std::string ref = Owner(list, symbol.GetCode(code::kOwner));
        const auto dot = ref.find('.');
        const std::string loop = dot == std::string::npos ? std::string() : ref.substr(0, dot);

        std::optional<std::string> error;
        switch (mode) {
            case InstMode::SymbolText: {
                const auto record = lookups.findInstrument(loop, ref, instrument);
                if (!record) break;
                // The first field of the record that the symbol carries as a code
                // with another text is the one reported.
                for (const auto& [id, text] : *record) {
                    if (!symbol.HasCode(id)) continue;
                    const std::string shown = symbol.GetCode(id);
                    if (shown != text) {
                        error = shown + " <> " + text;
                        break;
                    }
                }
                break;
            }
            case InstMode::NotAssignable:
                if (!lookups.findInstrument(loop, ref, instrument)) error = std::string();
                break;
            case InstMode::MissingMeasurePoint:
                if (!lookups.measurePointExists(ref)) error = std::string();
                break;
        }
        if (!error) continue;
        if (TrimBlanks(list.front()).empty() || (ignoreEmpty && TrimBlanks(instrument).empty())) continue;
        rows.push_back({list.front(), typical, ref, instrument, *error});
    }
    return rows;
}

std::optional<PageInfoRow> CheckPageInfoPage(const TKorDrawing& page, const PageInfoOptions& options,
                                             const std::function<bool(const std::string&)>& measurePointExists) {
    const TKorDrawSym* title = page.SymbolAt(0);
    if (!title) return std::nullopt;
    const std::string c12135 = title->GetCode(code::kDesignation);
    if (TrimBlanks(c12135).empty() && options.ignoreEmpty12135) return std::nullopt;
    const std::string c63 = title->GetCode(code::kLevelDesignation);
    const std::string c1 = title->GetCode(code::kPlant);
    const std::string c2 = title->GetCode(code::kMeasurePoint);
    const bool e63 = measurePointExists(c63);
    const bool e12135 = measurePointExists(c12135);
    const bool same = c63 == c12135;
    const bool composed = c1 + c2 == c12135;
    const bool listed = (options.found63 && !e63) || (options.found12135 && !e12135) || (options.same && !same) ||
                        (options.composed && !composed) || (options.bothFoundButDiffer && e63 && e12135 && !same);
    if (!listed) return std::nullopt;
    return PageInfoRow{title->GetCode(code::kLevel61), c63, title->GetCode(code::kPage), e63 ? "1" : "",
                       c12135, e12135 ? "1" : "", c1, c2, title->GetCode(code::kTypical)};
}

InstResult RunInstrumentationCheck(const std::string& projectDir, InstMode mode, bool ignoreEmpty,
                                   const Progress& progress) {
    InstResult result;
    msr::TMsrProject project(projectDir);
    project.OpenTable(msr::PathOfMeasurePoints(), project.mpoint);
    project.OpenTable(msr::PathOfInstruments(), project.inst);
    TKorTable& inst = project.inst;

    InstLookups lookups;
    TIntegerList slots;
    lookups.findInstrument = [&](const std::string& loop, const std::string& ref,
                                 const std::string& instrument) -> std::optional<FieldTexts> {
        if (!inst.IsOpen() || !inst.FindBySecondary("Bezeichner", {loop, ref, instrument}, slots) ||
            slots.Count() == 0 || !inst.GoToSlot(slots.Items(0)))
            return std::nullopt;
        FieldTexts fields;
        for (int32_t f = 0; f < inst.FieldCount(); ++f)
            fields.emplace_back(inst.FieldDefs().FieldId(f), inst.GetField(f));
        return fields;
    };
    lookups.measurePointExists = [&](const std::string& d) { return HasMeasurePoint(project.mpoint, d); };

    result.cancelled = !ForEachPage(project, progress, result.pages, [&](const TKorDrawing* page, const std::string&) {
        if (!page) return;
        std::vector<InstRow> rows = CheckInstrumentationPage(*page, mode, ignoreEmpty, lookups);
        result.rows.insert(result.rows.end(), std::make_move_iterator(rows.begin()),
                           std::make_move_iterator(rows.end()));
    });
    return result;
}

PageInfoResult RunPageInfoCheck(const std::string& projectDir, const PageInfoOptions& options,
                                const Progress& progress) {
    PageInfoResult result;
    msr::TMsrProject project(projectDir);
    project.OpenTable(msr::PathOfMeasurePoints(), project.mpoint);
    const auto exists = [&](const std::string& d) { return HasMeasurePoint(project.mpoint, d); };
    result.cancelled = !ForEachPage(project, progress, result.pages, [&](const TKorDrawing* page, const std::string& file) {
        if (!page) {
            if (!options.ignoreWarnings)
                result.warnings.push_back("Achtung! Seite konnte nicht gelesen werden: " + file);
        } else if (auto row = CheckPageInfoPage(*page, options, exists)) {
            result.rows.push_back(std::move(*row));
        }
    });
    return result;
}

}  // namespace korin::msrcheck
