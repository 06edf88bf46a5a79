#include "core/Bpb.h"

#include <bit>

#include "core/Bytes.h"

namespace vellum {

namespace {

constexpr std::uint16_t kMaxSectorsPerTrack = 36;
constexpr std::uint16_t kMaxHeads = 2;
constexpr std::uint8_t kMaxFats = 2;
constexpr std::uint8_t kLowestMediaDescriptor = 0xF0;
constexpr std::uint16_t kDirEntriesPerSector = kSectorBytes / 32;

// Boot sector, FATs and root directory.
unsigned systemSectors(const Bpb& b)
{
    return b.reservedSectors + unsigned{b.numberOfFats} * b.sectorsPerFat + b.rootEntries / kDirEntriesPerSector;
}

bool plausible(const Bpb& b, std::uint32_t mediumSectors)
{
    return b.bytesPerSector == kSectorBytes && std::has_single_bit(b.sectorsPerCluster) &&
           b.reservedSectors >= 1 && b.numberOfFats >= 1 && b.numberOfFats <= kMaxFats &&
           b.rootEntries > 0 && b.rootEntries % kDirEntriesPerSector == 0 &&
           b.totalSectors == mediumSectors && b.mediaDescriptor >= kLowestMediaDescriptor &&
           b.sectorsPerFat >= 1 && b.sectorsPerTrack >= 1 && b.sectorsPerTrack <= kMaxSectorsPerTrack &&
           b.heads >= 1 && b.heads <= kMaxHeads && b.totalSectors % (b.sectorsPerTrack * b.heads) == 0 &&
           systemSectors(b) < b.totalSectors;
}

} // namespace

std::uint32_t Bpb::cylinders() const
{
    const std::uint32_t perCylinder = std::uint32_t{sectorsPerTrack} * heads;
    return perCylinder == 0 ? 0 : totalSectors / perCylinder;
}

std::optional<Bpb> Bpb::fromBootSector(std::span<const std::uint8_t> sector, std::uint32_t mediumSectors)
{
    if (sector.size() < kSectorBytes)
        return std::nullopt;
    Bpb b;
    b.bytesPerSector = le16(sector, 11);
    b.sectorsPerCluster = sector[13];
    b.reservedSectors = le16(sector, 14);
    b.numberOfFats = sector[16];
    b.rootEntries = le16(sector, 17);
    b.totalSectors = le16(sector, 19);
    b.mediaDescriptor = sector[21];
    b.sectorsPerFat = le16(sector, 22);
    b.sectorsPerTrack = le16(sector, 24);
    b.heads = le16(sector, 26);
    if (!plausible(b, mediumSectors))
        return std::nullopt;
    return b;
}

} // namespace vellum
