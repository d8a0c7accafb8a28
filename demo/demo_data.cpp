#include "demo/demo_data.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <utility>

#include "demo/demo_random.h"
#include "demo/demo_typicals.h"

namespace korin::demo {
namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

// Builds one row of a table by field name; a name the table lacks is a bug
// of the generator, not of the data.
class TRowBuilder {
public:
    explicit TRowBuilder(TTableData& table) : table_(table), row_(table.def.fields.size()) {}
    TRowBuilder& Set(std::string_view field, std::string value) {
        const int32_t i = table_.def.IndexOf(field);
        if (i < 0) throw std::logic_error(table_.def.name + " has no field " + std::string(field));
        row_[static_cast<size_t>(i)] = std::move(value);
        return *this;
    }
    void Add() { table_.rows.push_back(std::move(row_)); }

private:
    TTableData& table_;
    std::vector<std::string> row_;
};

struct TPlantName {
    const char* benennung;
    const char* teilanlage;
    const char* bereich;
};
const TPlantName kPlantNames[] = {
    {"Kesselhaus", "KESSEL", "DAMPF"},          {"Pumpenhaus", "PUMPEN", "WASSER"},
    {"Wasseraufbereitung", "AUFBEREITUNG", "WASSER"}, {"Abwasserbehandlung", "ABWASSER", "ABWASSER"},
    {"Heizzentrale", "HEIZUNG", "DAMPF"},       {"Druckluftstation", "DRUCKLUFT", "ENERGIE"},
    {"Kuehlwasser", "KUEHLWASSER", "WASSER"},   {"Dosierstation", "DOSIERUNG", "ABWASSER"},
    {"Tanklager", "TANKLAGER", "ENERGIE"},      {"Filteranlage", "FILTER", "WASSER"},
    {"Kuehlturm", "KUEHLTURM", "WASSER"},       {"Neutralisation", "NEUTRALISATION", "ABWASSER"},
};
constexpr int32_t kPlantNameCount = static_cast<int32_t>(std::size(kPlantNames));

struct TPlant {
    std::string code;        // "A10"
    std::string benennung;
    std::string bereich;
    std::string ebeneE;      // electrical sub-distribution
    std::string cabinet;     // cabinet of its terminals
    int32_t nextNumber = 101;
    int32_t nextCable = 1;
    std::map<std::string, int32_t> channels;  // per I/O kind
};

const std::vector<std::string> kObjects = {"Kessel", "Pumpe", "Behaelter", "Waermetauscher",
                                           "Leitung", "Filter", "Ruehrwerk", "Verdichter"};
const std::vector<std::string> kRemarks = {"", "", "", "", "", "Bestand", "Neu", "Umbau", "Ersatz"};
const std::vector<std::string> kEditors = {"Becker", "Schulz", "Nowak", "Yilmaz", "Hoffmann", "Krause"};

struct TRange {
    std::string range;  // MESSTELLE 550 and INSTRUMENTIERUNG Messbereich
    std::string unit;
};

class TGenerator {
public:
    explicit TGenerator(const TDataOptions& options) : options_(options), rnd_(options.seed) {
        for (const TTableDef& def : StandardTables(TSchemaVariant::Adapted)) data_.project.push_back({def, {}});
        for (const TTableDef& def : MasterTables()) data_.master.push_back({def, {}});
    }

    TSampleData Run() {
        MakePlants();
        MakeMeasurePoints();
        MakeSpareCable();
        MakeMaster();
        return std::move(data_);
    }

private:
    TTableData& Table(std::string_view name) {
        for (TTableData& t : data_.project)
            if (t.def.name == name) return t;
        throw std::out_of_range(std::string(name));
    }
    TTableData& MasterTable(std::string_view name) {
        for (TTableData& t : data_.master)
            if (t.def.name == name) return t;
        throw std::out_of_range(std::string(name));
    }

