#include "core/StandardFormats.h"

#include <array>

#include "core/MediaTable.h"

namespace vellum {

namespace {

constexpr std::uint32_t kReservedSectors = 1;
constexpr std::uint32_t kNumberOfFats = 2;

constexpr std::array<StandardFormat, 6> kFormats = {{
    // code name          spt  media  dev desc  total spf root spc kind          dmf
    {3, "360 KB", 9, 0x1FD, 1, 0xFD, 720, 2, 112, 2, kMedia525Inch, false},
    {4, "720 KB", 9, 0x7F9, 7, 0xF9, 1440, 3, 112, 2, kMedia35Inch, false},
    {5, "1.2 MB", 15, 0x1F9, 1, 0xF9, 2400, 7, 224, 1, kMedia525Inch, false},
    {6, "1.44 MB", 18, 0x7F0, 7, 0xF0, 2880, 9, 224, 1, kMedia35Inch, false},
    {kFormatCode288, "2.88 MB", 36, 0x9F0, 9, 0xF0, 5760, 9, 240, 1, kMedia35Inch, false},
    {18, "1.68 MB DMF", 21, 0x7F0, 7, 0xF0, 3360, 3, 16, 4, kMedia35Inch, true},
}};

} // namespace

DriveGeometry StandardFormat::geometry() const
{
    DriveGeometry g;
    g.MediaCode = mediaCode;
    g.sectorsPerTrack = sectorsPerTrack;
    g.sectorsPerCluster = sectorsPerCluster;
    g.bytesPerSector = kSectorBytes;
    g.reservedSectors = kReservedSectors;
    g.numberOfFats = kNumberOfFats;
    g.rootEntries = rootEntries;
    g.bytesPerCluster = sectorsPerCluster * kSectorBytes;
    g.deviceType = deviceType;
    g.mediaDescriptor = mediaDescriptor;
    g.totalSectors = totalSectors;
    g.sectorsPerFat = sectorsPerFat;
    g.DmfLargeClusters = dmf;
    return g;
}

std::size_t StandardFormat::imageBytes() const
{
    return std::size_t{totalSectors} * kSectorBytes;
}

int StandardFormat::tracks() const
{
    return static_cast<int>(totalSectors / sectorsPerTrack);
}

const StandardFormat* formatByCode(std::uint8_t formatCode)
{
    for (const StandardFormat& f : kFormats)
        if (f.formatCode == formatCode)
            return &f;
    return nullptr;
}

const StandardFormat* formatBySize(std::size_t imageBytes)
{
    for (const StandardFormat& f : kFormats)
        if (f.imageBytes() == imageBytes)
            return &f;
    return nullptr;
}

std::uint8_t formatCodeOf(const DriveGeometry& g)
{
    switch (g.MediaCode) {
    case 0x0FD:
    case 0x1FD: return 3;
    case 0x2F9:
    case 0x7F9: return 4;
    case 0x1F0:
    case 0x1F9: return 5;
    case 0x7F0: return g.DmfLargeClusters ? 18 : 6;
    case kMediaCode288: return kFormatCode288;
    default: return 0;
    }
}

const StandardFormat* formatKeeping(const DriveGeometry& g)
{
    for (const StandardFormat& f : kFormats) {
        // A 21-sector diskette with other FATs still opens as DMF from a raw image.
        const bool sameCode = f.formatCode == formatCodeOf(g) || (f.dmf && f.mediaCode == g.MediaCode);
        if (sameCode && f.sectorsPerTrack == g.sectorsPerTrack && f.totalSectors == g.totalSectors &&
            g.bytesPerSector == kSectorBytes)
            return &f;
    }
    return nullptr;
}

} // namespace vellum
