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

Bpb Bpb::readFrom(std::span<const std::uint8_t> sector)
{
    Bpb b;
    b.bytesPerSector = le16(sector, kBytesPerSectorAt);
    b.sectorsPerCluster = sector[kSectorsPerClusterAt];
    b.reservedSectors = le16(sector, kReservedSectorsAt);
    b.numberOfFats = sector[kNumberOfFatsAt];
    b.rootEntries = le16(sector, kRootEntriesAt);
    b.totalSectors = le16(sector, kTotalSectorsAt);
    b.mediaDescriptor = sector[kMediaDescriptorAt];
    b.sectorsPerFat = le16(sector, kSectorsPerFatAt);
    b.sectorsPerTrack = le16(sector, kSectorsPerTrackAt);
    b.heads = le16(sector, kHeadsAt);
    return b;
}

void Bpb::writeTo(std::span<std::uint8_t> sector) const
{
    putLe16(sector, kBytesPerSectorAt, bytesPerSector);
    sector[kSectorsPerClusterAt] = sectorsPerCluster;
    putLe16(sector, kReservedSectorsAt, reservedSectors);
    sector[kNumberOfFatsAt] = numberOfFats;
    putLe16(sector, kRootEntriesAt, rootEntries);
    putLe16(sector, kTotalSectorsAt, totalSectors);
    sector[kMediaDescriptorAt] = mediaDescriptor;
    putLe16(sector, kSectorsPerFatAt, sectorsPerFat);
    putLe16(sector, kSectorsPerTrackAt, sectorsPerTrack);
    putLe16(sector, kHeadsAt, heads);
}

std::optional<Bpb> Bpb::fromBootSector(std::span<const std::uint8_t> sector, std::uint32_t mediumSectors)
{
    if (sector.size() < kSectorBytes)
        return std::nullopt;
    const Bpb b = readFrom(sector);
    if (!plausible(b, mediumSectors))
        return std::nullopt;
    return b;
}

} // namespace vellum