    void MakePlants() {
        const int32_t count = PlantCount(options_.measurePoints);
        TTableData& table = Table("ANLAGE");
        for (int32_t i = 0; i < count; ++i) {
            const TPlantName& name = kPlantNames[i % kPlantNameCount];
            const int32_t round = i / kPlantNameCount;
            TPlant p;
            p.code = "A" + std::to_string(10 * (i + 1));
            p.benennung = round == 0 ? name.benennung : Format("%s %d", name.benennung, round + 1);
            p.bereich = name.bereich;
            p.ebeneE = "UV" + std::to_string(i + 1);
            p.cabinet = "Schaltschrank S" + std::to_string(i + 1);
            TRowBuilder(table)
                .Set("Bezeichner_Anlage", p.code)
                .Set("Benennung", p.benennung)
                .Set("Standort", rnd_.Chance(60) ? "Werk Nord" : "Werk Sued")
                .Set("Gebaeude", "G" + std::to_string(rnd_.Between(1, 9)))
                .Set("Betreiber", rnd_.Pick(std::vector<std::string>{"Betrieb Energie", "Betrieb Wasser",
                                                                     "Instandhaltung"}))
                .Set("Kostenstelle", std::to_string(4700 + i + 1))
                .Set("Bereich", p.bereich)
                .Set("Teilanlage", round == 0 ? name.teilanlage : Format("%s%d", name.teilanlage, round + 1))
                .Set("Ebene_E_Tech", p.ebeneE)
                .Set("Bemerkung", "")
                .Add();
            plants_.push_back(std::move(p));
        }
    }

    TRange DrawRange(TQuantity q) {
        switch (q) {
            case TQuantity::Temperature:
                return {rnd_.Pick(std::vector<std::string>{"0..100", "0..150", "0..200", "-20..80", "0..400"}), "C"};
            case TQuantity::Flow:
                return {rnd_.Pick(std::vector<std::string>{"0..10", "0..25", "0..50", "0..100", "0..250"}), "m3/h"};
            case TQuantity::Pressure:
                return {rnd_.Pick(std::vector<std::string>{"0..6", "0..10", "0..16", "0..40", "-1..3"}), "bar"};
            case TQuantity::Level:
                return rnd_.Chance(50) ? TRange{"0..100", "%"}
                                       : TRange{rnd_.Pick(std::vector<std::string>{"0..2000", "0..4000"}), "mm"};
            case TQuantity::Drive:
                return {rnd_.Pick(std::vector<std::string>{"0.75", "1.5", "2.2", "4", "5.5", "7.5", "11", "15", "22"}),
                        "kW"};
            case TQuantity::Valve:
                return {"DN" + rnd_.Pick(std::vector<std::string>{"25", "50", "80", "100"}), ""};
        }
        return {};
    }

    // A day of 2024 as "dd.mm.yyyy". Day and month are drawn in separate
    // statements: the order in which a call's arguments are evaluated is up to
    // the compiler, and the sequence must not depend on it.
    std::string Date() {
        const int day = rnd_.Between(1, 28);
        const int month = rnd_.Between(1, 12);
        return Format("%02d.%02d.2024", day, month);
    }

    static const char* QuantityWord(TQuantity q) {
        switch (q) {
            case TQuantity::Temperature: return "Temperatur";
            case TQuantity::Flow: return "Durchfluss";
            case TQuantity::Pressure: return "Druck";
            case TQuantity::Level: return "Fuellstand";
            case TQuantity::Drive: return "Antrieb";
            case TQuantity::Valve: return "Ventil";
        }
        return "";
    }

    std::string FunctionGroupOf(size_t plant, const TTypical& typical) {
        const auto key = std::make_pair(plant, typical.functionGroup);
        auto it = groups_.find(key);
        if (it != groups_.end()) return it->second;
        const std::string number = Format("FG%03d", static_cast<int>(groups_.size()) + 1);
        groups_.emplace(key, number);
        TRowBuilder(Table("FUNKTIONSGRUPPEN"))
            .Set("FG_Nummer", number)
            .Set("FG_Kurz", typical.functionShort)
            .Set("Funktionsgruppe", typical.functionGroup)
            .Set("Beschreibung", typical.functionGroup + " " + plants_[plant].benennung)
            .Set("Bezeichner_Anlage", plants_[plant].code)
            .Add();
        return number;
    }

    void MakeMeasurePoints() {
        std::vector<int32_t> weights;
        for (const TTypical& t : Typicals()) weights.push_back(t.weight);
        const int64_t n = options_.measurePoints;
        const int64_t plantCount = static_cast<int64_t>(plants_.size());
        for (int64_t j = 0; j < n; ++j) {
            const size_t plant = static_cast<size_t>(j * plantCount / n);
            const TTypical& typical = Typicals()[rnd_.Weighted(weights)];
            MakeMeasurePoint(plant, typical);
        }
    }

