// 8-bit store texts as QString.
//
// The store keeps texts as the bytes it was given. Record texts of tables are
// OEM texts (code page 850, as the DOS-era import tools wrote them); catalogue
// names and long texts are ANSI texts (Windows-1252) when the project was written
// on Windows, and UTF-8 when it was written by korintool from a UTF-8 shell.
// This is the one place where such bytes become QString.
//
// Both tables cover all 256 byte values: a byte that a code page leaves
// undefined becomes the control character of the same number, so that no text
// is lost on the way to the screen. A text ends at its first NUL byte.
#pragma once

#include <QString>
#include <string_view>

namespace korin {

// Code page 850 to Unicode (through iconv).
QString FromOem(std::string_view bytes);
// Windows-1252 to Unicode (through iconv).
QString FromAnsi(std::string_view bytes);
// Catalogue texts: UTF-8 when the bytes are valid UTF-8, else Windows-1252.
QString FromCatalogue(std::string_view bytes);

}  // namespace korin
