// The demo: a complete example written into one folder.
//
//   DIR/Demo             the project: catalogue, "Dir.dat", the schedules and
//                        system tables of "AUC_SYSTEM" and "AUC_SYSTEM/PRO_DOKU",
//                        the eleven standard tables filled with sample data
//                        (ZEICHNUNGEN and MSR_REF empty), and "project.ini";
//                        with `pages`, the originals are assigned to the
//                        measure points automatically and their pages made
//                        (msr/msr_generate.h): the tree, ZEICHNUNGEN and the
//                        DRAWING fields then hold them
//   DIR/Originale        the original project: level "TYPICALS" with one folder
//                        per typical and its pages "1", "2", ..., and beside them
//                        "bitmap/<typical>-<page>.bmp"
//   DIR/Stammkabel.pro   the master cable database: KABEL and ADERN in
//                        "AUC_SYSTEM", matching the cable types of the project
//
// The same seed and count give the same data: the same catalogues, tables,
// records, pages and bitmaps; only the write times the store keeps (catalogue
// entries in "Dir.dat", each record's stamp) and the folder named in
// "project.ini" differ between two runs. A newcomer opens "Demo"; every later module has realistic data
// to be tried on. The generator needs QtGui only for the page bitmaps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korin::demo {

inline const std::string kProjectFolder = "Demo";
inline const std::string kOriginalFolder = "Originale";
inline const std::string kMasterFolder = "Stammkabel.pro";
inline const std::string kOriginalLevel = "TYPICALS";

struct TDemoOptions {
    uint32_t seed = 1;
    int32_t measurePoints = 36;
    // With the MSR additions to MESSTELLE and ADERN and with MSR_REF; without
    // them the page creation window's table adaptation has its work to do.
    bool adapted = true;
    // Assign the originals and generate the pages of every measure point (only
    // with `adapted`). The pages record the original folder's path and the day,
    // so two runs with one seed then differ in those texts as well.
    bool pages = false;
    // Replace the three folders when they exist and hold files. Without it an
    // existing, non-empty folder is refused.
    bool replace = false;
};

struct TDemoResult {
    std::string projectDir;   // the three folders, each with a trailing "/"
    std::string originalDir;
    std::string masterDir;
    int32_t measurePoints = 0;
    int32_t records = 0;      // records written into the project's tables
    int32_t originalPages = 0;
    int32_t pages = 0;        // pages generated in the project
    // Notes on the target folder that page creation will trip over, in German,
    // one line each; empty when there is nothing to say.
    std::vector<std::string> warnings;
};

// Notes on an original project's folder: ORIGPATH holds it as the first item of
// a comma text (an item ends at a blank or a comma) in a field of 137
// characters that also takes up to three page file names.
std::vector<std::string> OriginalFolderWarnings(const std::string& originalDir);

// Writes the demo into `dir` (created when missing). Throws korin::Exception
// (the store's errors pass through), std::invalid_argument for options out of
// range. Refuses, before writing anything, when one of the three folders
// exists and is not empty and `replace` is not set:
//   "Demo: Der Ordner <path> existiert bereits und ist nicht leer."
// and, even with `replace`, when such a folder holds no "Dir.ref":
//   "Demo: Der Ordner <path> ist kein Projektordner und wird nicht ersetzt."
// A failure part-way leaves the folders written so far; a run with `replace`
// writes over them.
TDemoResult Generate(const std::string& dir, const TDemoOptions& options = {});

}  // namespace korin::demo
