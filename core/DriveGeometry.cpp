#include "core/DriveGeometry.h"

namespace vellum {

namespace {
constexpr std::uint32_t kDmfSectorsPerTrack = 21;
constexpr std::uint16_t kDmfSectorsPerFat = 3;
constexpr std::size_t kDirectoryEntrySize = 32;
} // namespace

void DriveGeometry::setDmfFlags()
{
    DmfLargeClusters = false;
    DmfOtherLayout = false;
    if (sectorsPerTrack != kDmfSectorsPerTrack)
        return;
    if (sectorsPerFat == kDmfSectorsPerFat)
        DmfLargeClusters = true;
    else
        DmfOtherLayout = true;
}

AreaPointers AreaPointers::from(const DriveGeometry& g)
{
    const std::size_t bps = g.bytesPerSector;
    AreaPointers a;
    a.fat1 = std::size_t{g.reservedSectors} * bps;
    a.fat2 = (std::size_t{g.reservedSectors} + g.sectorsPerFat) * bps;
    a.rootDirectory = (std::size_t{g.reservedSectors} + std::size_t{g.numberOfFats} * g.sectorsPerFat) * bps;
    a.dataArea = a.rootDirectory + std::size_t{g.rootEntries} * kDirectoryEntrySize;
    return a;
}

} // namespace vellum
