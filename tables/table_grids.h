// The grids of the table module without their windows: what the structure,
// index and contents views show, print and export, and the whole-table
// operations behind the module's buttons.
//
// Structure grid (6 columns, row 0 the header): "", "Code", "Name", "Länge",
// "Typ", "Zeigen"; row i + 1 field i: id, name, width, type code, "1". Default
// widths 12, 60, 384, 60, 36, 42.
// Index grid (22 x 22, row 0 the header): "", "Schlüsselname", "Feldname 1" ..
// "Feldname 20"; row 1 "*", "Primärindex", the primary key field's name or "kein
// Schlüssel"; row 2 + k secondary key k: "*" when unique, its name, its fields'
// names in key order (at most 20 keys of at most 20 fields). Column widths 12,
// then 160.
// Contents grid: the chosen fields as columns, row 0 their names, row r the
// r-th record in key order; record texts are OEM texts (code page 850) and are
// shown converted.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tables/prt_grid.h"

namespace korin {

class TKorTable;

// Code page 850 bytes as UTF-8 (a text ends at its first NUL).
std::string OemToUtf8(std::string_view bytes);

void FillStructureGrid(TKorTable& table, TPrtTextGrid& grid);
void FillIndexGrid(TKorTable& table, TPrtTextGrid& grid);
inline constexpr int32_t kStructureWidths[6] = {12, 60, 384, 60, 36, 42};
inline constexpr int32_t kIndexGridSize = 22;

// The width in pixels a contents column has before the user changes it: room
// for the field's width in characters (at most 40) or its name, whichever is
// wider.
int32_t DefaultColumnWidth(int32_t fieldWidth, size_t nameLength);

// One column of the contents grid.
struct TContentsColumn {
    int32_t field = 0;   // 0-based field index
    int32_t width = 0;   // pixels
};

// The contents grid over a table of the project. It reads through its own
// table object on the same files, so that printing never moves another
// object's position; rows are read one at a time.
class TTableContentsGrid : public TPrtGrid {
public:
    // Opens the reader on the table's files; every field a column of its
    // default width. A table that does not open gives an empty grid.
    explicit TTableContentsGrid(const TKorTable& table);
    ~TTableContentsGrid() override;

    std::vector<TContentsColumn> Columns;

    int32_t ColCount() const override { return static_cast<int32_t>(Columns.size()); }
    int32_t RowCount() const override;
    int32_t ColWidth(int32_t c) const override;
    std::string Cell(int32_t c, int32_t r) override;

private:
    std::unique_ptr<TKorTable> reader_;
    int32_t rows_ = 0;
    int32_t currentRecord_ = -1;
};

// "Tabelle leeren": empties the table (Empty). Any failure is raised as
// Exception "Die Tablelle ist noch in einer anderen Ansicht geöffnet. Diese
// Aktion kann nicht durchgeführt werden!"; the files are then as they were
// (the store replaces them only when the new ones are complete).
void EmptyTable(TKorTable& table);
inline constexpr const char* kEmptyQuestion = "Soll der Inhalt der Tabelle wirklich gelöscht werden?";
inline constexpr const char* kEmptyRefused =
    "Die Tablelle ist noch in einer anderen Ansicht geöffnet. Diese Aktion kann nicht durchgeführt werden!";

// Renames field i as the structure view's name column does; false when the
// store refuses the name. Announces the change to the table's watchers.
bool RenameField(TKorTable& table, int32_t i, const std::string& name);

// Which fields the contents grid shows and how wide: `visible(name)` gives the
// stored "Visible" flag (-1 absent), `width(name)` the stored width (-1
// absent). Fields without a flag, or with 1, are shown.
template <typename VisibleOf, typename WidthOf>
std::vector<TContentsColumn> ChooseColumns(const TKorTable& table, VisibleOf&& visible, WidthOf&& width);

}  // namespace korin

#include "store/kor_table.h"

namespace korin {

template <typename VisibleOf, typename WidthOf>
std::vector<TContentsColumn> ChooseColumns(const TKorTable& table, VisibleOf&& visible, WidthOf&& width) {
    std::vector<TContentsColumn> columns;
    const auto& defs = table.FieldDefs();
    for (int32_t i = 0; i < defs.FieldCount(); ++i) {
        const std::string name = defs.FieldName(i);
        const int flag = visible(name);
        if (flag != -1 && flag != 1) continue;
        const int stored = width(name);
        columns.push_back({i, stored >= 0 ? stored : DefaultColumnWidth(defs.FieldWidth(i), name.size())});
    }
    return columns;
}

}  // namespace korin
