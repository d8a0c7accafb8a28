#include "drawing/kor_draw_rows.h"

#include <array>
#include <string_view>

#include "drawing/kor_drawing.h"

namespace korin {
namespace {

constexpr std::array<const char*, kDrawRowFields> kFieldNames{"SymNo", "SymTyp", "SymName", "CodeNo", "CodeText"};
constexpr size_t kNameChars = 32;
constexpr size_t kCodeChars = 138;

bool IsTextField(int field) { return field == 2 || field == 4; }

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    return s;
}

std::string_view Trim(std::string_view s) {
    s = TrimLeft(s);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

}  // namespace

const char* DrawRowFieldName(int field) {
    return field >= 0 && field < kDrawRowFields ? kFieldNames[static_cast<size_t>(field)] : "";
}

std::string DrawRowField(const TKorDrawRow& row, int field) {
    switch (field) {
        case 0: return std::to_string(row.symNo);
        case 1: return std::to_string(row.symTyp);
        case 2: return row.symName;
        case 3: return std::to_string(row.codeNo);
        case 4: return row.codeText;
        default: return {};
    }
}

std::vector<TKorDrawRow> BuildDrawRows(const TKorDrawing& drawing, TKorDrawTable table) {
    std::vector<TKorDrawRow> rows;
    const TKorDrawSymList& symbols = drawing.Symbols();
    rows.reserve(static_cast<size_t>(symbols.Count()));
    for (int32_t i = 0; i < symbols.Count(); ++i) {
        const TKorDrawSym& s = *symbols.Get(i);
        std::string name = s.Name().substr(0, kNameChars);
        if (table == TKorDrawTable::Symbol) {
            rows.push_back({i, s.SymbolType(), std::move(name), 0, {}});
            continue;
        }
        for (int32_t c = 0; c < s.CodeCount(); ++c)
            rows.push_back({i, s.SymbolType(), name, s.CodeNumberAt(c), s.CodeTextAt(c).substr(0, kCodeChars)});
    }
    return rows;
}

TKorDrawFilter::TKorDrawFilter(const std::string& text) {
    std::string_view rest = text;
    if (rest.empty()) return;
    int field = -1;
    for (int f = 0; f < kDrawRowFields && field < 0; ++f)
        if (rest.starts_with(kFieldNames[static_cast<size_t>(f)])) field = f;
    if (field < 0) return;
    rest = TrimLeft(rest.substr(std::string_view(kFieldNames[static_cast<size_t>(field)]).size()));
    static constexpr std::array<std::pair<std::string_view, Op>, 7> kOps{{{"<=", Op::LessEqual},
                                                                         {">=", Op::GreaterEqual},
                                                                         {"<>", Op::NotEqual},
                                                                         {"LIKE", Op::Like},
                                                                         {"=", Op::Equal},
                                                                         {"<", Op::Less},
                                                                         {">", Op::Greater}}};
    Op op = Op::None;
    for (const auto& [token, code] : kOps)
        if (op == Op::None && rest.starts_with(token)) {
            op = code;
            rest.remove_prefix(token.size());
        }
    if (op == Op::None) return;
    rest = Trim(rest);
    if (IsTextField(field)) rest = rest.size() >= 2 ? rest.substr(1, rest.size() - 2) : std::string_view();
    field_ = field;
    op_ = op;
    text_ = rest;
}

bool TKorDrawFilter::Accepts(const TKorDrawRow& row) const {
    if (field_ < 0) return true;
    const std::string value = DrawRowField(row, field_);
    const int order = value.compare(text_);
    switch (op_) {
        case Op::Equal: return order == 0;
        case Op::Less: return order < 0;
        case Op::Greater: return order > 0;
        case Op::LessEqual: return order <= 0;
        case Op::GreaterEqual: return order >= 0;
        case Op::NotEqual: return order != 0;
        case Op::Like: return value.find(text_) != std::string::npos;
        default: return true;
    }
}

}  // namespace korin