    void MakeMeasurePoint(size_t plantIndex, const TTypical& typical) {
        TPlant& plant = plants_[plantIndex];
        const std::string number = std::to_string(plant.nextNumber++);
        const std::string part = "." + typical.letters + number;
        const std::string designation = plant.code + part;
        const TRange range = DrawRange(typical.quantity);
        const std::string rangeText = range.unit.empty() ? range.range : range.range + " " + range.unit;
        const size_t object = static_cast<size_t>(rnd_.Between(0, static_cast<int32_t>(kObjects.size()) - 1));
        const std::string task = std::string(QuantityWord(typical.quantity)) + " " + kObjects[object] + " " +
                                 kObjects[object].substr(0, 1) + std::to_string(rnd_.Between(1, 9));

        TRowBuilder(Table("MESSTELLE"))
            .Set("Bezeichner_Anlage", plant.code)
            .Set("MSR_Stelle", part)
            .Set("Bezeichner_Stelle", designation)
            .Set("Kennbuchstaben", typical.letters)
            .Set("Zaehlnummer", number)
            .Set("FG_Nummer", FunctionGroupOf(plantIndex, typical))
            .Set("Verarb_Funktion", typical.description)
            .Set("Messaufgabe", task)
            .Set("Messbereich", rangeText)
            .Set("Bemerkung", rnd_.Pick(kRemarks))
            .Set("ORIGINAL", "")
            .Set("ORIGPATH", "")
            .Set("DRAWING", "")
            .Set("Funktionsgruppe", typical.functionGroup)
            .Set("ME_Kennung", std::string(1, typical.kind))
            .Set("Ort_E_Tech", typical.kind == 'E' ? plant.ebeneE : "")
            .Set("Planart", typical.planType)
            .Set("InstrFlags", "")
            .Add();

        std::vector<std::string> cableNames(typical.cables.size());
        for (size_t c = 0; c < typical.cables.size(); ++c)
            cableNames[c] = MakeCable(plant, designation, typical, typical.cables[c]);

        for (const TInstrumentDef& def : typical.instruments) {
            if (def.instance != 1) continue;  // belongs to the measure point named in code 803
            const std::string id = designation + "-" + def.role;
            TRowBuilder(Table("INSTRUMENTIERUNG"))
                .Set("Instr_Kennung", id)
                .Set("Bezeichner_Anlage", plant.code)
                .Set("Bezeichner_Stelle", designation)
                .Set("Instrument", def.role)
                .Set("Benennung", def.benennung)
                .Set("Messbereich", def.measures ? range.range : "")
                .Set("Einheit", def.measures ? range.unit : "")
                .Set("Hersteller", rnd_.Pick(def.makers))
                .Set("Geraetetyp", rnd_.Pick(def.deviceTypes))
                .Set("Signal", def.signal)
                .Set("Bemerkung", "")
                .Add();
            const int32_t cable = typical.CableOf(def.key);
            if (cable >= 0 && !def.signal.empty() && def.signal != "intern")
                MakeSignal(plant, designation, def, cableNames[static_cast<size_t>(cable)]);
        }
    }

    std::string MakeCable(TPlant& plant, const std::string& designation, const TTypical& typical,
                          const TCableDef& def) {
        const TCableType& type = CableType(def.cableType);
        const std::string name = Format("%s-W%03d", plant.code.c_str(), plant.nextCable++);
        const std::string target = typical.Instrument(def.target).role;
        const int32_t length = rnd_.Between(5, 250);
        const std::string state = rnd_.Pick(std::vector<std::string>{"geplant", "verlegt", "aufgelegt", "geprueft"});
        TRowBuilder(Table("KABEL"))
            .Set("Kabel", name)
            .Set("Kabeltyp", type.name)
            .Set("Bezeichner_Anlage", plant.code)
            .Set("Funktion", def.function + " " + target)
            .Set("Bezeichner_Stelle", designation)
            .Set("Aderzahl", std::to_string(type.wires))
            .Set("Querschnitt", type.crossSection)
            .Set("Laenge_m", Format("%d.00", length))
            .Set("Spannung", def.voltage)
            .Set("Location", def.location)
            .Set("Geraet_Ziel", target)
            .Set("Ort_Quelle", plant.cabinet)
            .Set("Geraet_Quelle", def.strip)
            .Set("Hersteller", type.maker)
            .Set("Artikelnummer", type.articleNumber)
            .Set("Aussendurchmesser", type.diameter)
            .Set("Schirm", type.shielded ? "ja" : "nein")
            .Set("Brandverhalten", rnd_.Chance(50) ? "halogenfrei" : "PVC")
            .Set("Zustand", state)
            .Set("Revision", rnd_.Chance(80) ? "A" : "B")
            .Set("Datum", Date())
            .Set("Bearbeiter", rnd_.Pick(kEditors))
            .Set("Pruefung", state == "geprueft" ? "i.O." : "")
            .Set("Verlegeart", rnd_.Pick(std::vector<std::string>{"Kabeltrasse", "Schutzrohr", "Kabelkanal"}))
            .Set("Trasse", Format("T%02d", rnd_.Between(1, 40)))
            .Set("Kabellaenge", std::to_string((length + 4) / 5 * 5 + 5))
            .Set("Bemerkung", "")
            .Add();

        // Wires: a quarter of the cables wait for wire creation; of the others
        // about half have been aligned with the master data already.
        const int32_t draw = rnd_.Between(0, 99);
        if (draw >= 25) MakeWires(Table("KABEL").rows.back(), type, def, draw >= 60);
        for (size_t i = 0; i < def.wiresDrawn.size(); ++i) {
            const std::string terminal = std::to_string(def.TerminalOf(i));
            TRowBuilder(Table("KLEMMEN"))
                .Set("Klemmen_ID", designation + "-" + def.strip + "-" + terminal)
                .Set("BezSt", designation)
                .Set("Klemken", def.strip)
                .Set("Ans", terminal)
                .Set("Kabel", name)
                .Set("Ader", std::to_string(def.wiresDrawn[i]))
                .Set("Potential", def.potentials.at(i))
                .Set("Ziel", target)
                .Set("Bemerkung", "")
                .Add();
        }
        return name;
    }

