// The readers behind OpenSource, one per format, and the helpers they share.
#pragma once

#include <memory>
#include <string>

#include "extdb/ext_source.h"

namespace korin::extdb {

std::unique_ptr<IExtSource> OpenAccessSource(const std::string& path);
std::unique_ptr<IExtSource> OpenParadoxSource(const std::string& path);
std::unique_ptr<IExtSource> OpenDBaseSource(const std::string& path);
std::unique_ptr<IExtSource> OpenSQLiteSource(const std::string& path);

// Whether a Paradox file's header counts fit the file: pxlib walks them on
// opening and must not be given a header that sends it far beyond the end.
bool ParadoxHeaderPlausible(const std::string& path);

// Raises korin::Exception with the message of extdb/ext_source.h.
[[noreturn]] void ThrowNotOfFormat(const std::string& path, TExtFormat format);
[[noreturn]] void ThrowDamaged(const std::string& path);
[[noreturn]] void ThrowNoTable(const std::string& name, const std::string& path);

// Bytes of the code page `charset` (an iconv name) as UTF-8; a byte that does
// not convert becomes "?".
std::string ToUtf8(const std::string& bytes, const char* charset);
bool IsValidUtf8(const std::string& bytes);
// Equality ignoring the case of ASCII letters.
bool SameName(const std::string& a, const std::string& b);
// The file's name without folder and extension.
std::string BaseName(const std::string& path);
// A double written as the shortest text that reads back the same ("0.1", "444.555").
std::string DoubleText(double value);

}  // namespace korin::extdb
