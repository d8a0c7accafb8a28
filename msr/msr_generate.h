// Page generation: the pages of measure points made from their assigned
// original pages.
//
// For every measure point given (the rows of the measure point grid, top to
// bottom), Generate removes outdated pages (msr_remove.h) and then, when
// ORIGINAL and ORIGPATH are not blank and DRAWING is empty, creates its pages:
// for each original j whose ORIGPATH item j+1 exists and is not "000000", the
// source file ORIGPATH[0] + item becomes a page of the project under the level
// path of msr/msr_levels.h (page number n from 1, counting only pages made): the
// catalogue gets the drawing entry (long text: the page number; log "Eintrag
// erstellt : n" per entry created) and the page file is written from the
// original (msr/msr_page_file.h) with its title block's codes set as the
// catalogue sets them for a copied page (60, 61, 63, 64, 62 from the level
// names) and codes 1, 2, 3, 65, 76, 550, 12135, 20015 from the measure point's
// fields 1, 2, 3, 12139, 76, 550, 12135, 20015, with a fresh checksum;
// ZEICHNUNGEN gets its record (any record of the same file or of
// the same "EBENEN" values is deleted first):
//   0..2 fields 1, 2, 3; 3 FUNKTIONSGRUPPEN field 2 of the record keyed by field
//   12107; 4 field 12139; 5 the file; 6..10 the names N[0..4] (empty beyond the
//   level count); 11 today "dd.mm.yyyy"; 12 the original's name up to its first
//   "-"; 13 "0";
// and the pair (original, file) is appended to DRAWING, which is stored after
// every page.
//
// A page is registered in the catalogue, ZEICHNUNGEN and DRAWING together or in
// none of them: a page whose later steps fail is taken out of the catalogue
// again. Refusals that end only the measure point concerned (shown through the
// message sink, collected in `refused`, the run goes on):
//   "Messtelle <d>: Die Originalseite <file> fehlt. Es wird keine Seite erzeugt."
//   "Messtelle <d>: Die Seite <path> ist schon im Katalog. Es wird keine Seite erzeugt."
//   "Messtelle <d>: Die Seiten passen nicht in das Feld DRAWING (<n> Zeichen, höchstens <w>). ..."
//   "Messtelle <d>: Die Seite <file> wurde von ZEICHNUNGEN abgewiesen und wieder entfernt."
// Refusals that end the run (Exception; pages made so far stay, complete):
//   "ModMSRCreatePages: Die Zeichnung fehlt oder ist fehlerhaft. Datei: " + original
//       (the original page has no element, or its first element is no title
//        block; checked before anything of the page is made)
//   "ModMSRCreatePages: Die Tabelle ZEICHNUNGEN hat weniger als 14 Felder!"
// An invalid level choice shows kLevelWarning and changes nothing (levelsInvalid).
// Cancelling (TMsrRun) stops between two measure points.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "drawing/kor_drawing.h"
#include "msr/msr_levels.h"
#include "msr/msr_project.h"
#include "msr/msr_remove.h"
#include "msr/msr_run.h"

namespace korin::msr {

struct TGenerateResult {
    int32_t measurePoints = 0;  // handled
    int32_t created = 0;        // pages made
    int32_t removed = 0;        // pages removed
    std::vector<std::string> refused;  // the messages above
    bool cancelled = false;
    bool levelsInvalid = false;
};

class TPageGenerator {
public:
    TPageGenerator(TMsrProject& project, const TMsrLevels& levels, const TMsrRun& run);

    TGenerateResult Generate(const std::vector<std::string>& designations);

    // Creates the pages of the measure point (the current record, DRAWING empty).
    void CreatePages(const std::string& designation, TGenerateResult& result);

private:
    // The original page, read once per run; refused (the error above, with the
    // original's path) when its first element is no title block.
    TKorDrawing& Original(const std::string& source);
    // Sets the level and measure point codes and writes the page file.
    void WritePage(TKorDrawing& model, const std::string& file, const std::vector<std::string>& names);
    void Finish();
    bool WriteDrawingRecord(const std::string& file, const std::string& original, const std::vector<std::string>& names);
    void Refuse(TGenerateResult& result, const std::string& text);
    void Withdraw(const std::vector<std::string>& names);

    TMsrProject& project_;
    TMsrLevels levels_;
    TMsrRun run_;
    std::string today_;
    std::map<std::string, std::unique_ptr<TKorDrawing>> originals_;
    bool written_ = false;
};

}  // namespace korin::msr
