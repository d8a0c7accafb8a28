// A page drawing file: its symbols, their codes and the file's CRC-32.
//
// The drawing is read in one pass and then held in memory: Open maps the file,
// checks its structure, builds the symbol list and releases the mapping again,
// so the file is free for writing while the model is changed. Save writes the
// whole file anew from the model; everything the system does not interpret (the
// header bytes, opaque records, the symbol records, the trailer) goes back byte
// for byte as read. The layout is in drawing/kor_drawing_format.h.
//
// Opening (Open):
//   - a missing file leaves the drawing empty (no symbols, N = M = 0), no error;
//   - a file that fails the content check (shorter than 37 bytes, or words 0 and
//     2 not 1 and 1004) is refused by the container:
//       EKorMMFError "KorMMF: Konnte Datei nicht öffnen.\rInhalt stimmt nicht mit
//                     Dateityp überein. Datei : " + FileName
//   - a file whose counts, indexes or records do not fit is refused (general
//     class Exception), <i> the symbol and <j> the code position, 0-based:
//       "KorDrawing: Die Datei ist zu kurz: der Symbolindex reicht über das Dateiende hinaus. Datei : " + FileName
//       "KorDrawing: Die Datei ist zu kurz: Symbol <i> reicht über das Dateiende hinaus. Datei : " + FileName
//       "KorDrawing: Die Datei ist zu kurz: der Codeindex reicht über das Dateiende hinaus. Datei : " + FileName
//       "KorDrawing: Die Datei ist zu kurz: Code <j> reicht über das Dateiende hinaus. Datei : " + FileName
//       "KorDrawing: Symbol <i> hat die ungültige Satzlänge <L>. Datei : " + FileName
//       "KorDrawing: Der Symbolindex stimmt bei Symbol <i> nicht mit den Satzlängen überein. Datei : " + FileName
//       "KorDrawing: Code <j> hat die ungültige Satzlänge <L>. Datei : " + FileName
//       "KorDrawing: Der Codeindex stimmt bei Code <j> nicht mit den Satzlängen überein. Datei : " + FileName
//       "KorDrawing: Symbol <i> hat mehr Codes (<c>), als die Datei enthält (M = <M>). Datei : " + FileName
//       "KorDrawing: Die Symbole haben zusammen <k> Codes, die Datei zählt M = <M>. Datei : " + FileName
//     ("Satzlänge" of a symbol is invalid below 2 words, and for kinds 6 and 10
//     below 18; of a code record below 4.) After any refusal the drawing is
//     empty and holds no mapping.
//   Not damage: a non-zero reserved word, non-zero bytes after a code text's NUL
//   and a code record longer than its text needs are accepted; Save writes those
//   parts as the layout prescribes (0, zero padding, the exact length). A code
//   text of more than 139 characters is read as its first 139.
//
// Saving (Save):
//   - writes nothing and reports nothing (returns false) when the file name,
//     trimmed, is empty or "000000", its last six characters, trimmed, are
//     "000000", or the drawing has no symbols;
//   - builds the complete file in memory with its CRC, writes it beside the old
//     one, flushes it to disk and renames it over the old one: a failure leaves
//     the old file as it was. Refusals (general class Exception), the old file
//     untouched:
//       "KorDrawing: Die Codes passen nicht in den Codeindex (<w> Worte, höchstens 65535). Datei : " + FileName
//       "KorDrawing: Die Symbole passen nicht in den Symbolindex (<w> Worte, höchstens 65535). Datei : " + FileName
//     (<w>: the running word count where it first passes 65535; the second
//     can only happen to symbols added through Symbols().Add.)
//       "KorDrawing: Die Datei " + path + " konnte nicht geschrieben werden!"
//   The model stays valid after Save and after a refused Save.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "drawing/kor_draw_sym.h"
#include "drawing/kor_drawing_format.h"
#include "store/kor_mmf.h"

namespace korin {

class TKorDrawing : public TKorMMF {
public:
    TKorDrawing() = default;
    ~TKorDrawing() override;

    // Drawings are also read outside a catalogued project (original pages,
    // korintool), so any existing directory is taken; no "dir.ref" is asked for.
    // Empty: nothing changes. A directory that does not exist sets ProjectValid
    // false and keeps the old value.
    void SetProject(const std::string& value) override;

    // Reads the drawing into memory and releases the file (see above). Afterwards
    // IsOpen is false: the file is not mapped.
    void Open() override;
    // Frees the symbols and releases the file.
    void Close() override;

    // Writes the model back (see above) and takes the new CRC into the model.
    // True when the file was written.
    bool Save();

    // While the file is mapped (IsOpen, the container's Open): computes the CRC-32
    // of bytes 32 to the end, writes it at offset 28 and takes it into the model.
    // Does nothing when the file is not mapped.
    void RecomputeCrc();

    // Maps the file just long enough to read the stored CRC and to compute the
    // CRC-32 of bytes 32 to the end; true when they agree. Does not touch the
    // model. Refuses a file that fails the content check (as Open) and a missing
    // file with "KorDrawing: Datei nicht gefunden. Datei : " + FileName.
    bool CheckCrc(uint32_t& stored, uint32_t& computed);

    // The CRC-32 of bytes 32 to the end of a drawing image (0 for a shorter one).
    static uint32_t ImageCrc(const uint8_t* bytes, size_t size);

    const std::array<uint8_t, drawfmt::kHeaderBytes>& Header() const { return header_; }
    uint32_t StoredCrc() const { return crc_; }
    // N and M as read.
    uint32_t SymbolCount() const { return symbolCount_; }
    uint32_t CodeCount() const { return codeCount_; }
    const std::vector<uint8_t>& Trailer() const { return trailer_; }
    size_t TrailerLength() const { return trailer_.size(); }

    TKorDrawSymList& Symbols() { return symbols_; }
    const TKorDrawSymList& Symbols() const { return symbols_; }
    // The symbol, or null outside 0 … N−1.
    TKorDrawSym* SymbolAt(int32_t i) const { return symbols_.Get(i); }

    // The complete file as Save writes it, CRC included.
    std::vector<uint8_t> BuildImage() const;

protected:
    int32_t InitialSize() override { return 64; }
    void InitContent() override {}
    bool CheckContent() override;

private:
    void ClearModel();
    void ReadModel(const uint8_t* view, size_t size);
    bool MayWrite() const;

    std::array<uint8_t, drawfmt::kHeaderBytes> header_{};
    uint32_t crc_ = 0;
    uint32_t symbolCount_ = 0;
    uint32_t codeCount_ = 0;
    std::vector<uint8_t> trailer_;
    TKorDrawSymList symbols_;
};

}  // namespace korin
