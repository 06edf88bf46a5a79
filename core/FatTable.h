#pragma once
// FAT 1 of the volume in the image store, with FAT 2 kept in step: the
// 12-bit entry of each cluster, read, set and mirrored, and the highest
// cluster a chain may use. Nothing here reads past the loaded tracks.
#include <cstddef>
#include <cstdint>
#include <span>

namespace vellum {

class CVLMDoc;

class FatTable {
public:
    static constexpr std::uint32_t kFirstCluster = 2;
    // An entry of this value or more ends a chain; kChainEnd is the one written.
    static constexpr std::uint16_t kEndOfChain = 0xFF8;
    static constexpr std::uint16_t kChainEnd = 0xFFF;
    static constexpr std::uint16_t kFree = 0;

    explicit FatTable(CVLMDoc& doc) : doc_(doc) {}

    // The FAT 1 entry of a cluster.
    std::uint16_t entry(std::uint32_t cluster) const;
    void set(std::uint32_t cluster, std::uint16_t value);
    // FAT 2 takes the FAT 1 bytes of the clusters from lowest to highest.
    void mirror(std::uint32_t lowest, std::uint32_t highest);
    // Marks the clusters free in FAT 1 and mirrors them to FAT 2.
    void release(std::span<const std::uint16_t> clusters);

    // The least of what the volume's sectors, the loaded tracks and FAT 1
    // can hold; below kFirstCluster when they hold no cluster at all.
    std::uint32_t lastCluster() const;
    // Clusters free in FAT 1.
    std::size_t freeCount() const;

private:
    CVLMDoc& doc_;
};

} // namespace vellum
