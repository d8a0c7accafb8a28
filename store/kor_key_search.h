// A key part made ready to be compared with many nodes.
//
// A descent compares one part with some twenty nodes of a tree. The part's
// text is laid out once as a node holds its name (the first 32 characters,
// zero behind them), so that a comparison finds the first place where the two
// differ and the digit runs there in a few vector compares, and applies the
// rules of TextCompare (store/kor_text_compare.h) at that place alone. A NUL
// inside the part's text needs no rule of its own: a node's name holds none,
// so the two differ there, or the name ends there, as the byte order says.
#pragma once

#include <cstdint>
#include <string_view>

namespace korin {

class TKorSearchPart {
public:
    // A key part: letter, number byte, text (store/kor_key_file.h).
    void Set(std::string_view part);
    // Negative when the part sorts before the node (64 bytes of a key file),
    // positive after it, 0 for the node's part; the number byte 255 matches
    // any Type.
    int Compare(const uint8_t* node) const;

private:
    int CompareText(const uint8_t* name) const;

    int32_t number_ = 0;
    bool anyType_ = false;
    uint8_t size_ = 0;  // significant characters
    alignas(16) unsigned char padded_[32] = {};
    uint32_t digits_ = 0;  // bit i: character i is a digit
};

}  // namespace korin
