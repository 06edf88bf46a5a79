#pragma once
// The BIOS parameter block values of a diskette: what a boot sector states,
// or what a drive or a medium's size implies.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "core/StandardFormats.h"

namespace vellum {

// Every diskette here is double-sided.
inline constexpr int kHeads = 2;

// The fields sit at these offsets of a boot sector.
struct Bpb {
    static constexpr std::size_t kBytesPerSectorAt = 11;
    static constexpr std::size_t kSectorsPerClusterAt = 13;
    static constexpr std::size_t kReservedSectorsAt = 14;
    static constexpr std::size_t kNumberOfFatsAt = 16;
    static constexpr std::size_t kRootEntriesAt = 17;
    static constexpr std::size_t kTotalSectorsAt = 19;
    static constexpr std::size_t kMediaDescriptorAt = 21;
    static constexpr std::size_t kSectorsPerFatAt = 22;
    static constexpr std::size_t kSectorsPerTrackAt = 24;
    static constexpr std::size_t kHeadsAt = 26;

    std::uint16_t bytesPerSector = kSectorBytes;
    std::uint8_t sectorsPerCluster = 0;
    std::uint16_t reservedSectors = 0;
    std::uint8_t numberOfFats = 0;
    std::uint16_t rootEntries = 0;
    std::uint16_t totalSectors = 0;
    std::uint8_t mediaDescriptor = 0;
    std::uint16_t sectorsPerFat = 0;
    std::uint16_t sectorsPerTrack = 0;
    std::uint16_t heads = 0;

    std::uint32_t cylinders() const;

    // The BPB of a boot sector when it describes a FAT12 diskette of the
    // given number of sectors; empty when any field is implausible.
    static std::optional<Bpb> fromBootSector(std::span<const std::uint8_t> sector, std::uint32_t mediumSectors);
    // The fields as a boot sector states them, whatever their values.
    static Bpb readFrom(std::span<const std::uint8_t> sector);
    // Writes the fields into a boot sector, leaving its other bytes alone.
    void writeTo(std::span<std::uint8_t> sector) const;

    friend bool operator==(const Bpb&, const Bpb&) = default;
};

} // namespace vellum
