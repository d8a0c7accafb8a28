// The order of key texts.
//
// Texts are compared on their first 32 characters. A leading run of digits is
// compared as a number (more digits sort later, leading zeros included: "8"
// before "007"; a text without a leading run sorts before one with a run:
// "abc" before "1abc"). Then characters are compared by byte code, except that a
// digit maps to its value 0..9 and so sorts before every printable character;
// where both texts reach a digit at the same place, the two digit runs are
// compared as numbers again ("a2" before "a10"). Equal prefixes: the shorter text
// first. The result's sign is the order; its size carries no meaning.
#pragma once

#include <string_view>

namespace korin {

int TextCompare(std::string_view a, std::string_view b);

}  // namespace korin
