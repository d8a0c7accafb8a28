#include "tables/table_grids.h"

#include <iconv.h>

#include <algorithm>
#include <cstring>

#include "store/kor_error.h"
#include "store/kor_table_watch.h"

namespace korin {
namespace {

// One UTF-8 text per byte of code page 850, built once through iconv; a byte
// without a character stays the control character of its number.
const std::vector<std::string>& OemTable() {
    static const std::vector<std::string> table = [] {
        std::vector<std::string> t(256);
        iconv_t cd = iconv_open("UTF-8", "CP850");
        for (int b = 0; b < 256; ++b) {
            char in[1] = {static_cast<char>(b)};
            char out[8] = {};
            char* from = in;
            size_t fromLeft = 1;
            char* to = out;
            size_t toLeft = sizeof out;
            if (cd != reinterpret_cast<iconv_t>(-1) && b >= 0x80 &&
                iconv(cd, &from, &fromLeft, &to, &toLeft) != static_cast<size_t>(-1)) {
                t[static_cast<size_t>(b)] = std::string(out, sizeof out - toLeft);
            } else if (b < 0x80) {
                t[static_cast<size_t>(b)] = std::string(1, static_cast<char>(b));
            } else {
                // U+0080 .. U+00FF as UTF-8.
                t[static_cast<size_t>(b)] = {static_cast<char>(0xC0 | (b >> 6)), static_cast<char>(0x80 | (b & 0x3F))};
            }
        }
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
        return t;
    }();
    return table;
}

}  // namespace

std::string OemToUtf8(std::string_view bytes) {
    const auto& table = OemTable();
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        if (ch == '\0') break;
        out += table[static_cast<unsigned char>(ch)];
    }
    return out;
}

void FillStructureGrid(TKorTable& table, TPrtTextGrid& grid) {
    grid.Widths.assign(std::begin(kStructureWidths), std::end(kStructureWidths));
    grid.Cells.clear();
    grid.Cells.push_back({"", "Code", "Name", "Länge", "Typ", "Zeigen"});
    const auto& defs = table.FieldDefs();
    for (int32_t i = 0; i < defs.FieldCount(); ++i)
        grid.Cells.push_back({"", std::to_string(defs.FieldId(i)), defs.FieldName(i),
                              std::to_string(defs.FieldWidth(i)), std::to_string(defs.FieldType(i)), "1"});
}

void FillIndexGrid(TKorTable& table, TPrtTextGrid& grid) {
    grid.Widths.assign(kIndexGridSize, 160);
    grid.Widths[0] = 12;
    grid.Cells.assign(kIndexGridSize, std::vector<std::string>(kIndexGridSize));
    grid.Cells[0][1] = "Schlüsselname";
    for (int32_t c = 2; c < kIndexGridSize; ++c) grid.Cells[0][static_cast<size_t>(c)] = "Feldname " + std::to_string(c - 1);
    grid.Cells[1][0] = "*";
    grid.Cells[1][1] = "Primärindex";
    const int32_t primary = table.PrimaryKeyField();
    grid.Cells[1][2] = primary >= 1 && primary <= table.FieldCount() ? table.FieldDefs().FieldName(primary - 1)
                                                                      : "kein Schlüssel";
    const int32_t keys = std::min(table.SecondaryKeyCount(), kIndexGridSize - 2);
    for (int32_t k = 0; k < keys; ++k) {
        auto& row = grid.Cells[static_cast<size_t>(2 + k)];
        row[0] = table.SecondaryKeyUnique(k) ? "*" : "";
        row[1] = table.SecondaryKeyName(k);
        const int32_t fields = std::min(table.SecondaryKeyFieldCount(k), kIndexGridSize - 2);
        for (int32_t j = 0; j < fields; ++j) row[static_cast<size_t>(2 + j)] = table.SecondaryKeyFieldName(k, j);
    }
}

int32_t DefaultColumnWidth(int32_t fieldWidth, size_t nameLength) {
    const auto chars = std::max<int64_t>(std::min<int64_t>(std::max(fieldWidth, 1), 40),
                                         static_cast<int64_t>(nameLength));
    return static_cast<int32_t>(std::min<int64_t>(chars, 60) * 7 + 8);
}

TTableContentsGrid::TTableContentsGrid(const TKorTable& table) : reader_(std::make_unique<TKorTable>()) {
    reader_->SetProject(table.Project());
    reader_->SetFileName(table.FileName());
    reader_->SetKeyFileName(table.KeyFileName());
    reader_->Open();
    if (!reader_->IsOpen()) return;
    rows_ = reader_->RecordCount();
    const auto& defs = reader_->FieldDefs();
    for (int32_t i = 0; i < defs.FieldCount(); ++i)
        Columns.push_back({i, DefaultColumnWidth(defs.FieldWidth(i), defs.FieldName(i).size())});
}

TTableContentsGrid::~TTableContentsGrid() = default;

int32_t TTableContentsGrid::RowCount() const { return rows_ + 1; }

int32_t TTableContentsGrid::ColWidth(int32_t c) const {
    return c >= 0 && c < ColCount() ? Columns[static_cast<size_t>(c)].width : 0;
}

std::string TTableContentsGrid::Cell(int32_t c, int32_t r) {
    if (c < 0 || c >= ColCount() || r < 0 || r > rows_ || !reader_->IsOpen()) return {};
    const int32_t field = Columns[static_cast<size_t>(c)].field;
    if (r == 0) return reader_->FieldDefs().FieldName(field);
    if (currentRecord_ != r - 1) {
        reader_->GoTo(r - 1);
        currentRecord_ = r - 1;
    }
    return OemToUtf8(reader_->Records().GetFieldView(field));
}

void EmptyTable(TKorTable& table) {
    try {
        table.Empty();
    } catch (const std::exception&) {
        throw Exception(kEmptyRefused);
    }
}

bool RenameField(TKorTable& table, int32_t i, const std::string& name) {
    if (!table.FieldDefs().SetFieldName(i, name)) return false;
    AnnounceTableChange(table.FullPath(), TKorTableChange::Structure);
    return true;
}

}  // namespace korin
