#include "core/UnreadableSector.h"

namespace vellum {

void UnreadableSector::fill(std::span<std::uint8_t> sectors)
{
    for (std::size_t at = 0; at < sectors.size(); ++at)
        sectors[at] = static_cast<std::uint8_t>(kMarker[at % kMarker.size()]);
}

bool UnreadableSector::holds(std::span<const std::uint8_t> sector)
{
    for (std::size_t at = 0; at < sector.size(); ++at)
        if (sector[at] != static_cast<std::uint8_t>(kMarker[at % kMarker.size()]))
            return false;
    return !sector.empty();
}

} // namespace vellum
