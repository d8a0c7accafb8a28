#include "msr/msr_generate.h"

#include "drawing/kor_drawing.h"
#include "msr/msr_comma_text.h"
#include "msr/msr_page_file.h"
#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korin::msr {
namespace {

constexpr int32_t kDrawingFields = 14;

struct TTitleCode {
    int32_t code;
    int32_t field;
};
constexpr TTitleCode kTitleCodes[] = {
    {1, field::kPlant},       {2, field::kSecondTitle},  {3, field::kLocation},     {65, field::kTask},
    {76, field::kPlanType},   {550, field::kRange},      {12135, field::kDesignation}, {20015, field::kRemark},
};

TKeyList PageKey(const std::vector<std::string>& names) {
    TKeyList key;
    for (size_t i = 0; i + 1 < names.size(); ++i) key.push_back(FolderPart(names[i]));
    key.push_back(KeyPart('C', dirref::kDrawing, names.back()));
    return key;
}

std::string JoinPath(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names) text += (text.empty() ? "" : "/") + n;
    return text;
}

}  // namespace

TPageGenerator::TPageGenerator(TMsrProject& project, const TMsrLevels& levels, const TMsrRun& run)
    : project_(project), levels_(levels), run_(run), today_(TodayText()) {}

void TPageGenerator::Finish() {
    run_.End();
    if (written_) SyncProject(project_.Dir());
    written_ = false;
}

void TPageGenerator::Refuse(TGenerateResult& result, const std::string& text) {
    ShowErrorMessage(text);
    result.refused.push_back(text);
}

void TPageGenerator::Withdraw(const std::vector<std::string>& names) {
    TKorDirFile& dir = project_.Catalogue();
    if (dir.Locate(PageKey(names)) <= 0) return;
    dir.DeleteDrawing(names);
    const TIntList& released = dir.ReleasedEntries();
    for (int32_t i = 0; i < released.Count(); ++i) run_.Log("Eintrag gelöscht : " + std::to_string(released.Items(i)));
}

TGenerateResult TPageGenerator::Generate(const std::vector<std::string>& designations) {
    TGenerateResult result;
    TKorTable& mpoint = project_.mpoint;
    if (!mpoint.IsOpen()) return result;
    if (!levels_.Valid()) {
        ShowErrorMessage(kLevelWarning);
        result.levelsInvalid = true;
        return result;
    }
    project_.OpenTable(PathOfFunctions(), project_.function);
    project_.OpenTable(PathOfDrawings(), project_.drawing);
    if (project_.drawing.IsOpen() && project_.drawing.FieldCount() < kDrawingFields)
        throw Exception(kLogSource + ": Die Tabelle ZEICHNUNGEN hat weniger als 14 Felder!");
    run_.Start(static_cast<int32_t>(designations.size()));
    try {
        for (size_t i = 0; i < designations.size(); ++i) {
            if (run_.Cancelled()) {
                result.cancelled = true;
                break;
            }
            const std::string& designation = designations[i];
            if (mpoint.FindByPrimary(designation)) {
                ++result.measurePoints;
                const int32_t removed = RemoveOutdatedPages(project_, designation, run_);
                if (removed > 0) result.removed += removed;
                if (mpoint.FindByPrimary(designation) && !TrimBlanks(mpoint.GetFieldById(field::kOriginal)).empty() &&
                    !TrimBlanks(mpoint.GetFieldById(field::kOrigPath)).empty() &&
                    TrimBlanks(mpoint.GetFieldById(field::kDrawing)).empty())
                    CreatePages(designation, result);
            }
            run_.Done(static_cast<int32_t>(i));
        }
    } catch (...) {
        Finish();
        throw;
    }
    Finish();
    return result;
}

