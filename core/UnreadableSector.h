#pragma once
// What stands in the image for a sector no read could give: a rescue fills
// each unread sector with it, an image file that says a sector's data is
// unavailable opens so, and an ImageDisk file writes such a sector back as
// "data unavailable".
#include <cstdint>
#include <span>
#include <string_view>

#include "core/StandardFormats.h"

namespace vellum {

class UnreadableSector {
public:
    // Fills each unread sector 16 times over: a deleted directory entry's
    // first byte, so a directory sector never read lists nothing, and 31
    // characters that say what it is in a hex dump.
    static constexpr std::string_view kMarker = "\xE5UNREADABLE SECTOR - SEE THE MAP";
    static_assert(kMarker.size() == 32 && kSectorBytes % 32 == 0);

    static void fill(std::span<std::uint8_t> sectors);
    // The sector holds the marker and nothing else.
    static bool holds(std::span<const std::uint8_t> sector);
};

} // namespace vellum
