#pragma once
// The diskette layouts an image file can hold, with the geometry each one
// sets. The format code is the one stored in a .VLM header.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/DriveGeometry.h"

namespace vellum {

struct StandardFormat {
    std::uint8_t formatCode;
    std::string_view name;
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
    std::size_t imageBytes() const;
    int tracks() const;
};

inline constexpr std::uint32_t kSectorBytes = 512;
inline constexpr std::uint8_t kFormatCode288 = 7;

const StandardFormat* formatByCode(std::uint8_t formatCode);
const StandardFormat* formatBySize(std::size_t imageBytes);
// The code a .VLM header stores for the geometry; 0 when no row matches.
std::uint8_t formatCodeOf(const DriveGeometry& g);
// The format whose tracks the geometry has, as an image file records it and
// opens it again; null for a layout no image file could give back.
const StandardFormat* formatKeeping(const DriveGeometry& g);

} // namespace vellum