void TPageGenerator::CreatePages(const std::string& designation, TGenerateResult& result) {
    TKorTable& mpoint = project_.mpoint;
    TKorDirFile& dir = project_.Catalogue();
    const std::vector<std::string> originals = SplitCommaText(mpoint.GetFieldById(field::kOriginal));
    const std::vector<std::string> paths = SplitCommaText(mpoint.GetFieldById(field::kOrigPath));
    const int32_t width = FieldWidthById(mpoint, field::kDrawing);
    std::vector<TPagePair> pairs;
    int32_t page = 1;
    for (size_t j = 0; j < originals.size(); ++j) {
        if (j + 1 >= paths.size() || paths[j + 1] == "000000") continue;
        const std::string source = path::AsDirectory(paths[0]) + paths[j + 1];
        if (!path::FileExists(path::Native(source))) {
            Refuse(result, "Messtelle " + designation + ": Die Originalseite " + source +
                               " fehlt. Es wird keine Seite erzeugt.");
            continue;
        }
        std::vector<TPagePair> grown = pairs;
        grown.push_back({originals[j], "000000"});
        const std::string grownText = DrawingText(grown);
        if (static_cast<int32_t>(grownText.size()) > width) {
            Refuse(result, "Messtelle " + designation + ": Die Seiten passen nicht in das Feld DRAWING (" +
                               std::to_string(grownText.size()) + " Zeichen, höchstens " + std::to_string(width) +
                               "). Es werden keine weiteren Seiten erzeugt.");
            break;
        }
        TKorDrawing& model = Original(source);
        const std::vector<std::string> names = PageNames(levels_, mpoint, project_.unit, page);
        const std::string file = dir.CreateEntry(names.back(), PageKey(names));
        const TIntList& created = dir.CreatedEntries();
        for (int32_t i = 0; i < created.Count(); ++i) run_.Log("Eintrag erstellt : " + std::to_string(created.Items(i)));
        if (file == "000000") {
            Refuse(result, "Messtelle " + designation + ": Die Seite " + JoinPath(names) +
                               " ist schon im Katalog. Es wird keine Seite erzeugt.");
            continue;
        }
        try {
            WritePage(model, file, names);
            if (!WriteDrawingRecord(file, originals[j], names)) {
                Withdraw(names);
                Refuse(result, "Messtelle " + designation + ": Die Seite " + file +
                                   " wurde von ZEICHNUNGEN abgewiesen und wieder entfernt.");
                continue;
            }
        } catch (...) {
            Withdraw(names);
            throw;
        }
        pairs.push_back({originals[j], file});
        mpoint.SetFieldById(field::kDrawing, DrawingText(pairs));
        ++result.created;
        ++page;
    }
}

TKorDrawing& TPageGenerator::Original(const std::string& source) {
    auto it = originals_.find(source);
    if (it != originals_.end()) return *it->second;
    auto model = std::make_unique<TKorDrawing>();
    const size_t slash = source.find_last_of('/');
    model->SetProject(source.substr(0, slash + 1));
    model->SetFileName(source.substr(slash + 1));
    model->Open();
    const TKorDrawSym* title = model->SymbolAt(0);
    if (!title || !title->HasCodeList() || title->SymbolType() != dirref::kTitleBlockType)
        throw Exception(kLogSource + ": Die Zeichnung fehlt oder ist fehlerhaft. Datei: " + source);
    return *originals_.emplace(source, std::move(model)).first->second;
}

void TPageGenerator::WritePage(TKorDrawing& model, const std::string& file, const std::vector<std::string>& names) {
    TKorDrawSym& title = *model.SymbolAt(0);
    // The level texts as the catalogue writes them into a copied page.
    const size_t n = names.size();
    title.SetCode(dirref::kCodeLevel1, names[0]);
    title.SetCode(dirref::kCodeLevel2, names[1]);
    title.SetCode(dirref::kCodeLevel3, n >= 4 ? names[2] : std::string());
    title.SetCode(dirref::kCodeLevel4, n == 5 ? names[3] : std::string());
    title.SetCode(dirref::kCodePage, names[n - 1]);
    const TKorTable& mpoint = project_.mpoint;
    for (const TTitleCode& c : kTitleCodes) title.SetCode(c.code, mpoint.GetFieldById(c.field));
    WritePageFile(project_.Dir() + file, model.BuildImage());
    written_ = true;
}

bool TPageGenerator::WriteDrawingRecord(const std::string& file, const std::string& original,
                                        const std::vector<std::string>& names) {
    TKorTable& table = project_.drawing;
    if (!table.IsOpen()) return true;
    const TKorTable& mpoint = project_.mpoint;
    std::string group;
    if (project_.function.IsOpen() && project_.function.FindByPrimary(mpoint.GetFieldById(field::kFunctionKey)))
        group = project_.function.GetFieldById(2);
    std::vector<std::string> levels(5);
    for (size_t i = 0; i < 5 && i < names.size(); ++i) levels[i] = names[i];
    if (levels_.count == 3) levels[3].clear();
    if (levels_.count < 5) levels[4].clear();

    if (table.FindByPrimary(file)) table.Delete();
    TKeyList key{KeyPart('C', 0, "S_KEY"), KeyPart('N', 0, "0"), KeyPart('C', 0, "EBENEN")};
    for (const std::string& l : levels) key.push_back(KeyPart('C', 0, l));
    const int32_t slot = table.KeyFile().Locate(key);
    if (slot >= 0 && table.GoToSlot(slot)) table.Delete();

    std::vector<std::string> record(static_cast<size_t>(table.FieldCount()));
    record[0] = mpoint.GetFieldById(field::kPlant);
    record[1] = mpoint.GetFieldById(field::kSecondTitle);
    record[2] = mpoint.GetFieldById(field::kLocation);
    record[3] = group;
    record[4] = mpoint.GetFieldById(field::kTask);
    record[5] = file;
    for (size_t i = 0; i < 5; ++i) record[6 + i] = levels[i];
    record[11] = today_;
    record[12] = original.substr(0, original.find('-'));
    record[13] = "0";
    return table.Append(record) >= 0;
}

}  // namespace korin::msr
