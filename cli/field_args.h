// Arguments shared by the command families that create tables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/kor_table.h"

namespace korintool {

// A number in [low, high]; a usage error otherwise.
int32_t ParseInt32(const std::string& text, const char* what, int64_t low = INT32_MIN,
                   int64_t high = INT32_MAX);

// A field definition NAME[#ID]:KIND[:SIZE]; KIND is smallint, integer, word,
// float or string, and only a string takes a SIZE.
korin::TKorNewField ParseField(const std::string& arg);

// The definition of a new table: FIELD arguments, "--primary N" (1-based,
// 0 = none; default 1) and one text option ("--title" or "--text") in any order
// from args[from]. At least one FIELD is needed.
struct TableDefinition {
    std::string text;
    int32_t primary = 1;
    std::vector<korin::TKorNewField> fields;
};
TableDefinition ParseTableDefinition(const std::vector<std::string>& args, size_t from,
                                     const std::string& textOption);

}  // namespace korintool
