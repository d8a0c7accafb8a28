// Arguments shared by the command families that create tables.
#pragma once

#include <cstdint>
#include <string>

#include "store/kor_table.h"

namespace korintool {

// A number in [low, high]; a usage error otherwise.
int32_t ParseInt32(const std::string& text, const char* what, int64_t low = INT32_MIN,
                   int64_t high = INT32_MAX);

// A field definition NAME[#ID]:KIND[:SIZE]; KIND is smallint, integer, word,
// float or string, and only a string takes a SIZE.
korin::TKorNewField ParseField(const std::string& arg);

}  // namespace korintool
