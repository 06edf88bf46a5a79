#pragma once
// Every diskette the program accepts, keyed by MediaCode, with the constants
// the load and refresh use for it. One table; everything else reads it.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/DriveGeometry.h"

namespace vellum {

// MediaSizeKind values: the icon of the file rows and the drive's size class.
enum MediaSizeKindValue : std::uint8_t {
    kMedia35Inch = 0,
    kMedia525Inch = 1,
    kMediaNone = 3,
};

// Which 21-sector layout a row stands for; other rows need DmfNone.
enum class DmfLayout { None, LargeClusters, OtherLayout };

struct MediaEntry {
    std::uint32_t mediaCode;
    DmfLayout dmf;
    int formatIndex; // DisketteFormat index, -1 for none
    std::uint8_t mediaSizeKind;
    int systemSectors;       // read by refresh
    int fatSectors;          // read by the FAT check
    int lastFatEntryOffset;  // start of the backward scan in FAT 1
    int firstDataSectorBase; // turns the last used cluster into a sector
    int sectorsPerCluster;   // assumed by the extent computation
    int maxCylinders;
};

inline constexpr std::uint32_t kMediaCode288 = 0x9F0;
inline constexpr int kFormatCount = 5;

// DisketteFormat display names, each exactly 12 characters.
inline constexpr std::array<std::string_view, kFormatCount> FormatNames = {
    "360Kb       ", "720Kb       ", "1.2Mb       ", "1.44Mb      ", "1.68Mb (DMF)",
};

// The table row for the geometry's MediaCode and DMF flags; empty when the
// diskette is unsupported.
std::optional<MediaEntry> findMedia(const DriveGeometry& g);

// The DisketteFormat index of the geometry; empty for 0x9F0 and unknown codes.
std::optional<int> FormatOf(const DriveGeometry& g);

} // namespace vellum
