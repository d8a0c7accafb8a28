// Comma texts of the measure point fields ORIGINAL, ORIGPATH, DRAWING and of
// the original list.
//
// Reading: an item ends at a comma or at a character up to " " unless it is
// enclosed in double quotes (inner quotes doubled); characters up to " " before
// an item and a comma at the very end produce no item; two commas in a row give
// an empty item.
// Writing (JoinCommaText): items joined by ","; an item that holds a character
// up to " ", a comma or a double quote is enclosed in double quotes, inner
// quotes doubled. A single empty item is written as "".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korin::msr {

std::vector<std::string> SplitCommaText(std::string_view text);
std::string JoinCommaText(const std::vector<std::string>& items);

// Whether the list holds the text (exact comparison).
bool Contains(const std::vector<std::string>& items, std::string_view text);

}  // namespace korin::msr
