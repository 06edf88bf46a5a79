#pragma once
// Field access for byte layouts, so no packed struct is ever cast over a
// buffer: little-endian for on-disk layouts (boot sectors, directory
// entries, file headers), big-endian for SCSI command blocks and answers.
#include <cstddef>
#include <cstdint>
#include <span>

namespace vellum {

inline std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

inline std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

inline void putLe16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v)
{
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void putLe32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The `bytes` low bytes of a big-endian field.
inline std::uint32_t beN(std::span<const std::uint8_t> b, std::size_t at, std::size_t bytes)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < bytes; ++i)
        v = (v << 8) | b[at + i];
    return v;
}

inline void putBeN(std::span<std::uint8_t> b, std::size_t at, std::size_t bytes, std::uint32_t v)
{
    for (std::size_t i = 0; i < bytes; ++i)
        b[at + bytes - 1 - i] = static_cast<std::uint8_t>(v >> (8 * i));
}

} // namespace vellum
