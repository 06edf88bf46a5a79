#include "core/DriveGeometry.h"

#include "core/Bpb.h"
#include "core/DirectoryArea.h"
#include "core/StandardFormats.h"

namespace vellum {

namespace {
constexpr std::uint16_t kDmfSectorsPerFat = 3;
constexpr std::uint32_t kDeviceTypeShift = 8; // MediaCode = device type x 256 + media
} // namespace

DriveGeometry DriveGeometry::from(const Bpb& b, std::uint8_t deviceType)
{
    DriveGeometry g;
    g.deviceType = deviceType;
    g.mediaDescriptor = b.mediaDescriptor;
    g.MediaCode = (std::uint32_t{deviceType} << kDeviceTypeShift) + b.mediaDescriptor;
    g.sectorsPerTrack = b.sectorsPerTrack;
    g.sectorsPerCluster = b.sectorsPerCluster;
    g.bytesPerSector = b.bytesPerSector;
    g.reservedSectors = b.reservedSectors;
    g.numberOfFats = b.numberOfFats;
    g.rootEntries = b.rootEntries;
    g.totalSectors = b.totalSectors;
    g.sectorsPerFat = b.sectorsPerFat;
    g.setDmfFlags();
    return g;
}

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
    a.fat2 = a.fat1 + g.fatBytes();
    a.rootDirectory = a.fat1 + g.numberOfFats * g.fatBytes();
    a.dataArea = a.rootDirectory + std::size_t{g.rootEntries} * kDirEntrySize;
    return a;
}

} // namespace vellum
