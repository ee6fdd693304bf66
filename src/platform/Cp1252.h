#pragma once

#include <string>
#include <string_view>

namespace dovrex {

// Text travels through the core as single-byte Windows-1252; the front ends convert
// at their boundary. Undefined code points (81, 8D, 8F, 90, 9D) map to U+FFFD.
std::string Cp1252ToUtf8(std::string_view text);
// Characters with no Windows-1252 form become "?"; malformed UTF-8 bytes likewise.
std::string Utf8ToCp1252(std::string_view text);

} // namespace dovrex
