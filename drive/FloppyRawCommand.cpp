#include "drive/FloppyRawCommand.h"

#include <array>
#include <linux/fdreg.h>

#include "drive/DriveStatus.h"

namespace vellum {

namespace {

constexpr unsigned char kRateMask = 0x43; // data rate and perpendicular mode
constexpr int kHeadShift = 2;
constexpr std::size_t kIdFieldBytes = 4;   // cylinder, head, sector ID, size code
constexpr unsigned char kReadIdMfm = 0x4A; // READ ID with the MFM bit, as every controller decodes it

// A controller command on a spinning diskette, after a seek to `track`.
floppy_raw_cmd rawCommand(unsigned int flags, std::uint8_t rate, int track)
{
    floppy_raw_cmd raw{};
    raw.flags = flags | FD_RAW_INTR | FD_RAW_SPIN | FD_RAW_NEED_DISK | FD_RAW_NEED_SEEK;
    raw.rate = rate & kRateMask;
    raw.track = track;
    return raw;
}

} // namespace

floppy_raw_cmd readIdCommand(int unit, std::uint8_t rate)
{
    floppy_raw_cmd raw = rawCommand(0, rate, 0);
    raw.cmd_count = 2;
    raw.cmd[0] = kReadIdMfm;
    raw.cmd[1] = static_cast<unsigned char>(unit);
    return raw;
}

floppy_raw_cmd formatTrackCommand(int unit, const CylinderFormat& format, int head, int track, std::uint8_t rate,
                                  std::uint8_t formatGap, std::vector<unsigned char>& fields)
{
    const auto& ids = format.sectorIds[static_cast<std::size_t>(head)];
    fields.clear();
    fields.reserve(ids.size() * kIdFieldBytes);
    for (const std::uint8_t id : ids) {
        const std::array<unsigned char, kIdFieldBytes> field = {
            static_cast<unsigned char>(format.cylinder), static_cast<unsigned char>(head), id,
            static_cast<unsigned char>(format.sizeCode)};
        fields.insert(fields.end(), field.begin(), field.end());
    }
    floppy_raw_cmd raw = rawCommand(FD_RAW_WRITE, rate, track);
    raw.data = fields.data();
    raw.length = static_cast<long>(fields.size());
    raw.cmd_count = 6;
    raw.cmd[0] = FD_FORMAT;
    raw.cmd[1] = static_cast<unsigned char>((head << kHeadShift) | unit);
    raw.cmd[2] = static_cast<unsigned char>(format.sizeCode);
    raw.cmd[3] = static_cast<unsigned char>(ids.size());
    raw.cmd[4] = formatGap;
    raw.cmd[5] = kFormatFillByte;
    return raw;
}

int statusOfReply(const floppy_raw_cmd& raw)
{
    if (raw.flags & FD_RAW_HARDFAILURE)
        return kStatusTimeout;
    if (raw.reply_count == 0)
        return (raw.flags & FD_RAW_FAILURE) ? kStatusHardware : kStatusOk;
    const unsigned char st0 = raw.reply[0];
    if ((st0 & ST0_INTR) == 0)
        return kStatusOk;
    if (st0 & ST0_NR)
        return kStatusNotReady;
    const unsigned char st1 = raw.reply_count > 1 ? raw.reply[1] : 0;
    const unsigned char st2 = raw.reply_count > 2 ? raw.reply[2] : 0;
    if (st1 & ST1_WP)
        return kStatusWriteProtect;
    if ((st1 & ST1_MAM) || (st2 & ST2_MAM))
        return kStatusUnformatted;
    if ((st1 & (ST1_CRC | ST1_ND)) || (st2 & ST2_CRC))
        return kStatusMediaFailure;
    if ((st0 & ST0_ECE) || (st2 & (ST2_WC | ST2_BC)))
        return kStatusRecalibrate;
    return kStatusHardware;
}

} // namespace vellum
