#include "drive/UfiDrive.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <scsi/sg.h>
#include <vector>

#include "drive/DriveStatus.h"

namespace vellum {

namespace {

constexpr unsigned kTimeoutMs = 30000; // a drive that went away answers within it
constexpr int kAttempts = 2;           // a new diskette first answers UNIT ATTENTION
constexpr std::size_t kSenseBytes = 32;
constexpr unsigned char kCheckCondition = 0x02;
constexpr unsigned char kStatusMask = 0x3E;

constexpr std::uint8_t kNotReady = 2, kMediumError = 3, kHardwareError = 4, kIllegalRequest = 5,
                       kUnitAttention = 6, kDataProtect = 7;
constexpr std::uint8_t kNoMedium = 0x3A, kIncompatibleMedium = 0x30, kFormatCorrupted = 0x31;
constexpr unsigned short kNoConnect = 0x01, kBadTarget = 0x04, kTimedOut = 0x03;
constexpr std::uint8_t kDescriptorSense = 0x72;

// The formats a UFI drive lays, by their sectors per track.
constexpr std::array<std::uint8_t, 3> kUfiFormats = {kFormatCode720, kFormatCode144, kFormatCode12};

struct Sense {
    std::uint8_t key = 0;
    std::uint8_t asc = 0;
};

Sense senseOf(const std::array<std::uint8_t, kSenseBytes>& sense, std::size_t length)
{
    if (length < 3)
        return {};
    if ((sense[0] & 0x7F) >= kDescriptorSense)
        return {static_cast<std::uint8_t>(sense[1] & 0x0F), sense[2]};
    return {static_cast<std::uint8_t>(sense[2] & 0x0F), length > 12 ? sense[12] : std::uint8_t{0}};
}

int statusOfSense(Sense sense)
{
    const bool blank = sense.asc == kIncompatibleMedium || sense.asc == kFormatCorrupted;
    switch (sense.key) {
    case kNotReady: return blank ? kStatusUnformatted : kStatusNotReady;
    case kMediumError: return blank ? kStatusUnformatted : kStatusMediaFailure;
    case kHardwareError: return kStatusHardware;
    case kIllegalRequest: return kStatusInvalid;
    case kUnitAttention: return kStatusMediaChanged;
    case kDataProtect: return kStatusWriteProtect;
    default: return sense.key == 0 ? kStatusOk : kStatusHardware;
    }
}

int statusOfHost(unsigned short host)
{
    if (host == kNoConnect || host == kBadTarget)
        return kStatusNoDevice;
    return host == kTimedOut ? kStatusTimeout : kStatusHardware;
}

const StandardFormat* ufiLayout(std::uint32_t sectorsPerTrack)
{
    for (const std::uint8_t code : kUfiFormats)
        if (standardFormat(code).sectorsPerTrack == sectorsPerTrack)
            return &standardFormat(code);
    return nullptr;
}

} // namespace

int UfiDrive::run(int fd, const UfiCommands::Command& command, Direction direction, std::span<std::uint8_t> data)
{
    std::array<std::uint8_t, UfiCommands::kCommandBytes> block = command;
    int status = kStatusOk;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::array<std::uint8_t, kSenseBytes> sense{};
        sg_io_hdr io{};
        io.interface_id = 'S';
        io.dxfer_direction = direction == Direction::In ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
        io.cmd_len = static_cast<unsigned char>(block.size());
        io.cmdp = block.data();
        io.dxfer_len = static_cast<unsigned>(data.size());
        io.dxferp = data.data();
        io.mx_sb_len = static_cast<unsigned char>(sense.size());
        io.sbp = sense.data();
        io.timeout = kTimeoutMs;
        const int result = system_.sgIo(fd, io);
        if (result == -ENOTTY || result == -EINVAL || result == -ENOSYS)
            return kNotScsi;
        if (result < 0)
            return statusOfErrno(-result);
        if (io.host_status != 0)
            return statusOfHost(io.host_status);
        if ((io.status & kStatusMask) != kCheckCondition)
            return io.status == 0 ? kStatusOk : kStatusHardware;
        status = statusOfSense(senseOf(sense, io.sb_len_wr));
        if (status != kStatusMediaChanged)
            return status;
    }
    return status;
}

int UfiDrive::capacity(int fd, UfiCapacity& out)
{
    std::vector<std::uint8_t> answer(UfiCommands::kCapacityListBytes);
    int status = run(fd, UfiCommands::readFormatCapacities(), Direction::In, answer);
    if (status == kStatusOk) {
        const auto read = UfiCommands::capacities(answer);
        if (!read)
            return kStatusHardware;
        out = *read;
        return kStatusOk;
    }
    if (status != kStatusInvalid)
        return status;
    // A drive without READ FORMAT CAPACITIES tells a readable diskette's size.
    answer.assign(UfiCommands::kReadCapacityBytes, 0);
    status = run(fd, UfiCommands::readCapacity(), Direction::In, answer);
    if (status == kStatusOk)
        out = UfiCommands::readCapacityAnswer(answer);
    return status;
}

int UfiDrive::checkMedia(int fd)
{
    UfiCapacity found;
    if (const int status = capacity(fd, found))
        return status;
    switch (found.medium) {
    case UfiCapacity::Medium::None: return kStatusNotReady;
    case UfiCapacity::Medium::Unformatted: return kStatusUnformatted;
    case UfiCapacity::Medium::Formatted: break;
    }
    return formatBySize(std::uint64_t{found.blocks} * found.blockLength) ? kStatusOk : kStatusWrongMedia;
}

int UfiDrive::writable(int fd)
{
    std::vector<std::uint8_t> answer(UfiCommands::kModeSenseBytes);
    const int status = run(fd, UfiCommands::modeSense(), Direction::In, answer);
    if (status != kStatusOk)
        return status;
    return UfiCommands::writeProtected(answer) ? kStatusWriteProtect : kStatusOk;
}

int UfiDrive::formatCylinder(int fd, const CylinderFormat& format)
{
    const StandardFormat* layout = ufiLayout(format.sectorsPerTrack());
    if (!layout || format.sizeCode != kSizeCode512 || format.cylinder >= layout->cylinders())
        return kStatusInvalid;
    if (layout->formatCode == kFormatCode12 && format.cylinder == 0) {
        // A 1.2 MB format only where the drive lists it.
        UfiCapacity found;
        if (const int status = capacity(fd, found))
            return status;
        if (std::find(found.formattable.begin(), found.formattable.end(), layout->totalSectors) ==
            found.formattable.end())
            return kStatusWrongMedia;
    }
    for (int head = 0; head < kHeads; ++head) {
        auto parameters = UfiCommands::formatParameters(*layout, head);
        if (const int status = run(fd, UfiCommands::formatUnit(format.cylinder), Direction::Out, parameters))
            return status;
    }
    return kStatusOk;
}

std::string UfiDrive::refusal(const StandardFormat& format)
{
    const StandardFormat* laid = ufiLayout(format.sectorsPerTrack);
    if (laid && laid->kind == format.kind)
        return {};
    return "A USB diskette drive cannot lay a " + std::string(format.name) +
           " format: it formats 720 KB, 1.44 MB and, where the drive lists it, 1.2 MB diskettes only.";
}

} // namespace vellum
