#include "core/FatTable.h"

#include <algorithm>

#include "core/Bytes.h"
#include "core/CVLMDoc.h"

namespace vellum {

namespace {
constexpr std::uint32_t kNoCluster = FatTable::kFirstCluster - 1;
constexpr std::uint32_t kHighestFat12Cluster = 0xFF6; // 0xFF7 marks a bad cluster
} // namespace

std::uint16_t FatTable::entry(std::uint32_t cluster) const
{
    const std::uint16_t word = le16(doc_.image(), doc_.areas.fat1 + cluster * 3 / 2);
    return static_cast<std::uint16_t>(cluster % 2 == 0 ? word & 0x0FFF : word >> 4);
}

void FatTable::set(std::uint32_t cluster, std::uint16_t value)
{
    const std::size_t at = doc_.areas.fat1 + cluster * 3 / 2;
    const std::uint16_t word = le16(doc_.image(), at);
    const auto v = static_cast<std::uint16_t>(value & 0x0FFF);
    putLe16(doc_.image(), at,
            static_cast<std::uint16_t>(cluster % 2 == 0 ? (word & 0xF000) | v : (word & 0x000F) | (v << 4)));
}

void FatTable::mirror(std::uint32_t lowest, std::uint32_t highest)
{
    if (doc_.geometry.numberOfFats < 2)
        return;
    const std::size_t from = lowest * 3 / 2;
    const std::size_t to = highest * 3 / 2 + 2;
    if (doc_.areas.fat2 + to > doc_.loadedBytes())
        return;
    const auto image = doc_.image();
    std::copy(image.begin() + static_cast<std::ptrdiff_t>(doc_.areas.fat1 + from),
              image.begin() + static_cast<std::ptrdiff_t>(doc_.areas.fat1 + to),
              image.begin() + static_cast<std::ptrdiff_t>(doc_.areas.fat2 + from));
}

void FatTable::release(std::span<const std::uint16_t> clusters)
{
    if (clusters.empty())
        return;
    for (const std::uint16_t c : clusters)
        set(c, kFree);
    const auto [lowest, highest] = std::minmax_element(clusters.begin(), clusters.end());
    mirror(*lowest, *highest);
}

std::uint32_t FatTable::lastCluster() const
{
    const DriveGeometry& g = doc_.geometry;
    const std::size_t bpc = g.bytesPerCluster();
    const std::size_t readable = doc_.loadedBytes();
    const std::size_t dataArea = doc_.areas.dataArea;
    if (bpc == 0 || readable <= dataArea || readable <= doc_.areas.fat1)
        return kNoCluster;
    const std::size_t fatEntries = std::min(g.fatBytes(), readable - doc_.areas.fat1) * 2 / 3; // 12 bits each
    if (fatEntries <= kFirstCluster)
        return kNoCluster;
    const std::size_t volumeBytes = g.volumeBytes();
    const std::size_t volumeClusters = volumeBytes > dataArea ? (volumeBytes - dataArea) / bpc : 0;
    const std::size_t loadedClusters = (readable - dataArea) / bpc;
    return static_cast<std::uint32_t>(std::min({volumeClusters + 1, loadedClusters + 1, fatEntries - 1,
                                                std::size_t{kHighestFat12Cluster}}));
}

std::size_t FatTable::freeCount() const
{
    std::size_t count = 0;
    const std::uint32_t last = lastCluster();
    for (std::uint32_t c = kFirstCluster; c <= last; ++c)
        count += entry(c) == kFree ? 1 : 0;
    return count;
}

} // namespace vellum
