#pragma once
// The BIOS parameter block values of the diskette in memory, and the byte
// offsets at which its FAT12 areas start in the image store.
#include <cstddef>
#include <cstdint>

namespace vellum {

struct Bpb;

struct DriveGeometry {
    std::uint32_t MediaCode = 0; // device type x 256 + media descriptor
    std::uint32_t sectorsPerTrack = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t bytesPerSector = 0;
    std::uint32_t reservedSectors = 0;
    std::uint32_t numberOfFats = 0;
    std::uint32_t rootEntries = 0;
    std::uint8_t deviceType = 0;
    std::uint8_t mediaDescriptor = 0;
    std::uint16_t totalSectors = 0;
    std::uint16_t sectorsPerFat = 0;
    bool DmfLargeClusters = false;
    bool DmfOtherLayout = false;

    // The geometry a BPB states, on a drive of this device type.
    static DriveGeometry from(const Bpb& bpb, std::uint8_t deviceType);

    std::size_t trackBytes() const { return std::size_t{sectorsPerTrack} * bytesPerSector; }
    std::size_t bytesPerCluster() const { return std::size_t{sectorsPerCluster} * bytesPerSector; }
    std::size_t fatBytes() const { return std::size_t{sectorsPerFat} * bytesPerSector; }
    std::size_t volumeBytes() const { return std::size_t{totalSectors} * bytesPerSector; }

    // A 21-sector diskette is DMF only with 3-sector FATs.
    void setDmfFlags();
};

// Offsets into the image store, not addresses, so every access can be bounded.
struct AreaPointers {
    std::size_t bootSector = 0;
    std::size_t fat1 = 0;
    std::size_t fat2 = 0;
    std::size_t rootDirectory = 0;
    std::size_t dataArea = 0;

    static AreaPointers from(const DriveGeometry& g);
};

} // namespace vellum
