#pragma once
// The first eight sectors of a DMF diskette: the boot sector with its BPB
// and a boot program that only says the diskette cannot start the machine,
// the two 3-sector FATs and the one-sector root directory. Other diskettes
// get the same boot sector with their own BPB.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/Bpb.h"

namespace vellum {

class DmfBootSector {
public:
    static constexpr std::size_t kSystemSectors = 8;
    static constexpr std::size_t kSystemAreaBytes = kSystemSectors * kSectorBytes;
    static constexpr std::size_t kSerialOffset = 39;
    static constexpr std::size_t kLabelOffset = 43;
    static constexpr std::size_t kMessageOffset = 0x19E;
    static constexpr std::size_t kFat1Offset = 1 * kSectorBytes;
    static constexpr std::size_t kFat2Offset = 4 * kSectorBytes;
    static constexpr std::size_t kRootOffset = 7 * kSectorBytes;

    using Sector = std::array<std::uint8_t, kSectorBytes>;
    using SystemArea = std::array<std::uint8_t, kSystemAreaBytes>;

    // A label (already upper case, at most 11 characters) stamps the serial
    // number with the DOS time and date; an empty one leaves serial 0 and
    // names the volume "NO NAME".
    static Sector build(std::string_view label, std::uint16_t dosTime, std::uint16_t dosDate);
    // The boot sector, both FATs and the root with the label entry, if any.
    static SystemArea systemArea(std::string_view label, std::uint16_t dosTime, std::uint16_t dosDate);

    // The same for a diskette of another BPB: the boot sector over its
    // first sector, empty FATs and the label entry at the root's start. The
    // rest of `image`, which holds the whole system area, is left as it is.
    static Sector build(const Bpb& bpb, std::string_view label, std::uint16_t dosTime, std::uint16_t dosDate);
    static void putSystemArea(std::span<std::uint8_t> image, const Bpb& bpb, std::string_view label,
                              std::uint16_t dosTime, std::uint16_t dosDate);

private:
    static void putBootProgram(std::span<std::uint8_t> sector);
    static void putLabelEntry(std::span<std::uint8_t> entry, std::string_view label, std::uint16_t dosTime,
                              std::uint16_t dosDate);
};

} // namespace vellum
