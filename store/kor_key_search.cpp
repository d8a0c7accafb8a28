#include "store/kor_key_search.h"

#include <algorithm>
#include <cstring>

namespace korin {

void TKorSearchPart::Set(std::string_view part) {
    number_ = part.size() > 1 ? static_cast<uint8_t>(part[1]) : 0;
    anyType_ = number_ == 255;
    const std::string_view text = part.size() > 2 ? part.substr(2) : std::string_view();
    size_ = static_cast<uint8_t>(std::min<size_t>(text.size(), keynode::kNameChars));
    std::memset(padded_, 0, sizeof padded_);
    std::memcpy(padded_, text.data(), size_);
    digits_ = searchpart::Compare32(padded_, padded_).digit;
}

}  // namespace korin
