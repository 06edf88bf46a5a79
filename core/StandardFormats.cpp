#include "core/StandardFormats.h"

#include <array>
#include <initializer_list>
#include <stdexcept>

#include "core/Bpb.h"
#include "core/MediaTable.h"

namespace vellum {

namespace {

constexpr std::uint32_t kReservedSectors = 1;
constexpr std::uint32_t kNumberOfFats = 2;

using enum MediumKind;

// In the order messages list them.
constexpr std::array<StandardFormat, 6> kFormats = {{
    // code          name           capacity  kind             spt media  dev desc total spf root spc size kind    dmf
    {kFormatCode360, "360 KB", "360K", DoubleDensity525, 9, 0x1FD, 1, 0xFD, 720, 2, 112, 2, kMedia525Inch, false},
    {kFormatCode720, "720 KB", "720K", DoubleDensity35, 9, 0x7F9, 7, 0xF9, 1440, 3, 112, 2, kMedia35Inch, false},
    {kFormatCode12, "1.2 MB", "1.2M", HighDensity525, 15, 0x1F9, 1, 0xF9, 2400, 7, 224, 1, kMedia525Inch, false},
    {kFormatCode144, "1.44 MB", "1.44M", HighDensity35, 18, 0x7F0, 7, 0xF0, 2880, 9, 224, 1, kMedia35Inch, false},
    {kFormatCodeDmf, "1.68 MB DMF", "1.68M", HighDensity35, kDmfSectorsPerTrack, 0x7F0, 7, 0xF0, 3360, 3, 16, 4, kMedia35Inch, true},
    {kFormatCode288, "2.88 MB", "2.88M", ExtraDensity35, 36, 0x9F0, 9, 0xF0, 5760, 9, 240, 1, kMedia35Inch, false},
}};

constexpr const StandardFormat* find(std::uint8_t formatCode)
{
    for (const StandardFormat& f : kFormats)
        if (f.formatCode == formatCode)
            return &f;
    return nullptr;
}

constexpr bool everyCodeHasARow()
{
    for (const std::uint8_t code :
         {kFormatCode360, kFormatCode720, kFormatCode12, kFormatCode144, kFormatCode288, kFormatCodeDmf})
        if (find(code) == nullptr)
            return false;
    return true;
}
static_assert(everyCodeHasARow());

} // namespace

DriveGeometry StandardFormat::geometry() const
{
    return DriveGeometry::from(bpb(), deviceType);
}

Bpb StandardFormat::bpb() const
{
    Bpb b;
    b.bytesPerSector = kSectorBytes;
    b.sectorsPerCluster = sectorsPerCluster;
    b.reservedSectors = kReservedSectors;
    b.numberOfFats = kNumberOfFats;
    b.rootEntries = rootEntries;
    b.totalSectors = totalSectors;
    b.mediaDescriptor = mediaDescriptor;
    b.sectorsPerFat = sectorsPerFat;
    b.sectorsPerTrack = static_cast<std::uint16_t>(sectorsPerTrack);
    b.heads = static_cast<std::uint16_t>(kHeads);
    return b;
}

std::uint32_t StandardFormat::cylinders() const
{
    return totalSectors / (sectorsPerTrack * kHeads);
}

std::size_t StandardFormat::imageBytes() const
{
    return std::size_t{totalSectors} * kSectorBytes;
}

int StandardFormat::tracks() const
{
    return static_cast<int>(totalSectors / sectorsPerTrack);
}

std::span<const StandardFormat> standardFormats()
{
    return kFormats;
}

const StandardFormat& standardFormat(std::uint8_t formatCode)
{
    if (const StandardFormat* f = find(formatCode))
        return *f;
    throw std::out_of_range("no diskette format has the code " + std::to_string(formatCode));
}

const StandardFormat* formatByCode(std::uint8_t formatCode)
{
    return find(formatCode);
}

const StandardFormat* formatNamed(std::string_view capacity)
{
    for (const StandardFormat& f : kFormats)
        if (f.capacity == capacity)
            return &f;
    return nullptr;
}

const StandardFormat* formatFor(MediumKind kind, std::uint32_t sectorsPerTrack)
{
    for (const StandardFormat& f : kFormats)
        if (f.kind == kind && f.sectorsPerTrack == sectorsPerTrack)
            return &f;
    return nullptr;
}

std::string capacityList()
{
    std::string list;
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
        if (i > 0)
            list += i + 1 == kFormats.size() ? " or " : ", ";
        list += kFormats[i].capacity;
    }
    return list;
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
    case 0x1FD: return kFormatCode360;
    case 0x2F9:
    case 0x7F9: return kFormatCode720;
    case 0x1F0:
    case 0x1F9: return kFormatCode12;
    case 0x7F0: return g.DmfLargeClusters ? kFormatCodeDmf : kFormatCode144;
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