    // The wires of a cable as wire creation writes them (cable positions copied
    // into wire positions), optionally as the master alignment leaves them.
    void MakeWires(const std::vector<std::string>& cable, const TCableType& type, const TCableDef& def,
                   bool aligned) {
        TTableData& wires = Table("ADERN");
        for (int32_t w = 1; w <= type.wires; ++w) {
            std::vector<std::string> row(wires.def.fields.size());
            row[0] = cable[0];
            row[1] = cable[4];
            row[2] = cable[1];
            row[3] = cable[2];
            row[4] = std::to_string(w);
            row[6] = cable[6];
            row[8] = cable[5];
            row[11] = "0";
            row[12] = cable[9];
            row[13] = cable[10];
            row[15] = cable[11];
            row[16] = cable[12];
            row[18] = row[19] = "0";
            row[22] = row[23] = "0";
            for (size_t k = 0; k < 4; ++k) row[24 + k] = cable[25 + k];
            if (aligned) {
                row[5] = type.colours.at(static_cast<size_t>(w - 1));
                row[7] = type.wireType;
                row[9] = std::to_string(w);
                for (size_t i = 0; i < def.wiresDrawn.size(); ++i) {
                    if (def.wiresDrawn[i] != w) continue;
                    row[10] = def.potentials.at(i);
                    row[17] = std::to_string(def.TerminalOf(i));
                }
            }
            wires.rows.push_back(std::move(row));
        }
    }

    void MakeSignal(TPlant& plant, const std::string& designation, const TInstrumentDef& def,
                    const std::string& cable) {
        std::string io = "AI";
        if (def.symbolType == 10) io = "AO";
        else if (def.signal == "24VDC binaer") io = "DI";
        else if (def.signal.rfind("24VDC", 0) == 0) io = "DO";
        const int32_t channel = plant.channels[io]++;
        const std::string path = designation + "-" + def.role + "-S";
        TRowBuilder(Table("SIGNALPFADE"))
            .Set("Signalpfad", path)
            .Set("Bezeichner_Stelle", designation)
            .Set("Instrument", def.role)
            .Set("Signalart", def.signal)
            .Set("Quelle", designation + "-" + def.role)
            .Set("Ziel", Format("AS%d.%s%02d.%02d", static_cast<int>(&plant - plants_.data()) + 1, io.c_str(),
                                channel / 8 + 1, channel % 8 + 1))
            .Set("Kabel", cable)
            .Set("Bemerkung", "")
            .Add();

        std::string view = "Befehl", symbol = "DO_BEFEHL";
        if (io == "AI") {
            view = rnd_.Pick(std::vector<std::string>{"Messwert", "Trend", "Balken"});
            symbol = "AI_WERT";
        } else if (io == "AO") {
            view = "Stellgroesse";
            symbol = "AO_STELL";
        } else if (io == "DI") {
            view = rnd_.Chance(50) ? "Meldung" : "Zustand";
            symbol = "DI_MELDUNG";
        }
        TRowBuilder(Table("SIGNALREPRESENTATION"))
            .Set("Signal_ID", designation + "-" + def.role + "-D")
            .Set("Signalpfad", path)
            .Set("Bezeichner_Stelle", designation)
            .Set("Darstellung", view)
            .Set("Symbolname", symbol)
            .Set("Zeichnung", "")
            .Set("Bemerkung", "")
            .Add();
    }

