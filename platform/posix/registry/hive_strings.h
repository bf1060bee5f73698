// The hive keeps text as the registry does, in Unicode; the 8-bit entry points see it through
// the system code page (Windows-1252).
//
// Key and value names are held as UTF-8 in which a lone surrogate is encoded like any other
// code point, so that every UTF-16 name, well formed or not, comes back unchanged. Data of the
// string types is held as UTF-16LE bytes, exactly as stored.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vp::registry {

// UTF-16LE bytes <-> held names. An odd last byte of `wide` is dropped.
std::string NameFromWide(std::string_view wide);
std::string WideFromName(std::string_view name);
// A name's length in UTF-16 code units, the unit of the registry's bounds and buffers.
std::size_t NameUnits(std::string_view name);

// Code page 1252 <-> held names; a character the code page lacks reads as '?', one for each
// UTF-16 unit, so the 8-bit length of a name is always its length in units.
std::string NameFromAnsi(std::string_view ansi);
std::string AnsiFromName(std::string_view name);

// Code page 1252 <-> UTF-16LE bytes, for data of the string types. An odd last byte of `wide`
// is kept as it is.
std::string WideFromAnsi(std::string_view ansi);
std::string AnsiFromWide(std::string_view wide);

// Names compare as the registry compares them: letters folded to upper case (ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic).
std::string FoldName(std::string_view name);

}  // namespace vp::registry
