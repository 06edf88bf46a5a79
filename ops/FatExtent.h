#pragma once
// How much of a diskette a load has to read: whether its two FAT copies
// agree, and how many cylinders reach the last cluster FAT 1 marks as used.
// Pure functions over the FAT sectors, so every media-table row can be
// checked without a drive.
#include <cstdint>
#include <span>

#include "core/MediaTable.h"

namespace vellum {

class FatExtent {
public:
    // `fats` holds the row's fatSectors sectors from logical sector 1: FAT 1
    // in the first half, FAT 2 in the second. Too short a buffer never agrees.
    static bool fatsAgree(const MediaEntry& row, std::span<const std::uint8_t> fats, std::uint32_t bytesPerSector);

    // The cylinders to read: the row's maximum for the entire diskette,
    // otherwise those that hold the last used cluster, at least one.
    static int cylinders(const MediaEntry& row, std::span<const std::uint8_t> fat1, std::uint32_t sectorsPerTrack,
                         bool entireDiskette);

    // The byte offset in FAT 1 of the last word that marks a cluster used;
    // zero when the FAT marks none.
    static std::size_t lastUsedOffset(const MediaEntry& row, std::span<const std::uint8_t> fat1);
};

} // namespace vellum
