#include "demo/demo_typicals.h"

#include <stdexcept>

namespace korin::demo {
namespace {

// Symbol types of instruments.
constexpr int16_t kSensor = 1, kTransmitter = 3, kIndicator = 4, kController = 5, kValve = 6,
                  kPositioner = 10, kSwitch = 11, kBreaker = 12, kContactor = 14, kMotor = 16;

const std::vector<std::string> kMsrMakers = {"Endress+Hauser", "Siemens", "VEGA", "Krohne", "JUMO", "ABB"};
const std::vector<std::string> kValveMakers = {"Samson", "Siemens", "Emerson", "Schubert+Salzer"};
const std::vector<std::string> kSystemMakers = {"Siemens", "ABB", "Honeywell"};
const std::vector<std::string> kElectricMakers = {"Siemens", "Eaton", "ABB", "Schneider Electric"};

TInstrumentDef Instr(const char* role, int16_t type, const char* benennung, const char* signal, bool measures,
                      std::vector<std::string> deviceTypes, const std::vector<std::string>& makers) {
    TInstrumentDef s;
    s.key = role;
    s.role = role;
    s.symbolType = type;
    s.benennung = benennung;
    s.signal = signal;
    s.measures = measures;
    s.deviceTypes = std::move(deviceTypes);
    s.makers = makers;
    return s;
}

// A function of the control system, drawn with a record of the second symbol kind.
TInstrumentDef SystemFunction(const char* role, int16_t type, const char* benennung, bool measures) {
    TInstrumentDef s = Instr(role, type, benennung, "intern", measures, {"PLS-Baustein"}, kSystemMakers);
    s.recordKind = 10;
    return s;
}

TCableDef Cable(const char* location, const char* type, const char* target, const char* strip, int32_t first,
                 std::vector<int32_t> wires, std::vector<std::string> potentials, const char* voltage,
                 const char* function) {
    return {location, type, target, strip, first, std::move(wires), std::move(potentials), voltage, function};
}

std::vector<TTypical> BuildTypicals() {
    std::vector<TTypical> all;

    {
        TTypical t{"TYP_TI", "Temperaturmessung", "TI", "Temperatur", "T", "TI", 'M', 20, TQuantity::Temperature, {}, {}, {}};
        t.instruments = {
            Instr("TE", kSensor, "Widerstandsthermometer", "PT100", true, {"TR10-B", "TST310", "TH11"}, kMsrMakers),
            Instr("TT", kTransmitter, "Temperaturtransmitter", "4-20mA", true,
                  {"iTEMP TMT82", "SITRANS TH320", "dTRANS T04"}, kMsrMakers),
            SystemFunction("TI", kIndicator, "Temperaturanzeige Leitsystem", true),
        };
        t.cables = {Cable("JB1", "LIYCY-2X0.75", "TT", "X1", 1, {1, 2}, {"+24V", "AI"}, "24V", "Messsignal")};
        t.pages = {{"Temperaturmessung", {{{"TE", "TT"}, 0, {"TI"}}}}};
        all.push_back(t);
    }
    {
        TTypical t{"TYP_TIC", "Temperaturregelung", "TIC", "Temperatur", "T", "TIC", 'M', 12, TQuantity::Temperature, {}, {}, {}};
        TInstrumentDef extra = Instr("TI", kIndicator, "Temperaturanzeige Zusatzmessstelle", "intern", false,
                                      {"PLS-Baustein"}, kSystemMakers);
        extra.key = "TI_ZUS";
        extra.instance = 2;
        t.instruments = {
            Instr("TT", kTransmitter, "Temperaturtransmitter", "4-20mA", true, {"iTEMP TMT82", "SITRANS TH320"},
                  kMsrMakers),
            SystemFunction("TIC", kController, "Temperaturregler", true),
            Instr("TV", kValve, "Stellventil", "", false, {"3241", "EZ", "8021"}, kValveMakers),
            Instr("TY", kPositioner, "Stellungsregler", "4-20mA", false, {"3730-3", "SIPART PS2"}, kValveMakers),
            extra,
        };
        t.cables = {Cable("JB1", "LIYCY-2X0.75", "TT", "X1", 1, {1, 2}, {"+24V", "AI"}, "24V", "Messsignal"),
                    Cable("JB2", "LIYCY-2X0.75", "TY", "X1", 3, {1, 2}, {"AO+", "AO-"}, "24V", "Stellsignal")};
        t.pages = {{"Messung und Regler", {{{"TT"}, 0, {"TIC"}}, {{}, -1, {"TI_ZUS"}}}},
                   {"Stellglied", {{{"TV", "TY"}, 1, {"TIC"}}}}};
        all.push_back(t);
    }
    {
        TTypical t{"TYP_FI", "Durchflussmessung", "FI", "Durchfluss", "F", "FI", 'M', 12, TQuantity::Flow, {}, {}, {}};
        t.instruments = {
            Instr("FE", kSensor, "Durchflussaufnehmer", "", true, {"Promag W 400", "OPTIFLUX 2000"}, kMsrMakers),
            Instr("FT", kTransmitter, "Durchflusstransmitter", "4-20mA", true, {"Promag 400", "IFC 100"},
                  kMsrMakers),
            SystemFunction("FI", kIndicator, "Durchflussanzeige Leitsystem", true),
        };
        t.cables = {Cable("JB1", "LIYCY-2X0.75", "FT", "X1", 1, {1, 2}, {"+24V", "AI"}, "24V", "Messsignal")};
        t.pages = {{"Durchflussmessung", {{{"FE", "FT"}, 0, {"FI"}}}}};
        all.push_back(t);
    }
    {
        TTypical t{"TYP_FIC", "Durchflussregelung", "FIC", "Durchfluss", "F", "FIC", 'M', 10, TQuantity::Flow, {}, {}, {}};
        t.instruments = {
            Instr("FT", kTransmitter, "Durchflusstransmitter", "4-20mA", true, {"Promag 400", "IFC 100"},
                  kMsrMakers),
            SystemFunction("FIC", kController, "Durchflussregler", true),
            Instr("FV", kValve, "Regelventil", "", false, {"3241", "3251"}, kValveMakers),
            Instr("FY", kPositioner, "Stellungsregler mit Rueckmeldung", "4-20mA", false, {"3730-3", "SIPART PS2"},
                  kValveMakers),
        };
        t.cables = {Cable("JB1", "LIYCY-2X0.75", "FT", "X1", 1, {1, 2}, {"+24V", "AI"}, "24V", "Messsignal"),
                    Cable("JB2", "LIYCY-3X0.75", "FY", "X1", 3, {1, 2, 3}, {"AO+", "AO-", "RM"}, "24V",
                          "Stellsignal")};
        t.pages = {{"Messung und Regler", {{{"FT"}, 0, {"FIC"}}}}, {"Stellglied", {{{"FV", "FY"}, 1, {"FIC"}}}}};
        all.push_back(t);
    }
    {
        TTypical t{"TYP_PI", "Druckmessung", "PI", "Druck", "P", "PI", 'M', 14, TQuantity::Pressure, {}, {}, {}};
        t.instruments = {
            Instr("PT", kTransmitter, "Druckmessumformer", "4-20mA", true, {"Cerabar PMC21", "SITRANS P320", "VEGABAR 82"},
                  kMsrMakers),
            SystemFunction("PI", kIndicator, "Druckanzeige Leitsystem", true),
        };
        t.cables = {Cable("JB1", "LIYCY-2X0.75", "PT", "X1", 1, {1, 2}, {"+24V", "AI"}, "24V", "Messsignal")};
        t.pages = {{"Druckmessung", {{{"PT"}, 0, {"PI"}}}}};
        all.push_back(t);
    }
    {
        TTypical t{"TYP_LIS", "Fuellstandsueberwachung", "LIS", "Fuellstand", "L", "LIS", 'M', 10, TQuantity::Level, {}, {}, {}};
        t.instruments = {
            Instr("LT", kTransmitter, "Fuellstandmessumformer", "4-20mA", true, {"Micropilot FMR20", "VEGAPULS 21"},
                  kMsrMakers),
            SystemFunction("LI", kIndicator, "Fuellstandanzeige Leitsystem", true),
            Instr("LSH", kSwitch, "Grenzschalter MAX", "24VDC binaer", false, {"Liquiphant FTL31", "VEGASWING 61"},
                  kMsrMakers),
            Instr("LSL", kSwitch, "Grenzschalter MIN", "24VDC binaer", false, {"Liquiphant FTL31", "VEGASWING 61"},
                  kMsrMakers),
        };
        t.cables = {Cable("JB1", "LIYCY-2X0.75", "LT", "X1", 1, {1, 2}, {"+24V", "AI"}, "24V", "Messsignal"),
                    Cable("JB2", "LIYY-3X0.5", "LSH", "X1", 3, {1, 2, 3}, {"+24V", "DI", "0V"}, "24V",
                          "Grenzwertmeldung MAX"),
                    Cable("JB3", "LIYY-3X0.5", "LSL", "X1", 6, {1, 2, 3}, {"+24V", "DI", "0V"}, "24V",
                          "Grenzwertmeldung MIN")};
        t.pages = {{"Fuellstand", {{{"LT"}, 0, {"LI"}}, {{"LSH"}, 1, {}}, {{"LSL"}, 2, {}}}}};
        all.push_back(t);
    }
    {
        TTypical t{"TYP_MO", "Motorsteuerung", "MO", "Antrieb", "M", "M", 'E', 14, TQuantity::Drive, {}, {}, {}};
        t.instruments = {
            Instr("Q", kBreaker, "Motorschutzschalter", "", false, {"3RV2021", "PKZM0-10"}, kElectricMakers),
            Instr("K", kContactor, "Leistungsschuetz", "24VDC Befehl", false, {"3RT2025", "DILM17"},
                  kElectricMakers),
            Instr("M", kMotor, "Drehstrommotor", "", false, {"1LE1001", "DRN100LS4", "M3BP"},
                  {"Siemens", "SEW", "ABB"}),
            Instr("S", kBreaker, "Vor-Ort-Steuerstelle", "24VDC binaer", false, {"8WD44", "M22-S"}, kElectricMakers),
            Instr("H", kSwitch, "Meldeleuchte Betrieb", "24VDC", false, {"3SU1", "M22-L"}, kElectricMakers),
        };
        t.cables = {Cable("M1", "NYY-J-4X2.5", "M", "X2", 1, {1, 2, 3, 4}, {"U", "V", "W", "PE"}, "400V",
                          "Motorzuleitung"),
                    Cable("S1", "OELFLEX-7G1.5", "S", "X1", 1, {1, 2, 3, 4, 5}, {"+24V", "EIN", "AUS", "HAND", "0V"},
                          "24V", "Steuerleitung"),
                    Cable("H1", "NYM-J-3X1.5", "H", "X3", 1, {1, 2, 3}, {"L", "N", "PE"}, "230V", "Meldeleitung")};
        t.pages = {{"Leistungsteil", {{{"M"}, 0, {"K", "Q"}}}},
                   {"Steuerung", {{{"S"}, 1, {"K"}}}},
                   {"Rueckmeldung", {{{"H"}, 2, {}}}}};
        all.push_back(t);
    }
    {
        TTypical t{"TYP_YV", "Ventilsteuerung", "YV", "Ventil", "Y", "YV", 'E', 8, TQuantity::Valve, {}, {}, {}};
        t.instruments = {
            Instr("YV", kContactor, "Magnetventil", "24VDC Befehl", false, {"6213", "VUVG"}, {"Buerkert", "Festo"}),
            Instr("ZSO", kSwitch, "Endschalter AUF", "24VDC binaer", false, {"XCKJ", "3SE5"}, kElectricMakers),
            Instr("ZSC", kSwitch, "Endschalter ZU", "24VDC binaer", false, {"XCKJ", "3SE5"}, kElectricMakers),
        };
        t.cables = {Cable("Y1", "NYM-J-3X1.5", "YV", "X1", 1, {1, 2, 3}, {"+24V", "0V", "PE"}, "24V",
                          "Ansteuerung Magnetventil"),
                    Cable("Z1", "LIYY-3X0.5", "ZSC", "X1", 4, {1, 2, 3}, {"+24V", "DI AUF", "DI ZU"}, "24V",
                          "Endlagenmeldung")};
        t.pages = {{"Ventilsteuerung", {{{"YV"}, 0, {}}, {{"ZSO", "ZSC"}, 1, {}}}}};
        all.push_back(t);
    }
    return all;
}

std::vector<TCableType> BuildCableTypes() {
    const std::vector<std::string> din47100 = {"weiss", "braun", "gruen", "gelb", "grau", "rosa", "blau"};
    auto numbered = [](int n) {
        std::vector<std::string> c;
        for (int i = 1; i < n; ++i) c.push_back("schwarz " + std::to_string(i));
        c.push_back("gruengelb");
        return c;
    };
    return {
        {"LIYCY-2X0.75", 2, "0.75", "Litze", "Lapp", "0035800", "5.4", true, {"weiss", "braun"}, "Signalleitung geschirmt"},
        {"LIYCY-3X0.75", 3, "0.75", "Litze", "Lapp", "0035801", "5.9", true, {"weiss", "braun", "gruen"},
         "Signalleitung geschirmt"},
        {"LIYCY-4X0.75", 4, "0.75", "Litze", "Lapp", "0035802", "6.4", true,
         {din47100.begin(), din47100.begin() + 4}, "Signalleitung geschirmt"},
        {"LIYY-3X0.5", 3, "0.5", "Litze", "Lapp", "0028703", "4.8", false, {"weiss", "braun", "gruen"},
         "Steuerleitung"},
        {"NYM-J-3X1.5", 3, "1.5", "eindraehtig", "Nexans", "NYM3X15", "8.5", false, {"braun", "blau", "gruengelb"},
         "Mantelleitung"},
        {"NYY-J-4X2.5", 4, "2.5", "eindraehtig", "Nexans", "NYY4X25", "12.5", false,
         {"braun", "schwarz", "grau", "gruengelb"}, "Starkstromkabel"},
        {"NYY-J-5X4", 5, "4", "eindraehtig", "Nexans", "NYY5X4", "15.0", false,
         {"braun", "schwarz", "grau", "blau", "gruengelb"}, "Starkstromkabel"},
        {"OELFLEX-7G1.5", 7, "1.5", "Litze", "Lapp", "0011214", "10.3", false, numbered(7), "Steuerleitung"},
    };
}

}  // namespace

const TInstrumentDef& TTypical::Instrument(std::string_view key) const {
    for (const TInstrumentDef& s : instruments)
        if (s.key == key) return s;
    throw std::out_of_range("typical " + name + " has no instrument " + std::string(key));
}

int32_t TTypical::CableOf(std::string_view key) const {
    for (size_t i = 0; i < cables.size(); ++i)
        if (cables[i].target == key) return static_cast<int32_t>(i);
    return -1;
}

const std::vector<TTypical>& Typicals() {
    static const std::vector<TTypical> typicals = BuildTypicals();
    return typicals;
}

const TTypical& Typical(std::string_view name) {
    for (const TTypical& t : Typicals())
        if (t.name == name) return t;
    throw std::out_of_range("no typical " + std::string(name));
}

const std::vector<TCableType>& CableTypes() {
    static const std::vector<TCableType> types = BuildCableTypes();
    return types;
}

const TCableType& CableType(std::string_view name) {
    for (const TCableType& t : CableTypes())
        if (t.name == name) return t;
    throw std::out_of_range("no cable type " + std::string(name));
}

std::string SymbolName(int16_t symbolType) {
    switch (symbolType) {
        case 1: return "MSR_FUEHLER";
        case 3: return "MSR_MESSUMFORMER";
        case 4: return "MSR_ANZEIGE";
        case 5: return "MSR_REGLER";
        case 6: return "MSR_STELLVENTIL";
        case 7: return "KLEMME";
        case 8: return "ADER";
        case 9: return "SCHRIFTFELD";
        case 10: return "MSR_STELLUNGSREGL";
        case 11: return "MSR_SCHALTER";
        case 12: return "E_SCHALTER";
        case 14: return "E_SPULE";
        case 16: return "E_MOTOR";
        default: return "SYMBOL";
    }
}

}  // namespace korin::demo
