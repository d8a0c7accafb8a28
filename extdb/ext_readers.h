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

// Whether a Paradox file's header counts fit the file and its chain of data
// blocks ends within them: pxlib walks the chain on opening without a bound,
// so a header that sends it beyond the end or a ring of blocks would keep it
// reading for ever. An encrypted table's links are known only after
// decryption: it passes unchecked when `allowEncrypted` (the source readers
// run pxlib in a child process), else it is refused.
bool ParadoxHeaderPlausible(const std::string& path, bool allowEncrypted = true);

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
