// korintool drawing: dump, set-code, fix-crc, verify of one page drawing file.
#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "drawing/kor_draw_rows.h"
#include "drawing/kor_drawing.h"
#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korintool {
namespace {

constexpr const char* kUsage =
    "  drawing dump FILE\n"
    "  drawing set-code FILE SYMBOL CODE TEXT\n"
    "  drawing fix-crc FILE\n"
    "  drawing verify FILE\n"
    "  drawing rows FILE [--codes] [--filter EXPR]\n";

std::string Hex8(uint32_t v) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

void Bind(korin::TKorDrawing& d, const std::string& file) {
    std::string dir, name;
    SplitPath(file, dir, name);
    d.SetProject(dir);
    d.SetFileName(name);
    if (!d.ProjectValid() || !korin::path::FileExists(d.FullPath()))
        throw korin::Exception("KorDrawing: Datei nicht gefunden. Datei : " + name);
}

// Opens FILE into memory; a missing file is a failure here, not an empty page.
void Load(korin::TKorDrawing& d, const std::string& file) {
    Bind(d, file);
    d.Open();
}

// Writes the drawing back; a save that writes nothing (the name "000000", a page
// without symbols) is reported, so that a repair is never claimed falsely.
void SaveOrFail(korin::TKorDrawing& d) {
    if (!d.Save())
        throw korin::Exception("KorDrawing: Die Zeichnung wurde nicht gespeichert (keine Symbole "
                               "oder Dateiname \"000000\"). Datei : " + d.FileName());
}

int Dump(const std::string& file) {
    korin::TKorDrawing d;
    Load(d, file);
    PrintLine({"header", "symbols", std::to_string(d.SymbolCount()), "codes",
               std::to_string(d.CodeCount()), "trailer", std::to_string(d.TrailerLength()), "crc",
               Hex8(d.StoredCrc())});
    for (int32_t i = 0; i < d.Symbols().Count(); ++i) {
        const korin::TKorDrawSym& s = *d.SymbolAt(i);
        if (!s.HasCodeList()) {
            PrintLine({"symbol", std::to_string(i), std::to_string(s.Kind()), "", "", ""});
            continue;
        }
        PrintLine({"symbol", std::to_string(i), std::to_string(s.Kind()), std::to_string(s.SymbolType()),
                   s.Name(), std::to_string(s.CodeCount())});
        for (int32_t c = 0; c < s.CodeCount(); ++c)
            PrintLine({"code", std::to_string(s.CodeNumberAt(c)), std::to_string(s.WordAAt(c)),
                       std::to_string(s.WordBAt(c)), s.CodeTextAt(c)});
    }
    return 0;
}

int SetCode(const Args& args) {
    const int64_t symbol = ParseInt(args[2], "SYMBOL");
    const int64_t code = ParseInt(args[3], "CODE");
    if (code < 0 || code > 65535) throw UsageError("CODE must lie in 0 … 65535: " + args[3]);
    korin::TKorDrawing d;
    Load(d, args[1]);
    korin::TKorDrawSym* s =
        symbol < 0 || symbol > INT32_MAX ? nullptr : d.SymbolAt(static_cast<int32_t>(symbol));
    if (s == nullptr)
        throw korin::Exception("KorDrawing: Symbol " + args[2] + " existiert nicht (" +
                               std::to_string(d.Symbols().Count()) + " Symbole). Datei : " +
                               d.FileName());
    s->SetCode(static_cast<int32_t>(code), args[4]);
    SaveOrFail(d);
    return 0;
}

int FixCrc(const std::string& file) {
    korin::TKorDrawing d;
    Load(d, file);
    SaveOrFail(d);
    return 0;
}

int Verify(const std::string& file) {
    korin::TKorDrawing d;
    Bind(d, file);
    uint32_t stored = 0, computed = 0;
    if (d.CheckCrc(stored, computed)) {
        PrintLine({"ok"});
        return 0;
    }
    PrintLine({"bad", Hex8(stored), Hex8(computed)});
    return 1;
}

// The symbol dataset's rows: per symbol, or per code with --codes, filtered.
int Rows(const Args& args) {
    bool codes = false;
    std::string filter;
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--codes")
            codes = true;
        else if (args[i] == "--filter" && i + 1 < args.size())
            filter = args[++i];
        else
            throw UsageError("unknown argument for drawing rows: " + args[i]);
    }
    korin::TKorDrawing d;
    Load(d, args[1]);
    const korin::TKorDrawFilter condition(filter);
    for (const korin::TKorDrawRow& row :
         korin::BuildDrawRows(d, codes ? korin::TKorDrawTable::Code : korin::TKorDrawTable::Symbol))
        if (condition.Accepts(row))
            PrintLine({std::to_string(row.symNo), std::to_string(row.symTyp), row.symName, std::to_string(row.codeNo),
                       row.codeText});
    return 0;
}

int Run(const Args& args) {
    if (args.empty()) throw UsageError("missing command");
    const std::string& cmd = args[0];
    const auto want = [&](size_t n) {
        if (args.size() != n) throw UsageError("wrong number of arguments for drawing " + cmd);
    };
    if (cmd == "dump") {
        want(2);
        return Dump(args[1]);
    }
    if (cmd == "set-code") {
        want(5);
        return SetCode(args);
    }
    if (cmd == "fix-crc") {
        want(2);
        return FixCrc(args[1]);
    }
    if (cmd == "rows") {
        if (args.size() < 2) throw UsageError("missing FILE for drawing rows");
        return Rows(args);
    }
    if (cmd == "verify") {
        want(2);
        return Verify(args[1]);
    }
    throw UsageError("unknown command: drawing " + cmd);
}

}  // namespace

KORINTOOL_COMMAND("drawing", kUsage, Run);

}  // namespace korintool
