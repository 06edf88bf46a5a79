#pragma once
// The track driver's cylinder-format request: a 404-byte block of 32-bit
// little-endian words naming the cylinder, the sector size code, the sectors
// per track and, for each head, the sector IDs in physical order. Both heads
// of the cylinder are formatted by one request; the reply block is 32 bytes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/Bpb.h"

namespace vellum {

inline constexpr std::uint32_t kSizeCode512 = 2; // 128 << 2 bytes per sector
inline constexpr std::uint8_t kFormatFillByte = 0xF6;

struct CylinderFormat {
    std::uint32_t cylinder = 0;
    std::uint32_t sizeCode = kSizeCode512;
    // Per head, the IDs written into the physical sector slots in order.
    std::array<std::vector<std::uint8_t>, kHeads> sectorIds;

    std::uint32_t sectorsPerTrack() const { return static_cast<std::uint32_t>(sectorIds[0].size()); }
};

class FormatRequest {
public:
    static constexpr std::size_t kSize = 404;
    static constexpr std::size_t kReplySize = 32;
    static constexpr std::size_t kMaxSectorIds = 45;

    // Throws Error when the heads differ in length or a list exceeds 45 IDs.
    static std::array<std::uint8_t, kSize> build(const CylinderFormat& format);
    // Empty when the block is short or a field is out of range.
    static std::optional<CylinderFormat> parse(std::span<const std::uint8_t> block);
};

} // namespace vellum
