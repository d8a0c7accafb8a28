// The typicals of the demo's original project and the cable types of its master
// cable database.
//
// A typical is a standard loop: the instruments it shows, the cables that run
// from the field to the cabinet, and its pages. Both the original pages and the
// sample data are derived from it, so that what page generation and the page
// fill will look for on a page (instrument roles, terminal strips and numbers,
// cable locations and wire numbers) is exactly what the tables hold.
//
// Each page is a list of loop rows, drawn left to right: field instruments in a
// chain, the cable with the wires drawn, the terminals of the cabinet strip, and
// the instruments on the cabinet or control system side.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korin::demo {

// What a measure point of a typical measures; selects ranges and units.
enum class TQuantity { Temperature, Flow, Pressure, Level, Drive, Valve };

struct TInstrumentDef {
    std::string key;          // unique within the typical; names it in the page rows
    std::string role;         // instrument designation: codes 12115 and 20023
    int16_t symbolType = 3;   // one of 1, 3, 4, 5, 6, 10, 11, 12, 14, 16
    uint8_t recordKind = 6;   // 6 or 10, both symbols with codes
    int32_t instance = 1;     // code 20025: 1 the page's own measure point, 2 the one in code 803
    std::string benennung;    // INSTRUMENTIERUNG "Benennung"
    std::string signal;       // signal kind; empty or "intern" for none of its own
    bool measures = false;    // takes the measure point's range and unit
    std::vector<std::string> deviceTypes;
    std::vector<std::string> makers;
};

struct TCableDef {
    std::string location;     // code 20023 of its wire symbols; KABEL/ADERN "Location"
    std::string cableType;    // a master cable type
    std::string target;       // key of the field instrument it connects
    std::string strip;        // terminal strip in the cabinet (code 20023 of its terminals)
    int32_t firstTerminal = 1;
    std::vector<int32_t> wiresDrawn;      // wire numbers shown on the page
    std::vector<std::string> potentials;  // one per drawn wire
    std::string voltage;
    std::string function;     // KABEL "Funktion"

    // The terminal number the i-th drawn wire lands on.
    int32_t TerminalOf(size_t i) const { return firstTerminal + static_cast<int32_t>(i); }
};

struct TLoopRow {
    std::vector<std::string> field;   // instrument keys, left to right
    int32_t cable = -1;               // index into the typical's cables; -1 none
    std::vector<std::string> system;  // instrument keys on the cabinet side
};

struct TPageDef {
    std::string title;
    std::vector<TLoopRow> rows;  // at most three
};

struct TTypical {
    std::string name;           // folder name in the original project
    std::string description;    // processing function: page descriptions and MESSTELLE 12110
    std::string planType;       // code 76 and MESSTELLE 76
    std::string functionGroup;  // code 20026 and MESSTELLE 20026
    std::string functionShort;  // FUNKTIONSGRUPPEN "FG_Kurz"
    std::string letters;        // identification letters of its measure points
    char kind = 'M';            // 'M' (MSR) or 'E' (electrical)
    int32_t weight = 1;         // share of the measure points
    TQuantity quantity = TQuantity::Temperature;
    std::vector<TInstrumentDef> instruments;
    std::vector<TCableDef> cables;
    std::vector<TPageDef> pages;

    // The instrument with that key; throws std::out_of_range.
    const TInstrumentDef& Instrument(std::string_view key) const;
    // Index of the cable whose target is that instrument key, -1 when none.
    int32_t CableOf(std::string_view key) const;
};

struct TCableType {
    std::string name;          // key of the master cable table
    int32_t wires = 0;
    std::string crossSection;  // "0.75"
    std::string wireType;      // "Litze", "eindraehtig"
    std::string maker;
    std::string articleNumber;
    std::string diameter;      // outer diameter in mm
    bool shielded = false;
    std::vector<std::string> colours;  // one per wire
    std::string remark;
};

const std::vector<TTypical>& Typicals();
const TTypical& Typical(std::string_view name);

const std::vector<TCableType>& CableTypes();
const TCableType& CableType(std::string_view name);

// The symbol library name of a symbol type (the symbol record's name).
std::string SymbolName(int16_t symbolType);

}  // namespace korin::demo
