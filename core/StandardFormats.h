#pragma once
// The diskette layouts: one table of the six standard formats, with the
// geometry each sets, the physical diskette it lies on and the capacity
// name the user gives it. The format code is the one stored in a .VLM header.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/DriveGeometry.h"

namespace vellum {

struct Bpb;

// The physical diskette; a layout can only be laid on a diskette of its kind.
enum class MediumKind { DoubleDensity525, HighDensity525, DoubleDensity35, HighDensity35, ExtraDensity35 };

inline constexpr std::uint8_t kFormatCode360 = 3;
inline constexpr std::uint8_t kFormatCode720 = 4;
inline constexpr std::uint8_t kFormatCode12 = 5;
inline constexpr std::uint8_t kFormatCode144 = 6;
inline constexpr std::uint8_t kFormatCode288 = 7;
inline constexpr std::uint8_t kFormatCodeDmf = 18;

// A DMF diskette's track: what tells a 1.68 MB layout from the others.
inline constexpr std::uint32_t kDmfSectorsPerTrack = 21;

struct StandardFormat {
    std::uint8_t formatCode;
    std::string_view name;     // as a message names the image: "1.44 MB"
    std::string_view capacity; // as the user names a diskette: "1.44M"
    MediumKind kind;
    std::uint32_t sectorsPerTrack;
    std::uint32_t mediaCode;
    std::uint8_t deviceType;
    std::uint8_t mediaDescriptor;
    std::uint16_t totalSectors;
    std::uint16_t sectorsPerFat;
    std::uint16_t rootEntries;
    std::uint8_t sectorsPerCluster;
    std::uint8_t mediaSizeKind;
    bool dmf;

    DriveGeometry geometry() const;
    Bpb bpb() const;
    std::size_t imageBytes() const;
    int tracks() const;
    std::uint32_t cylinders() const;
};

inline constexpr std::uint32_t kSectorBytes = 512;

std::span<const StandardFormat> standardFormats();
// The format of a code the program itself names; throws std::out_of_range
// for a code the table lacks.
const StandardFormat& standardFormat(std::uint8_t formatCode);
// Lookups of values read from files or typed by the user: null for a miss.
const StandardFormat* formatByCode(std::uint8_t formatCode);
const StandardFormat* formatBySize(std::size_t imageBytes);
const StandardFormat* formatNamed(std::string_view capacity);
// The format of this kind of diskette with this many sectors per track.
const StandardFormat* formatFor(MediumKind kind, std::uint32_t sectorsPerTrack);
// "360K, 720K, 1.2M, 1.44M, 1.68M or 2.88M", for messages.
std::string capacityList();
// The code a .VLM header stores for the geometry; 0 when no row matches.
std::uint8_t formatCodeOf(const DriveGeometry& g);
// The format whose tracks the geometry has, as an image file records it and
// opens it again; null for a layout no image file could give back.
const StandardFormat* formatKeeping(const DriveGeometry& g);

} // namespace vellum
