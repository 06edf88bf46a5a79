#include "drive/LinuxFloppyBackend.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/fd.h>
#include <linux/fdreg.h>
#include <linux/fs.h>
#include <optional>
#include <string_view>
#include <sys/sysmacros.h>
#include <utility>
#include <vector>

#include "drive/DriveStatus.h"
#include "drive/DriveType.h"

namespace vellum {

namespace {

// O_NONBLOCK lets the floppy driver open a drive without a medium in it.
constexpr int kReadWrite = O_RDWR | O_NONBLOCK | O_CLOEXEC;
constexpr int kReadOnly = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
constexpr int kUnitMask = 3;
constexpr std::uint8_t kUsbDriveType = 7; // USB diskette drives are 3.5-inch 1.44 MB drives
constexpr std::uint8_t kHighDensity525Type = 1;
constexpr unsigned char kRateMask = 0x43; // data rate and perpendicular mode
constexpr int kHeadShift = 2;
constexpr std::size_t kIdFieldBytes = 4; // cylinder, head, sector ID, size code

// What the floppy driver needs to lay a format down (its floppy_struct).
struct FloppyLayout {
    std::string_view format;
    bool doubleStepped; // a 360K diskette in a 1.2 MB drive: 300 kbit/s, every other track
    unsigned stretch;
    unsigned char gap, rate, spec1, formatGap;
};

constexpr std::array<FloppyLayout, 7> kLayouts = {{
    {"360K", false, 0, 0x2A, 0x02, 0xDF, 0x50},
    {"360K", true, FD_STRETCH, 0x23, 0x01, 0xDF, 0x50},
    {"720K", false, 0, 0x2A, 0x02, 0xDF, 0x50},
    {"1.2M", false, 0, 0x1B, 0x00, 0xDF, 0x54},
    {"1.44M", false, 0, 0x1B, 0x00, 0xCF, 0x6C},
    {"1.68M", false, 0, 0x1C, 0x00, 0xCF, 0x0C},
    {"2.88M", false, 0, 0x1B, 0x43, 0xAF, 0x54},
}};

// The drive's CMOS type, as the floppy driver reports it, to its DOS device type.
constexpr std::array<std::pair<int, std::uint8_t>, 6> kCmosTypes = {{
    {1, 0}, {2, 1}, {3, 2}, {4, 7}, {5, 9}, {6, 9},
}};

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

int statusOfErrno(int error)
{
    for (const auto& [e, status] : kErrnoStatus)
        if (e == error)
            return status;
    return kStatusHardware;
}

// The controller's result bytes ST0, ST1 and ST2 of a raw command.
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

// Nothing for a format the table does not list.
const FloppyLayout* layoutOf(const MediumFormat& format, std::uint8_t dosType)
{
    const bool doubleStepped = format.kind == MediumKind::DoubleDensity525 && dosType == kHighDensity525Type;
    const auto it = std::find_if(kLayouts.begin(), kLayouts.end(), [&](const FloppyLayout& l) {
        return l.format == format.name && l.doubleStepped == doubleStepped;
    });
    return it == kLayouts.end() ? nullptr : &*it;
}

std::vector<const MediumFormat*> formatsOf(const DriveType& type)
{
    std::vector<const MediumFormat*> formats;
    for (const std::string_view name : type.formats)
        if (const MediumFormat* f = mediumFormatNamed(name))
            formats.push_back(f);
    return formats;
}

// The data rates of the formats the drive takes, its own format's first.
std::vector<std::uint8_t> probeRates(std::uint8_t dosType)
{
    const DriveType& type = *driveTypeOf(dosType);
    std::vector<std::uint8_t> rates;
    std::vector<const MediumFormat*> formats{&type.native()};
    const auto taken = formatsOf(type);
    formats.insert(formats.end(), taken.begin(), taken.end());
    for (const MediumFormat* f : formats) {
        const FloppyLayout* layout = layoutOf(*f, dosType);
        if (layout && std::find(rates.begin(), rates.end(), layout->rate) == rates.end())
            rates.push_back(layout->rate);
    }
    return rates;
}

// A controller command on a spinning diskette, after a seek to `track`.
floppy_raw_cmd rawCommand(unsigned int flags, unsigned char rate, int track)
{
    floppy_raw_cmd raw{};
    raw.flags = flags | FD_RAW_INTR | FD_RAW_SPIN | FD_RAW_NEED_DISK | FD_RAW_NEED_SEEK;
    raw.rate = rate & kRateMask;
    raw.track = track;
    return raw;
}

int send(SystemCalls& system, int fd, floppy_raw_cmd& raw)
{
    const int result = system.ioctl(fd, FDRAWCMD, &raw);
    return result < 0 ? statusOfErrno(-result) : statusOfReply(raw);
}

} // namespace

LinuxFloppyBackend::LinuxFloppyBackend(SystemCalls& system, std::array<std::string, kDrives> devices)
    : system_(system)
{
    for (std::size_t d = 0; d < devices_.size(); ++d)
        devices_[d].path = std::move(devices[d]);
}

LinuxFloppyBackend::~LinuxFloppyBackend()
{
    for (int d = 0; d < kDrives; ++d)
        releaseDrive(d);
}

bool LinuxFloppyBackend::configured(int drive) const
{
    return drive >= 0 && drive < kDrives && !devices_[static_cast<std::size_t>(drive)].path.empty();
}

int LinuxFloppyBackend::open(int drive, Device*& device)
{
    if (!configured(drive))
        return kStatusNoDevice;
    Device& d = devices_[static_cast<std::size_t>(drive)];
    if (d.fd < 0) {
        int fd = system_.open(d.path, kReadWrite);
        // A write-protected diskette, or a device the user may only read.
        d.readOnly = fd == -EROFS || fd == -EACCES;
        if (d.readOnly)
            fd = system_.open(d.path, kReadOnly);
        if (fd < 0)
            return statusOfErrno(-fd);
        d.fd = fd;
        if (const int status = identify(d)) {
            releaseDrive(drive);
            return status;
        }
    }
    device = &d;
    return kStatusOk;
}

int LinuxFloppyBackend::identify(Device& device)
{
    floppy_drive_params params{};
    const int result = system_.ioctl(device.fd, FDGETDRVPRM, &params);
    if (result == -ENOTTY || result == -EINVAL) {
        device.floppy = false;
        device.dosType = kUsbDriveType;
        return kStatusOk;
    }
    if (result < 0)
        return statusOfErrno(-result);
    const auto type = std::find_if(kCmosTypes.begin(), kCmosTypes.end(),
                                   [&](const auto& entry) { return entry.first == params.cmos; });
    if (type == kCmosTypes.end())
        return kStatusNoDevice; // the controller has no drive there
    device.floppy = true;
    device.dosType = type->second;
    struct stat st {};
    if (const int status = system_.fstat(device.fd, st); status < 0)
        return statusOfErrno(-status);
    device.unit = static_cast<int>(minor(st.st_rdev)) & kUnitMask;
    return kStatusOk;
}

int LinuxFloppyBackend::command(Device& device, unsigned long request, void* arg)
{
    const int result = system_.ioctl(device.fd, request, arg);
    return result < 0 ? statusOfErrno(-result) : kStatusOk;
}

int LinuxFloppyBackend::readAt(const Device& device, std::uint32_t first, std::span<std::uint8_t> out)
{
    std::size_t done = 0;
    while (done < out.size()) {
        const off_t at = static_cast<off_t>(first) * kSectorBytes + static_cast<off_t>(done);
        const ssize_t n = system_.pread(device.fd, out.data() + done, out.size() - done, at);
        if (n < 0)
            return statusOfErrno(static_cast<int>(-n));
        if (n == 0)
            return kStatusInvalid; // past the end of the medium
        done += static_cast<std::size_t>(n);
    }
    return kStatusOk;
}

int LinuxFloppyBackend::mediumSectors(Device& device, std::uint32_t& sectors)
{
    if (device.floppy) {
        floppy_struct geometry{};
        const int status = command(device, FDGETPRM, &geometry);
        sectors = geometry.size;
        return status;
    }
    std::uint64_t bytes = 0;
    const int status = command(device, BLKGETSIZE64, &bytes);
    sectors = static_cast<std::uint32_t>(bytes / kSectorBytes);
    return status;
}

int LinuxFloppyBackend::parameters(int drive, SpecialFunctions which, DriveParameters& out)
{
    Device* device = nullptr;
    if (const int status = open(drive, device))
        return status;
    out.deviceType = device->dosType;
    if (which == kDriveDefaultBpb) {
        out.bpb = driveTypeOf(device->dosType)->native().bpb();
        return kStatusOk;
    }
    // Reading the boot sector first lets the floppy driver detect the geometry.
    std::vector<std::uint8_t> boot(kSectorBytes);
    std::uint32_t sectors = 0;
    if (const int status = readAt(*device, 0, boot))
        return status;
    if (const int status = mediumSectors(*device, sectors))
        return status;
    if (const auto bpb = Bpb::fromBootSector(boot, sectors)) {
        out.bpb = *bpb;
        return kStatusOk;
    }
    const MediumFormat* format = mediumFormatOfSize(std::uint64_t{sectors} * kSectorBytes);
    if (!format)
        return kStatusWrongMedia;
    out.bpb = format->bpb();
    return kStatusOk;
}

int LinuxFloppyBackend::readId(Device& device, std::uint8_t rate)
{
    floppy_raw_cmd raw = rawCommand(0, rate, 0);
    raw.cmd_count = 2;
    raw.cmd[0] = FD_READID;
    raw.cmd[1] = static_cast<unsigned char>(device.unit);
    return send(system_, device.fd, raw);
}

int LinuxFloppyBackend::checkMedia(int drive)
{
    Device* device = nullptr;
    if (const int status = open(drive, device))
        return status;
    if (!device->floppy) {
        std::vector<std::uint8_t> boot(kSectorBytes);
        return readAt(*device, 0, boot);
    }
    // No sector ID found at any rate the drive can read means a blank diskette.
    int status = kStatusUnformatted;
    for (const std::uint8_t rate : probeRates(device->dosType)) {
        status = readId(*device, rate);
        if (status != kStatusUnformatted)
            break;
    }
    return status;
}

int LinuxFloppyBackend::prepareTransfer(int drive)
{
    Device* device = nullptr;
    return open(drive, device);
}

int LinuxFloppyBackend::readSectors(int drive, std::uint32_t first, std::span<std::uint8_t> out)
{
    Device* device = nullptr;
    if (const int status = open(drive, device))
        return status;
    return out.size() % kSectorBytes == 0 ? readAt(*device, first, out) : kStatusInvalid;
}

int LinuxFloppyBackend::writable(Device& device)
{
    if (device.readOnly)
        return kStatusWriteProtect;
    if (!device.floppy)
        return kStatusOk;
    floppy_drive_struct state{};
    if (const int status = command(device, FDPOLLDRVSTAT, &state))
        return status;
    return (state.flags & FD_DISK_WRITABLE) ? kStatusOk : kStatusWriteProtect;
}

int LinuxFloppyBackend::writeSectors(int drive, std::uint32_t first, std::span<const std::uint8_t> data)
{
    Device* device = nullptr;
    if (const int status = open(drive, device))
        return status;
    if (data.size() % kSectorBytes != 0)
        return kStatusInvalid;
    if (const int status = writable(*device))
        return status;
    std::size_t done = 0;
    while (done < data.size()) {
        const off_t at = static_cast<off_t>(first) * kSectorBytes + static_cast<off_t>(done);
        const ssize_t n = system_.pwrite(device->fd, data.data() + done, data.size() - done, at);
        if (n < 0)
            return statusOfErrno(static_cast<int>(-n));
        if (n == 0)
            return kStatusNoSpace;
        done += static_cast<std::size_t>(n);
    }
    return kStatusOk;
}

int LinuxFloppyBackend::setGeometry(Device& device, const MediumFormat& format)
{
    const FloppyLayout* layout = layoutOf(format, device.dosType);
    if (!layout)
        return kStatusInvalid;
    floppy_struct geometry{};
    geometry.size = format.sectors();
    geometry.sect = format.sectorsPerTrack();
    geometry.head = format.bpb().heads;
    geometry.track = format.cylinders();
    geometry.stretch = layout->stretch;
    geometry.gap = layout->gap;
    geometry.rate = layout->rate;
    geometry.spec1 = layout->spec1;
    geometry.fmt_gap = layout->formatGap;
    return command(device, FDSETPRM, &geometry);
}

int LinuxFloppyBackend::formatTrack(Device& device, const CylinderFormat& format, int head,
                                    const MediumFormat& medium)
{
    const FloppyLayout* layout = layoutOf(medium, device.dosType);
    if (!layout)
        return kStatusInvalid;
    const auto& ids = format.sectorIds[static_cast<std::size_t>(head)];
    std::vector<unsigned char> fields;
    fields.reserve(ids.size() * kIdFieldBytes);
    for (const std::uint8_t id : ids) {
        const std::array<unsigned char, kIdFieldBytes> field = {
            static_cast<unsigned char>(format.cylinder), static_cast<unsigned char>(head), id,
            static_cast<unsigned char>(format.sizeCode)};
        fields.insert(fields.end(), field.begin(), field.end());
    }
    // A 40-track diskette in an 80-track drive steps over every other track.
    const int track = static_cast<int>(format.cylinder << (layout->stretch & FD_STRETCH));
    floppy_raw_cmd raw = rawCommand(FD_RAW_WRITE, layout->rate, track);
    raw.data = fields.data();
    raw.length = static_cast<long>(fields.size());
    raw.cmd_count = 6;
    raw.cmd[0] = FD_FORMAT;
    raw.cmd[1] = static_cast<unsigned char>((head << kHeadShift) | device.unit);
    raw.cmd[2] = static_cast<unsigned char>(format.sizeCode);
    raw.cmd[3] = static_cast<unsigned char>(ids.size());
    raw.cmd[4] = layout->formatGap;
    raw.cmd[5] = kFormatFillByte;
    return send(system_, device.fd, raw);
}

int LinuxFloppyBackend::formatCylinder(int drive, const CylinderFormat& format)
{
    Device* device = nullptr;
    if (const int status = open(drive, device))
        return status;
    if (!device->floppy || format.sizeCode != kSizeCode512)
        return kStatusInvalid;
    const auto formats = formatsOf(*driveTypeOf(device->dosType));
    const auto medium = std::find_if(formats.begin(), formats.end(), [&](const MediumFormat* f) {
        return f->sectorsPerTrack() == format.sectorsPerTrack();
    });
    if (medium == formats.end())
        return kStatusWrongMedia;
    if (format.cylinder >= (*medium)->cylinders() || format.sectorIds[1].size() != format.sectorIds[0].size())
        return kStatusInvalid;
    if (const int status = writable(*device))
        return status;
    if (const int status = setGeometry(*device, **medium))
        return status;
    for (int head = 0; head < kHeads; ++head)
        if (const int status = formatTrack(*device, format, head, **medium))
            return status;
    return kStatusOk;
}

int LinuxFloppyBackend::endFormat(int drive)
{
    Device* device = nullptr;
    if (const int status = open(drive, device))
        return status;
    // The block layer forgets what it cached of the old layout.
    return device->floppy ? command(*device, FDFLUSH) : kStatusInvalid;
}

void LinuxFloppyBackend::endTransfer(int drive)
{
    if (configured(drive) && devices_[static_cast<std::size_t>(drive)].fd >= 0)
        system_.fsync(devices_[static_cast<std::size_t>(drive)].fd);
}

void LinuxFloppyBackend::releaseDrive(int drive)
{
    if (!configured(drive))
        return;
    Device& device = devices_[static_cast<std::size_t>(drive)];
    if (device.fd >= 0)
        system_.close(device.fd);
    device.fd = -1;
}

int LinuxFloppyBackend::reset(int drive)
{
    Device* device = nullptr;
    if (const int status = open(drive, device))
        return status;
    if (!device->floppy) {
        const int result = system_.fsync(device->fd);
        return result < 0 ? statusOfErrno(-result) : kStatusOk;
    }
    // FDRESET takes its mode as the argument's value.
    const auto always = reinterpret_cast<void*>(static_cast<std::uintptr_t>(FD_RESET_ALWAYS));
    if (const int status = command(*device, FDRESET, always))
        return status;
    return command(*device, FDFLUSH);
}

int LinuxFloppyBackend::lockLevel(int drive, std::optional<int>& level)
{
    if (!configured(drive))
        return kStatusNoDevice;
    level = locks_.level(drive);
    return kStatusOk;
}

int LinuxFloppyBackend::lockVolume(int drive, int level, int /*permissions*/)
{
    if (!configured(drive))
        return kStatusNoDevice;
    locks_.lock(drive, level);
    return kStatusOk;
}

int LinuxFloppyBackend::unlockVolume(int drive)
{
    if (!configured(drive))
        return kStatusNoDevice;
    return locks_.unlock(drive) ? kStatusOk : kStatusUnlockWithoutLock;
}

} // namespace vellum
