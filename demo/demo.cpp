#include "demo/demo.h"

#include <filesystem>
#include <stdexcept>

#include "demo/demo_bitmap.h"
#include "demo/demo_data.h"
#include "demo/demo_ini.h"
#include "demo/demo_store.h"
#include "msr/msr_assign.h"
#include "msr/msr_generate.h"
#include "msr/msr_levels.h"
#include "msr/msr_originals.h"
#include "msr/msr_project.h"
#include "store/kor_error.h"

namespace korin::demo {
namespace fs = std::filesystem;
namespace {

bool HoldsFiles(const fs::path& folder) {
    std::error_code error;
    return fs::exists(folder, error) && !(fs::is_directory(folder, error) && fs::is_empty(folder, error));
}

// Makes room for one of the demo's folders. Only a project folder (one that
// holds a catalogue) is ever removed, so that a mistyped target cannot cost
// anybody their files.
void Clear(const fs::path& folder, bool replace) {
    if (!HoldsFiles(folder)) return;
    if (!replace) throw Exception("Demo: Der Ordner " + folder.string() + " existiert bereits und ist nicht leer.");
    std::error_code error;
    if (!fs::is_directory(folder, error) || !fs::exists(folder / "Dir.ref", error))
        throw Exception("Demo: Der Ordner " + folder.string() + " ist kein Projektordner und wird nicht ersetzt.");
    fs::remove_all(folder, error);
    if (error) throw Exception("Demo: Der Ordner " + folder.string() + " konnte nicht entfernt werden.");
}

std::string AsDir(const fs::path& folder) { return folder.string() + "/"; }

// The longest ORIGPATH of a demo measure point: the folder, then three page
// file names of six digits, each followed by ",".
constexpr size_t kOrigPathWidth = 137;
constexpr size_t kOrigPathPages = 3 * 7 + 1;

// Assigns the originals by their processing function and makes every measure
// point's pages, as the page creation window would. A refusal is an error of
// the demo's data.
int32_t GeneratePages(const std::string& projectDir, const std::string& originalDir) {
    const std::vector<msr::TOriginalRow> rows =
        msr::OriginalRows(msr::BuildOriginalLists(originalDir, {kOriginalLevel}));
    msr::TMsrProject project(projectDir);
    const std::vector<std::string> designations = project.Designations();
    const msr::TAssignResult assigned =
        msr::AutoAssign(project.mpoint, rows, msr::TCriterion::Processing, designations);
    if (!assigned.refused.empty())
        throw Exception("Demo: Die Messtelle " + assigned.refused.front() + " hat keine Originale bekommen!");
    const msr::TMsrRun run;
    msr::TPageGenerator generator(project, msr::ReadLevels(projectDir), run);
    const msr::TGenerateResult generated = generator.Generate(designations);
    if (!generated.refused.empty()) throw Exception("Demo: " + generated.refused.front());
    return generated.created;
}

}  // namespace

std::vector<std::string> OriginalFolderWarnings(const std::string& originalDir) {
    std::vector<std::string> warnings;
    if (originalDir.find_first_of(" ,") != std::string::npos)
        warnings.push_back("Demo: Der Pfad " + originalDir +
                           " enthält Leerzeichen oder Kommas; ORIGPATH zerfällt dort in mehrere Einträge.");
    if (originalDir.size() + kOrigPathPages > kOrigPathWidth)
        warnings.push_back("Demo: Der Pfad " + originalDir + " ist zu lang für ORIGPATH (" +
                           std::to_string(kOrigPathWidth) + " Zeichen mit den Seitendateien).");
    return warnings;
}

TDemoResult Generate(const std::string& dir, const TDemoOptions& options) {
    TDataOptions dataOptions;
    dataOptions.seed = options.seed;
    dataOptions.measurePoints = options.measurePoints;
    dataOptions.variant = options.adapted ? TSchemaVariant::Adapted : TSchemaVariant::Unadapted;
    if (dir.empty()) throw std::invalid_argument("no target folder given");

    std::error_code error;
    const fs::path base = fs::absolute(fs::path(dir), error).lexically_normal();
    const fs::path target = base.has_filename() ? base : base.parent_path();
    const fs::path project = target / kProjectFolder, original = target / kOriginalFolder,
                   master = target / kMasterFolder;
    for (const fs::path& folder : {project, original, master}) Clear(folder, options.replace);

    // Everything that can go wrong with the data goes wrong before a file is written.
    const TSampleData data = GenerateSampleData(dataOptions);

    TDemoResult result;
    result.projectDir = AsDir(project);
    result.originalDir = AsDir(original);
    result.masterDir = AsDir(master);
    result.measurePoints = options.measurePoints;
    result.warnings = OriginalFolderWarnings(result.originalDir);

    CreateProjectFolder(result.masterDir);
    WriteTables(result.masterDir, data.master);

    CreateProjectFolder(result.originalDir);
    const std::vector<TOriginalPage> pages = WriteOriginals(result.originalDir, kOriginalLevel, Typicals());
    fs::create_directories(original / "bitmap", error);
    if (error) throw Exception("Demo: Der Ordner " + (original / "bitmap").string() + " konnte nicht angelegt werden!");
    for (const TOriginalPage& page : pages) {
        const std::string name = page.typical->name + "-" + std::to_string(page.index + 1) + ".bmp";
        WritePageBitmap(BuildPage(*page.typical, page.index), (original / "bitmap" / name).string());
    }
    result.originalPages = static_cast<int32_t>(pages.size());

    CreateProjectFolder(result.projectDir);
    WriteTables(result.projectDir, data.project);
    WriteFileReplacing((project / "project.ini").string(), FormatIni(ProjectIni(target.string(), kMasterFolder)));
    for (const TTableData& table : data.project) result.records += static_cast<int32_t>(table.rows.size());
    if (options.pages && options.adapted) result.pages = GeneratePages(result.projectDir, result.originalDir);
    return result;
}

}  // namespace korin::demo
