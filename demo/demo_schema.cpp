#include "demo/demo_schema.h"

#include <algorithm>
#include <stdexcept>

namespace korin::demo {
namespace {

TFieldDef Text(const char* name, int32_t id, int32_t size) { return {name, id, TKorFieldType::String, size}; }
TFieldDef Small(const char* name, int32_t id) { return {name, id, TKorFieldType::SmallInt, 0}; }
TFieldDef Real(const char* name, int32_t id) { return {name, id, TKorFieldType::Float, 0}; }

const std::vector<std::string> kSystem = {"AUC_SYSTEM"};
const std::vector<std::string> kDoku = {"AUC_SYSTEM", "PRO_DOKU"};

// Measure points. The designation (12135, the primary key) is the plant (1)
// followed directly by the measure point part (2). Keys are non-unique: the
// page creation grid collects the records below a key path, and a unique key
// carries no record pointers there.
TTableDef MeasurePoints(TSchemaVariant variant) {
    TTableDef t{"MESSTELLE", kSystem, "Messstellen", {}, 3, {}};
    t.fields = {
        Text("Bezeichner_Anlage", 1, 20),  Text("MSR_Stelle", 2, 20),
        Text("Bezeichner_Stelle", 12135, 32), Text("Kennbuchstaben", 12101, 10),
        Text("Zaehlnummer", 12102, 10),    Text("FG_Nummer", 12107, 10),
        Text("Verarb_Funktion", 12110, 32), Text("Messaufgabe", 12139, 60),
        Text("Messbereich", 550, 32),      Text("Bemerkung", 20015, 60),
    };
    if (variant == TSchemaVariant::Adapted) {
        t.fields.push_back(Text("ORIGINAL", 20020, 137));
        t.fields.push_back(Text("ORIGPATH", 20021, 137));
        t.fields.push_back(Text("DRAWING", 20022, 137));
        t.fields.push_back(Text("Funktionsgruppe", 20026, 32));
        t.fields.push_back(Text("ME_Kennung", 20024, 8));
        t.fields.push_back(Text("Ort_E_Tech", 3, 32));
        t.fields.push_back(Text("Planart", 76, 20));
        t.fields.push_back(Text("InstrFlags", 20029, 10));
        t.keys = {{"Anlage", false, {"Bezeichner_Anlage"}},
                  {"Funktion", false, {"Verarb_Funktion"}},
                  {"Planart", false, {"Planart"}},
                  {"Anlage_Planart", false, {"Bezeichner_Anlage", "Planart"}}};
    } else {
        t.keys = {{"Anlage", false, {"Bezeichner_Anlage"}}, {"Funktion", false, {"Verarb_Funktion"}}};
    }
    return t;
}

// Plants. More than seven fields, so that fields 7 on are offered as level
// references ("<ANLAGE:Bereich>" ...).
TTableDef Plants() {
    TTableDef t{"ANLAGE", kSystem, "Anlagen", {}, 1, {}};
    t.fields = {
        Text("Bezeichner_Anlage", 1, 20), Text("Benennung", 601, 60), Text("Standort", 602, 40),
        Text("Gebaeude", 603, 20),        Text("Betreiber", 604, 40), Text("Kostenstelle", 605, 10),
        Text("Bereich", 606, 32),         Text("Teilanlage", 607, 32), Text("Ebene_E_Tech", 608, 32),
        Text("Bemerkung", 609, 60),
    };
    t.keys = {{"Bereich", false, {"Bereich"}}};
    return t;
}

// Wires. No primary key: wire creation appends several wires per cable with
// repeating values. Position 0 (id 4) is the cable, position 4 (id 362) the
// wire number; Bezeichner_Stelle and Location sit at positions that wire
// creation fills from the cable, so created wires are found by "ProjektAder".
TTableDef Wires(TSchemaVariant variant) {
    TTableDef t{"ADERN", kSystem, "Adern", {}, 0, {}};
    t.fields = {
        Text("Kabel", 4, 32),           Text("Bezeichner_Stelle", 12135, 32), Text("Kabeltyp", 80, 32),
        Text("Bezeichner_Anlage", 1, 20), Text("Ader", 362, 10),            Text("Farbe", 605, 20),
        Text("Aderquerschnitt", 606, 10), Text("Adertyp", 607, 20),         Text("Aderzahl", 608, 4),
        Text("Aderbezeichnung", 39, 20),  Text("Potential", 610, 20),       Text("Reserve", 611, 2),
        Text("Location", 20023, 32),      Text("Geraet_Ziel", 613, 32),     Text("Klemme_Ziel", 614, 10),
        Text("Ort_Quelle", 615, 32),      Text("Geraet_Quelle", 616, 32),   Text("Klemme_Quelle", 617, 10),
        Text("Platziert", 12008, 2),      Text("Gezeichnet", 12009, 2),     Text("Blatt", 5000, 6),
        Text("Symbolnr", 1101, 6),        Small("Gebrueckt", 622),          Small("Geerdet", 623),
        Text("Verlegeart", 624, 20),      Text("Trasse", 625, 20),          Text("Kabellaenge", 626, 10),
        Text("Bemerkung", 627, 60),
    };
    t.keys = {{"Kabel_Ader", false, {"Kabel", "Ader"}}};
    if (variant == TSchemaVariant::Adapted)
        t.keys.push_back({"ProjektAder", false, {"Bezeichner_Stelle", "Location", "Ader"}});
    return t;
}

// Cables. Position 0 (id 4) is the designation and primary key, 1 (id 80)
// the cable type of the master database, 5 the wire count as text (a number
// field would turn an empty count into "0").
TTableDef Cables() {
    TTableDef t{"KABEL", kSystem, "Kabel", {}, 1, {}};
    t.fields = {
        Text("Kabel", 4, 32),              Text("Kabeltyp", 80, 32),        Text("Bezeichner_Anlage", 1, 20),
        Text("Funktion", 603, 40),         Text("Bezeichner_Stelle", 12135, 32), Text("Aderzahl", 605, 4),
        Text("Querschnitt", 606, 10),      Real("Laenge_m", 607),           Text("Spannung", 608, 10),
        Text("Location", 20023, 32),       Text("Geraet_Ziel", 610, 32),    Text("Ort_Quelle", 611, 32),
        Text("Geraet_Quelle", 612, 32),    Text("Hersteller", 613, 32),     Text("Artikelnummer", 614, 20),
        Text("Aussendurchmesser", 615, 10), Text("Schirm", 616, 10),        Text("Brandverhalten", 617, 20),
        Text("Biegeradius", 618, 10),      Text("Gewicht", 619, 10),        Text("Zustand", 620, 10),
        Text("Revision", 621, 4),          Text("Datum", 622, 10),          Text("Bearbeiter", 623, 20),
        Text("Pruefung", 624, 10),         Text("Verlegeart", 625, 20),     Text("Trasse", 626, 20),
        Text("Kabellaenge", 627, 10),      Text("Bemerkung", 628, 60),
    };
    t.keys = {{"Kabeltyp", false, {"Kabeltyp"}}};
    return t;
}

// Function groups: the record whose key is a measure point's 12107 gives the
// group text; id 2 sits at position 2, so "field 2" reads the same either way.
TTableDef FunctionGroups() {
    TTableDef t{"FUNKTIONSGRUPPEN", kSystem, "Funktionsgruppen", {}, 1, {}};
    t.fields = {
        Text("FG_Nummer", 12107, 10), Text("FG_Kurz", 601, 10), Text("Funktionsgruppe", 2, 32),
        Text("Beschreibung", 603, 60), Text("Bezeichner_Anlage", 1, 20),
    };
    return t;
}

// Instrumentation. "Bezeichner" is unique over exactly (plant, designation,
// instrument): the page fill locates its complete key path, which names a
// record only for a unique key. No field carries id 20023 or 20025, so the
// fill never overwrites the codes it looks records up with.
TTableDef Instrumentation() {
    TTableDef t{"INSTRUMENTIERUNG", kSystem, "Instrumentierung", {}, 1, {}};
    t.fields = {
        Text("Instr_Kennung", 600, 32), Text("Bezeichner_Anlage", 1, 20), Text("Bezeichner_Stelle", 12135, 32),
        Text("Instrument", 12115, 32),  Text("Benennung", 604, 60),       Text("Messbereich", 605, 20),
        Text("Einheit", 606, 10),       Text("Hersteller", 607, 32),      Text("Geraetetyp", 608, 32),
        Text("Signal", 609, 20),        Text("Bemerkung", 610, 60),
    };
    t.keys = {{"Bezeichner", true, {"Bezeichner_Anlage", "Bezeichner_Stelle", "Instrument"}},
              {"MESSTELLE", false, {"Bezeichner_Stelle"}}};
    return t;
}

TTableDef SignalPaths() {
    TTableDef t{"SIGNALPFADE", kSystem, "Signalpfade", {}, 1, {}};
    t.fields = {
        Text("Signalpfad", 600, 32), Text("Bezeichner_Stelle", 12135, 32), Text("Instrument", 12115, 32),
        Text("Signalart", 603, 20),  Text("Quelle", 604, 40),              Text("Ziel", 605, 40),
        Text("Kabel", 4, 32),        Text("Bemerkung", 607, 60),
    };
    t.keys = {{"MESSTELLE", false, {"Bezeichner_Stelle"}}};
    return t;
}

TTableDef SignalRepresentations() {
    TTableDef t{"SIGNALREPRESENTATION", kSystem, "Signaldarstellungen", {}, 1, {}};
    t.fields = {
        Text("Signal_ID", 600, 32),   Text("Signalpfad", 601, 32), Text("Bezeichner_Stelle", 12135, 32),
        Text("Darstellung", 603, 20), Text("Symbolname", 604, 18), Text("Zeichnung", 5000, 6),
        Text("Bemerkung", 606, 60),
    };
    t.keys = {{"Signalpfad", false, {"Signalpfad"}}};
    return t;
}

// Drawings: one record per generated page, written by position 0–13. The
// page file (position 5) is the primary key; "EBENEN" is unique over the five
// level names, because page generation locates the complete path.
TTableDef Drawings() {
    TTableDef t{"ZEICHNUNGEN", kSystem, "Zeichnungen", {}, 6, {}};
    t.fields = {
        Text("Bezeichner_Anlage", 1, 20), Text("MSR_Stelle", 2, 20),   Text("Ort_E_Tech", 3, 32),
        Text("Funktionsgruppe", 20026, 32), Text("Messaufgabe", 12139, 60), Text("Zeichnung", 5000, 6),
        Text("Ebene1", 606, 32),          Text("Ebene2", 607, 32),     Text("Ebene3", 608, 32),
        Text("Ebene4", 609, 32),          Text("Ebene5", 610, 32),     Text("Datum", 611, 10),
        Text("Original", 612, 32),        Text("Status", 613, 2),      Text("Revision", 614, 4),
        Text("Bemerkung", 615, 60),
    };
    t.keys = {{"EBENEN", true, {"Ebene1", "Ebene2", "Ebene3", "Ebene4", "Ebene5"}},
              {"Anlage", false, {"Bezeichner_Anlage"}}};
    return t;
}

// The reference list of linked measure points, as the page creation window
// creates it: no primary key (a measure point owns up to 21 records).
TTableDef References() {
    TTableDef t{"MSR_REF", kDoku, "Referenzliste verknuepfter Messtellen", {}, 0, {}};
    t.fields = {Text("Loop", 600, 32), Text("MSR_No", 601, 2), Text("MSR_Add", 602, 32), Text("Link", 603, 32)};
    t.keys = {{"MSR_Add", false, {"MSR_Add"}},
              {"Loop", false, {"Loop"}},
              {"Link", false, {"Link"}},
              {"Binding", false, {"Loop", "MSR_Add"}},
              {"LoopNo", false, {"Loop", "MSR_No"}}};
    return t;
}

// Terminals. The primary key joins designation, strip and terminal number
// with "-", as the page fill composes it from a terminal symbol; "Ident" is
// the key the terminal view asks for.
TTableDef Terminals() {
    TTableDef t{"KLEMMEN", kDoku, "Klemmen", {}, 1, {}};
    t.fields = {
        Text("Klemmen_ID", 600, 32), Text("BezSt", 12135, 32), Text("Klemken", 20023, 32),
        Text("Ans", 20030, 10),      Text("Kabel", 4, 32),     Text("Ader", 362, 10),
        Text("Potential", 606, 20),  Text("Ziel", 607, 40),    Text("Bemerkung", 608, 60),
    };
    t.keys = {{"Ident", false, {"BezSt", "Klemken", "Ans"}}};
    return t;
}

// Master cable types: the key is what project cables carry in field 80.
TTableDef MasterCables() {
    TTableDef t{"KABEL", kSystem, "Stammkabel", {}, 1, {}};
    t.fields = {Text("Kabeltyp", 80, 32), Text("Aderzahl", 601, 4), Text("Querschnitt", 602, 10),
                Text("Hersteller", 603, 32), Text("Bemerkung", 604, 60)};
    return t;
}

// Master wires: copied into project wires field by field by id, so only ids
// the project ADERN has, and none whose overwrite would move a project wire
// (4, 12135, 20023). No primary key.
TTableDef MasterWires() {
    TTableDef t{"ADERN", kSystem, "Stammadern", {}, 0, {}};
    t.fields = {Text("Kabeltyp", 80, 32), Text("Ader", 362, 10),           Text("Aderbezeichnung", 39, 20),
                Text("Farbe", 605, 20),   Text("Aderquerschnitt", 606, 10), Text("Adertyp", 607, 20)};
    t.keys = {{"IDENT", false, {"Kabeltyp", "Ader"}}};
    return t;
}

const TTableDef& FindIn(const std::vector<TTableDef>& tables, std::string_view name) {
    for (const TTableDef& t : tables)
        if (t.name == name) return t;
    throw std::out_of_range("no table " + std::string(name));
}

}  // namespace

int32_t TFieldDef::Width() const {
    switch (type) {
        case TKorFieldType::SmallInt: return 6;
        case TKorFieldType::Integer:
        case TKorFieldType::Word: return 11;
        case TKorFieldType::Float: return 10;
        default: return size;
    }
}

std::vector<std::string> TTableDef::Path() const {
    std::vector<std::string> path = folders;
    path.push_back(name);
    return path;
}

int32_t TTableDef::IndexOf(std::string_view fieldName) const {
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == fieldName) return static_cast<int32_t>(i);
    return -1;
}

int32_t TTableDef::IndexOfId(int32_t id) const {
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].id == id) return static_cast<int32_t>(i);
    return -1;
}

std::vector<TKorNewField> TTableDef::NewFields() const {
    std::vector<TKorNewField> defs;
    defs.reserve(fields.size());
    for (const TFieldDef& f : fields) defs.push_back({f.Definition(), f.type, f.size});
    return defs;
}

std::vector<TTableDef> StandardTables(TSchemaVariant variant) {
    std::vector<TTableDef> tables = {MeasurePoints(variant), Plants(),          Wires(variant),
                                      FunctionGroups(),       Instrumentation(), Cables(),
                                      SignalPaths(),          SignalRepresentations(), Drawings()};
    if (variant == TSchemaVariant::Adapted) tables.push_back(References());
    tables.push_back(Terminals());
    return tables;
}

std::vector<TTableDef> MasterTables() { return {MasterCables(), MasterWires()}; }

const TTableDef& StandardTable(std::string_view name) {
    static const std::vector<TTableDef> tables = StandardTables();
    return FindIn(tables, name);
}

const TTableDef& MasterTable(std::string_view name) {
    static const std::vector<TTableDef> tables = MasterTables();
    return FindIn(tables, name);
}

}  // namespace korin::demo
