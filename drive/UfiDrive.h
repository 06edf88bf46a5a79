#pragma once
// A USB diskette drive (a UFI device the kernel shows as a SCSI disk),
// reached with UFI commands through SG_IO: the diskette in it from READ
// FORMAT CAPACITIES (READ CAPACITY where the drive refuses that), write
// protection from MODE SENSE, and formats laid track by track with FORMAT
// UNIT. Each answers a sector-driver status (DriveStatus), or kNotScsi for
// a device that takes no SCSI commands (then it is read by sector only).
#include <cstdint>
#include <span>
#include <string>

#include "drive/FormatRequest.h"
#include "drive/SystemCalls.h"
#include "drive/UfiCommands.h"

namespace vellum {

class UfiDrive {
public:
    static constexpr int kNotScsi = -1;

    explicit UfiDrive(SystemCalls& system) : system_(system) {}

    // 0 for a formatted diskette, 28 for an unformatted one, 32 for none.
    int checkMedia(int fd);
    // 31 when the diskette's write-protect tab is set.
    int writable(int fd);
    // Both tracks of the cylinder, in the layout its sectors per track give.
    int formatCylinder(int fd, const CylinderFormat& format);

    // Why a UFI drive cannot lay the format (DMF, 360K); empty when it can.
    static std::string refusal(const StandardFormat& format);

private:
    enum class Direction { In, Out };
    // READ FORMAT CAPACITIES, or READ CAPACITY where the drive refuses it.
    int capacity(int fd, UfiCapacity& out);
    int run(int fd, const UfiCommands::Command& command, Direction direction, std::span<std::uint8_t> data);

    SystemCalls& system_;
};

} // namespace vellum
