#include "drive/DriveStatus.h"

#include <array>
#include <cerrno>
#include <utility>

namespace vellum {

namespace {

constexpr std::array<std::pair<int, int>, 14> kErrnoStatus = {{
    {ENOENT, kStatusNoDevice},
    {ENODEV, kStatusNoDevice},
    {ENXIO, kStatusNotReady},
    {ENOMEDIUM, kStatusNotReady},
    {EROFS, kStatusWriteProtect},
    {EACCES, kStatusAccessDenied},
    {EPERM, kStatusAccessDenied},
    {EBUSY, kStatusBusy},
    {ETIMEDOUT, kStatusTimeout},
    {EIO, kStatusMediaFailure},
    {ENOSPC, kStatusNoSpace},
    {EINVAL, kStatusInvalid},
    {ENOTTY, kStatusInvalid},
    {EOPNOTSUPP, kStatusInvalid},
}};

} // namespace

int statusOfErrno(int error)
{
    for (const auto& [e, status] : kErrnoStatus)
        if (e == error)
            return status;
    return kStatusHardware;
}

} // namespace vellum
