#include "drive/TrackDriver.h"

#include <algorithm>

#include "core/Bytes.h"
#include "drive/DriveStatus.h"

namespace vellum {

int TrackDriver::DrvFormatCylinder(int drive, std::span<const std::uint8_t> request, std::span<std::uint8_t> reply)
{
    const auto format = FormatRequest::parse(request);
    const int status = format ? backend_.formatCylinder(drive, *format) : kStatusInvalid;
    std::fill(reply.begin(), reply.end(), std::uint8_t{0});
    if (reply.size() >= FormatRequest::kReplySize)
        putLe32(reply, 0, static_cast<std::uint32_t>(status));
    return status;
}

} // namespace vellum
