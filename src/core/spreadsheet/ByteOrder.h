#pragma once
// Little-endian access to byte buffers, shared by the compound-file and record code. The load
// functions do no bounds checks: their callers check every length against the buffer first.

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace mervalon::spreadsheet {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline std::uint16_t loadU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t loadU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint64_t loadU64(const std::uint8_t* p)
{
    return static_cast<std::uint64_t>(loadU32(p)) | (static_cast<std::uint64_t>(loadU32(p + 4)) << 32);
}

inline double loadDouble(const std::uint8_t* p)
{
    const std::uint64_t bits = loadU64(p);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void storeU16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void storeU32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

inline void appendU8(Bytes& out, std::uint8_t v)
{
    out.push_back(v);
}

inline void appendU16(Bytes& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void appendU32(Bytes& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

inline void appendDouble(Bytes& out, double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    appendU32(out, static_cast<std::uint32_t>(bits));
    appendU32(out, static_cast<std::uint32_t>(bits >> 32));
}

inline void appendBytes(Bytes& out, ByteView bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

} // namespace mervalon::spreadsheet
