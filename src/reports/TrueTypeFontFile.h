#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace dovrex {

// Big-endian fields of a font table (TrueType and OpenType tables); 0 past the table's end.
uint32_t FontTableUnsigned(std::string_view table, size_t at, int bytes);
int32_t FontTableSigned16(std::string_view table, size_t at);

// The PostScript name (name record 6) of a face's name table; empty when it has none.
std::string FontPostScriptName(std::string_view names);

// A TrueType font file of a face's tables for a PDF file to embed: the tables a PDF viewer
// draws with (cmap, glyf, loca, hinting, metrics, names), each asked of the face by its tag
// (empty when the face has none), behind a table directory with their checksums, and the
// head table's whole-file checksum adjustment set.
std::string TrueTypeFontFile(const std::function<std::string(const char* tag)>& tableOf);

} // namespace dovrex
