#pragma once
// Little-endian field access for the fixed-size binary records (.rpf, .rp4).
// Records are plain byte arrays; every field lives at a fixed offset, so encoding and
// decoding are written as explicit offset tables rather than struct overlays.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace mervalon::config {

using ByteView = std::span<const std::uint8_t>;
using ByteSpan = std::span<std::uint8_t>;

/// Reads a Boolean byte: only 1 is true for the writers' purposes, but any non-zero byte
/// is kept as read (see readByte) so that comparisons work on stored values.
inline std::uint8_t readByte(ByteView record, std::size_t offset)
{
    return record[offset];
}

inline void writeByte(ByteSpan record, std::size_t offset, std::uint8_t value)
{
    record[offset] = value;
}

inline std::int32_t readInt32(ByteView record, std::size_t offset)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(record[offset + i]) << (8 * i);
    }
    return static_cast<std::int32_t>(value);
}

inline void writeInt32(ByteSpan record, std::size_t offset, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) {
        record[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

inline double readDouble(ByteView record, std::size_t offset)
{
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        bits |= static_cast<std::uint64_t>(record[offset + i]) << (8 * i);
    }
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void writeDouble(ByteSpan record, std::size_t offset, double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (std::size_t i = 0; i < 8; ++i) {
        record[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

/// Reads a length-prefixed text of the given capacity. A length byte larger than the
/// capacity (a damaged file) is clamped to the capacity instead of reading past the field.
inline std::string readShortString(ByteView record, std::size_t offset, std::size_t capacity)
{
    std::size_t length = record[offset];
    if (length > capacity) {
        length = capacity;
    }
    return std::string(reinterpret_cast<const char*>(record.data() + offset + 1), length);
}

/// Writes a length-prefixed text, cut to its capacity; the unused tail is zero.
inline void writeShortString(ByteSpan record, std::size_t offset, std::size_t capacity, std::string_view text)
{
    const std::size_t length = text.size() < capacity ? text.size() : capacity;
    record[offset] = static_cast<std::uint8_t>(length);
    std::memset(record.data() + offset + 1, 0, capacity);
    std::memcpy(record.data() + offset + 1, text.data(), length);
}

} // namespace mervalon::config
