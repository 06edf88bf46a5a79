#include "drive/MediumFormat.h"

#include <array>

namespace vellum {

namespace {

constexpr std::uint8_t kReservedSectors = 1;
constexpr std::uint8_t kNumberOfFats = 2;

constexpr std::array<MediumFormat, 6> kFormats = {{
    {"360K", MediumKind::DoubleDensity525, 3},
    {"720K", MediumKind::DoubleDensity35, 4},
    {"1.2M", MediumKind::HighDensity525, 5},
    {"1.44M", MediumKind::HighDensity35, 6},
    {"1.68M", MediumKind::HighDensity35, 18},
    {"2.88M", MediumKind::ExtraDensity35, kFormatCode288},
}};

} // namespace

const StandardFormat& MediumFormat::standard() const
{
    return *formatByCode(formatCode);
}

Bpb MediumFormat::bpb() const
{
    const StandardFormat& s = standard();
    Bpb b;
    b.bytesPerSector = kSectorBytes;
    b.sectorsPerCluster = s.sectorsPerCluster;
    b.reservedSectors = kReservedSectors;
    b.numberOfFats = kNumberOfFats;
    b.rootEntries = s.rootEntries;
    b.totalSectors = s.totalSectors;
    b.mediaDescriptor = s.mediaDescriptor;
    b.sectorsPerFat = s.sectorsPerFat;
    b.sectorsPerTrack = static_cast<std::uint16_t>(s.sectorsPerTrack);
    b.heads = static_cast<std::uint16_t>(kHeads);
    return b;
}

std::span<const MediumFormat> mediumFormats()
{
    return kFormats;
}

const MediumFormat* mediumFormatNamed(std::string_view name)
{
    for (const MediumFormat& f : kFormats)
        if (f.name == name)
            return &f;
    return nullptr;
}

const MediumFormat* mediumFormatOfSize(std::uint64_t bytes)
{
    for (const MediumFormat& f : kFormats)
        if (f.bytes() == bytes)
            return &f;
    return nullptr;
}

const MediumFormat* mediumFormatFor(MediumKind kind, std::uint32_t sectorsPerTrack)
{
    for (const MediumFormat& f : kFormats)
        if (f.kind == kind && f.sectorsPerTrack() == sectorsPerTrack)
            return &f;
    return nullptr;
}

std::string mediumFormatList()
{
    std::string list;
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
        if (i > 0)
            list += i + 1 == kFormats.size() ? " or " : ", ";
        list += kFormats[i].name;
    }
    return list;
}

} // namespace vellum