    // A spare cable without a wire count: wire creation skips it.
    void MakeSpareCable() {
        const TCableType& type = CableType("LIYCY-4X0.75");
        TRowBuilder(Table("KABEL"))
            .Set("Kabel", plants_.front().code + "-WRES")
            .Set("Kabeltyp", type.name)
            .Set("Bezeichner_Anlage", plants_.front().code)
            .Set("Funktion", "Reservekabel")
            .Set("Querschnitt", type.crossSection)
            .Set("Laenge_m", "50.00")
            .Set("Ort_Quelle", plants_.front().cabinet)
            .Set("Hersteller", type.maker)
            .Set("Artikelnummer", type.articleNumber)
            .Set("Schirm", "ja")
            .Set("Zustand", "geplant")
            .Set("Bemerkung", "Aderzahl noch offen")
            .Add();
    }

    void MakeMaster() {
        for (const TCableType& type : CableTypes()) {
            TRowBuilder(MasterTable("KABEL"))
                .Set("Kabeltyp", type.name)
                .Set("Aderzahl", std::to_string(type.wires))
                .Set("Querschnitt", type.crossSection)
                .Set("Hersteller", type.maker)
                .Set("Bemerkung", type.remark)
                .Add();
            for (int32_t w = 1; w <= type.wires; ++w) {
                TRowBuilder(MasterTable("ADERN"))
                    .Set("Kabeltyp", type.name)
                    .Set("Ader", std::to_string(w))
                    .Set("Aderbezeichnung", "")
                    .Set("Farbe", type.colours.at(static_cast<size_t>(w - 1)))
                    .Set("Aderquerschnitt", type.crossSection)
                    .Set("Adertyp", type.wireType)
                    .Add();
            }
        }
    }

    TDataOptions options_;
    TRandom rnd_;
    TSampleData data_;
    std::vector<TPlant> plants_;
    std::map<std::pair<size_t, std::string>, std::string> groups_;
};

// The rows of `from` with the fields of `to`, matched by name.
TTableData Narrow(const TTableData& from, const TTableDef& to) {
    TTableData out{to, {}};
    std::vector<int32_t> source;
    for (const TFieldDef& f : to.fields) source.push_back(from.def.IndexOf(f.name));
    out.rows.reserve(from.rows.size());
    for (const auto& row : from.rows) {
        std::vector<std::string> narrowed;
        narrowed.reserve(source.size());
        for (int32_t i : source) narrowed.push_back(i < 0 ? std::string() : row[static_cast<size_t>(i)]);
        out.rows.push_back(std::move(narrowed));
    }
    return out;
}

const TTableData& FindTable(const std::vector<TTableData>& tables, std::string_view name) {
    for (const TTableData& t : tables)
        if (t.def.name == name) return t;
    throw std::out_of_range("no table " + std::string(name));
}

}  // namespace

const std::string& TTableData::Value(size_t row, std::string_view field) const {
    const int32_t i = def.IndexOf(field);
    if (i < 0) throw std::out_of_range(def.name + " has no field " + std::string(field));
    return rows.at(row).at(static_cast<size_t>(i));
}

const TTableData& TSampleData::Project(std::string_view name) const { return FindTable(project, name); }
const TTableData& TSampleData::Master(std::string_view name) const { return FindTable(master, name); }

int32_t PlantCount(int32_t measurePoints) {
    const auto count = static_cast<int32_t>(std::lround(std::sqrt(static_cast<double>(measurePoints)) / 2.0));
    return std::max(1, std::min(count, measurePoints));
}

TSampleData GenerateSampleData(const TDataOptions& options) {
    if (options.measurePoints < 1 || options.measurePoints > 200000)
        throw std::invalid_argument("the number of measure points must lie between 1 and 200000");
    TSampleData data = TGenerator(options).Run();
    if (options.variant == TSchemaVariant::Adapted) return data;
    TSampleData narrowed;
    narrowed.master = std::move(data.master);
    for (const TTableDef& def : StandardTables(options.variant))
        narrowed.project.push_back(Narrow(data.Project(def.name), def));
    return narrowed;
}

}  // namespace korin::demo
