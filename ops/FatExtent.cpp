#include "ops/FatExtent.h"

#include <algorithm>

#include "core/Bytes.h"

namespace vellum {

namespace {

constexpr std::uint16_t kEntryMask = 0x0FFF;
// The backward scan stops before the two reserved entries.
constexpr std::size_t kLowestScanOffset = 4;
constexpr std::size_t kWordBytes = 2;
constexpr int kHeadsPerCylinder = 2;

int roundUpDivide(std::size_t value, std::size_t by)
{
    return static_cast<int>((value + by - 1) / by);
}

} // namespace

bool FatExtent::fatsAgree(const MediaEntry& row, std::span<const std::uint8_t> fats, std::uint32_t bytesPerSector)
{
    const std::size_t half = static_cast<std::size_t>(row.fatSectors / 2) * bytesPerSector;
    if (fats.size() < 2 * half)
        return false;
    return std::equal(fats.begin(), fats.begin() + static_cast<std::ptrdiff_t>(half),
                      fats.begin() + static_cast<std::ptrdiff_t>(half));
}

std::size_t FatExtent::lastUsedOffset(const MediaEntry& row, std::span<const std::uint8_t> fat1)
{
    if (fat1.size() < kWordBytes)
        return 0;
    // The table's offsets lie inside FAT 1; a shorter FAT is scanned from its end.
    const std::size_t start = std::min(static_cast<std::size_t>(row.lastFatEntryOffset), fat1.size() - kWordBytes);
    if ((le16(fat1, start) & kEntryMask) != 0)
        return start;
    for (std::size_t at = start; at >= kLowestScanOffset + kWordBytes;) {
        at -= kWordBytes;
        if (le16(fat1, at) != 0)
            return at;
    }
    return 0;
}

int FatExtent::cylinders(const MediaEntry& row, std::span<const std::uint8_t> fat1, std::uint32_t sectorsPerTrack,
                         bool entireDiskette)
{
    if (entireDiskette)
        return row.maxCylinders;
    const std::size_t r = lastUsedOffset(row, fat1);
    if (r == 0 || sectorsPerTrack == 0)
        return 1;
    const std::size_t cluster = (r + 2) / 3 * 2 - 1;
    const std::size_t sector = cluster * static_cast<std::size_t>(row.sectorsPerCluster) +
                               static_cast<std::size_t>(row.firstDataSectorBase);
    const int tracks = roundUpDivide(sector, sectorsPerTrack);
    return std::min(roundUpDivide(static_cast<std::size_t>(tracks), kHeadsPerCylinder), row.maxCylinders);
}

} // namespace vellum
