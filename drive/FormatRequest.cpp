#include "drive/FormatRequest.h"

#include <string>
#include <utility>

#include "core/Bytes.h"
#include "core/Error.h"

namespace vellum {

namespace {

// Word offsets of the block.
constexpr std::size_t kCylinder = 4;
constexpr std::size_t kCylinderAgain = 8;
constexpr std::size_t kSizeCode = 24;
constexpr std::size_t kSectorsPerTrack = 28;
constexpr std::array<std::size_t, kHeads> kIdLists = {40, 220};
constexpr std::size_t kWord = 4;
// Fields whose meaning is the driver's own; sent as the driver expects them.
constexpr std::array<std::pair<std::size_t, std::uint32_t>, 3> kDriverConstants = {{{12, 3}, {16, 15}, {32, 1}}};

constexpr std::uint32_t kMaxCylinder = 255;
constexpr std::uint32_t kMaxSizeCode = 7;
constexpr std::uint32_t kMaxSectorId = 255;

} // namespace

std::array<std::uint8_t, FormatRequest::kSize> FormatRequest::build(const CylinderFormat& format)
{
    const std::size_t count = format.sectorIds[0].size();
    if (format.sectorIds[1].size() != count)
        throw Error("Both heads of a cylinder need the same number of sector IDs, not " + std::to_string(count) +
                    " and " + std::to_string(format.sectorIds[1].size()));
    if (count > kMaxSectorIds)
        throw Error("A track holds at most " + std::to_string(kMaxSectorIds) + " sector IDs, not " +
                    std::to_string(count));
    std::array<std::uint8_t, kSize> block{};
    putLe32(block, kCylinder, format.cylinder);
    putLe32(block, kCylinderAgain, format.cylinder);
    for (const auto& [offset, value] : kDriverConstants)
        putLe32(block, offset, value);
    putLe32(block, kSizeCode, format.sizeCode);
    putLe32(block, kSectorsPerTrack, static_cast<std::uint32_t>(count));
    for (int head = 0; head < kHeads; ++head)
        for (std::size_t i = 0; i < count; ++i)
            putLe32(block, kIdLists[head] + i * kWord, format.sectorIds[head][i]);
    return block;
}

std::optional<CylinderFormat> FormatRequest::parse(std::span<const std::uint8_t> block)
{
    if (block.size() < kSize)
        return std::nullopt;
    CylinderFormat format;
    format.cylinder = le32(block, kCylinder);
    format.sizeCode = le32(block, kSizeCode);
    const std::uint32_t count = le32(block, kSectorsPerTrack);
    if (format.cylinder > kMaxCylinder || format.sizeCode > kMaxSizeCode || count == 0 || count > kMaxSectorIds)
        return std::nullopt;
    for (int head = 0; head < kHeads; ++head) {
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t id = le32(block, kIdLists[head] + i * kWord);
            if (id == 0 || id > kMaxSectorId)
                return std::nullopt;
            format.sectorIds[head].push_back(static_cast<std::uint8_t>(id));
        }
    }
    return format;
}

} // namespace vellum
