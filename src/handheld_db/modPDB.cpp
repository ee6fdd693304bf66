#include "modPDB.h"

#include <algorithm>

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

namespace dovrex {

void WriteTextBytes(std::string_view text, size_t size, char* out) {
    std::fill(out, out + size, '\0');
    std::copy_n(text.data(), std::min(size, text.size()), out);
}

void WriteValueBytes(const Value& value, size_t size, char* out) {
    if (value.IsText()) return WriteTextBytes(value.Text(), size, out);
    if (value.IsDate()) RaiseError(ErrTypeMismatch);
    // A whole number needs no rounding, only the 32-bit range check.
    WriteIntegerBytes(value.GetKind() == Value::Kind::Integer ? value.Integer() : CLng(value.ToNumber()), size, out);
}

std::string ValueToBytes(const Value& value, size_t size) {
    std::string bytes(size, '\0');
    WriteValueBytes(value, size, bytes.data());
    return bytes;
}

std::string BigEndian16(uint32_t value) {
    return {static_cast<char>((value >> 8) & 0xFF), static_cast<char>(value & 0xFF)};
}

std::string BigEndian32(uint32_t value) {
    return {static_cast<char>((value >> 24) & 0xFF), static_cast<char>((value >> 16) & 0xFF),
            static_cast<char>((value >> 8) & 0xFF), static_cast<char>(value & 0xFF)};
}

uint32_t ReadBigEndian16(std::string_view bytes, size_t offset) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset])) << 8) |
           static_cast<unsigned char>(bytes[offset + 1]);
}

uint32_t ReadBigEndian32(std::string_view bytes, size_t offset) {
    return (ReadBigEndian16(bytes, offset) << 16) | ReadBigEndian16(bytes, offset + 2);
}

} // namespace dovrex
