#include "drive/LinuxFloppyBackend.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fd.h>
#include <linux/fs.h>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <sys/sysmacros.h>
#include <utility>
#include <vector>

#include "core/Bpb.h"
#include "core/Bytes.h"
#include "drive/DriveStatus.h"
#include "drive/DriveType.h"
#include "drive/FloppyRawCommand.h"

namespace vellum {

namespace {

// O_NONBLOCK lets the floppy driver open a drive without a medium in it;
// O_DIRECT keeps the page cache out, so a write reports its own error.
constexpr int kReadWrite = O_RDWR | O_NONBLOCK | O_CLOEXEC | O_DIRECT;
constexpr int kReadOnly = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_DIRECT;
constexpr std::size_t kDirectAlignment = 4096; // direct transfers need aligned buffers
constexpr int kUnitMask = 3;
constexpr std::uint8_t kUsbDriveType = 7; // USB diskette drives are 3.5-inch 1.44 MB drives
constexpr std::uint8_t kHighDensity525Type = 1;

// What the floppy driver needs to lay a format down (its floppy_struct).
struct FloppyLayout {
    std::uint8_t formatCode;
    bool doubleStepped; // a 360K diskette in a 1.2 MB drive: 300 kbit/s, every other track
    unsigned stretch;
    unsigned char gap, rate, spec1, formatGap;
};

constexpr std::array<FloppyLayout, 7> kLayouts = {{
    {kFormatCode360, false, 0, 0x2A, 0x02, 0xDF, 0x50},
    {kFormatCode360, true, FD_STRETCH, 0x23, 0x01, 0xDF, 0x50},
    {kFormatCode720, false, 0, 0x2A, 0x02, 0xDF, 0x50},
    {kFormatCode12, false, 0, 0x1B, 0x00, 0xDF, 0x54},
    {kFormatCode144, false, 0, 0x1B, 0x00, 0xCF, 0x6C},
    {kFormatCodeDmf, false, 0, 0x1C, 0x00, 0xCF, 0x0C},
    {kFormatCode288, false, 0, 0x1B, 0x43, 0xAF, 0x54},
}};

// The drive's CMOS type, as the floppy driver reports it, to its DOS device type.
constexpr std::array<std::pair<int, std::uint8_t>, 6> kCmosTypes = {{
    {1, 0}, {2, 1}, {3, 2}, {4, 7}, {5, 9}, {6, 9},
}};

// Nothing for a format the table does not list.
const FloppyLayout* layoutOf(const StandardFormat& format, std::uint8_t dosType)
{
    const bool doubleStepped = format.kind == MediumKind::DoubleDensity525 && dosType == kHighDensity525Type;
    const auto it = std::find_if(kLayouts.begin(), kLayouts.end(), [&](const FloppyLayout& l) {
        return l.formatCode == format.formatCode && l.doubleStepped == doubleStepped;
    });
    return it == kLayouts.end() ? nullptr : &*it;
}

std::vector<const StandardFormat*> formatsOf(const DriveType& type)
{
    std::vector<const StandardFormat*> formats;
    for (const std::uint8_t code : type.formats)
        if (code != DriveType::kNone)
            formats.push_back(&standardFormat(code));
    return formats;
}

// The data rates of the formats the drive takes, its own format's first.
std::vector<std::uint8_t> probeRates(std::uint8_t dosType)
{
    const DriveType& type = *driveTypeOf(dosType);
    std::vector<std::uint8_t> rates;
    std::vector<const StandardFormat*> formats{&type.native()};
    const auto taken = formatsOf(type);
    formats.insert(formats.end(), taken.begin(), taken.end());
    for (const StandardFormat* f : formats) {
        const FloppyLayout* layout = layoutOf(*f, dosType);
        if (layout && std::find(rates.begin(), rates.end(), layout->rate) == rates.end())
            rates.push_back(layout->rate);
    }
    return rates;
}

struct FreeAligned {
    void operator()(std::uint8_t* bytes) const { std::free(bytes); }
};
using AlignedBytes = std::unique_ptr<std::uint8_t[], FreeAligned>;

AlignedBytes alignedBytes(std::size_t size)
{
    const std::size_t pages = std::max<std::size_t>(1, (size + kDirectAlignment - 1) / kDirectAlignment);
    const std::size_t rounded = pages * kDirectAlignment;
    auto* bytes = static_cast<std::uint8_t*>(std::aligned_alloc(kDirectAlignment, rounded));
    if (!bytes)
        throw std::bad_alloc();
    return AlignedBytes(bytes);
}

} // namespace

LinuxFloppyBackend::LinuxFloppyBackend(SystemCalls& system, std::array<std::string, kDrives> devices)
    : system_(system), ufi_(system)
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
        d.wrote = false;
        d.formatting = false;
        int status = identify(d);
        // Opened without waiting, the driver has not looked at the diskette yet.
        if (status == kStatusOk && d.floppy)
            status = flush(d);
        if (status) {
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

int LinuxFloppyBackend::send(Device& device, floppy_raw_cmd& raw)
{
    const int result = system_.ioctl(device.fd, FDRAWCMD, &raw);
    if (result == -EOPNOTSUPP) {
        device.raw = RawCommands::Absent; // built without them, as stock kernels are
        return kStatusInvalid;
    }
    device.raw = RawCommands::Present;
    return result < 0 ? statusOfErrno(-result) : statusOfReply(raw);
}

int LinuxFloppyBackend::flush(Device& device)
{
    // The driver lets only a writer flush; a reader gets what it has.
    return device.readOnly ? kStatusOk : command(device, FDFLUSH);
}

int LinuxFloppyBackend::pollChange(Device& device, unsigned long& flags)
{
    floppy_drive_struct state{};
    if (const int status = command(device, FDPOLLDRVSTAT, &state))
        return status;
    flags = state.flags;
    // The driver refuses a new diskette until told to forget the old one.
    return (flags & FD_DISK_CHANGED) ? flush(device) : kStatusOk;
}

int LinuxFloppyBackend::transferError(Device& device, int error)
{
    unsigned long flags = 0;
    if (error == EIO && device.floppy && pollChange(device, flags) == kStatusOk && (flags & FD_DISK_CHANGED))
        return kStatusMediaChanged;
    return statusOfErrno(error);
}

int LinuxFloppyBackend::readAt(Device& device, std::uint32_t first, std::span<std::uint8_t> out)
{
    // After a write the driver's track buffer holds what was written: a
    // read-back must come from the diskette.
    if (device.wrote && device.floppy)
        if (const int status = flush(device))
            return status;
    device.wrote = false;
    const AlignedBytes buffer = alignedBytes(out.size());
    std::size_t done = 0;
    while (done < out.size()) {
        const off_t at = static_cast<off_t>(first) * kSectorBytes + static_cast<off_t>(done);
        const ssize_t n = system_.pread(device.fd, buffer.get() + done, out.size() - done, at);
        if (n < 0)
            return transferError(device, static_cast<int>(-n));
        if (n == 0)
            return kStatusInvalid; // past the end of the medium
        done += static_cast<std::size_t>(n);
    }
    std::memcpy(out.data(), buffer.get(), out.size());
    return kStatusOk;
}

int LinuxFloppyBackend::writeAt(Device& device, std::uint32_t first, std::span<const std::uint8_t> data)
{
    const AlignedBytes buffer = alignedBytes(data.size());
    std::memcpy(buffer.get(), data.data(), data.size());
    device.wrote = true;
    std::size_t done = 0;
    while (done < data.size()) {
        const off_t at = static_cast<off_t>(first) * kSectorBytes + static_cast<off_t>(done);
        const ssize_t n = system_.pwrite(device.fd, buffer.get() + done, data.size() - done, at);
        if (n < 0)
            return transferError(device, static_cast<int>(-n));
        if (n == 0)
            return kStatusNoSpace;
        done += static_cast<std::size_t>(n);
    }
    // The device's own cache too: the data is on the medium, or the error is known.
    const int result = system_.fsync(device.fd);
    return result < 0 ? transferError(device, -result) : kStatusOk;
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
    if (const int status = adoptBootGeometry(*device, boot, sectors))
        return status;
    if (const auto bpb = Bpb::fromBootSector(boot, sectors)) {
        out.bpb = *bpb;
        return kStatusOk;
    }
    const StandardFormat* format = formatBySize(std::uint64_t{sectors} * kSectorBytes);
    if (!format)
        return kStatusWrongMedia;
    out.bpb = format->bpb();
    return kStatusOk;
}

int LinuxFloppyBackend::adoptBootGeometry(Device& device, std::span<const std::uint8_t> boot,
                                          std::uint32_t& sectors)
{
    const Bpb stated = Bpb::readFrom(boot);
    const std::uint32_t total = stated.totalSectors;
    if (!device.floppy || total == sectors)
        return kStatusOk;
    for (const StandardFormat* f : formatsOf(*driveTypeOf(device.dosType)))
        if (f->totalSectors == total && f->sectorsPerTrack == stated.sectorsPerTrack) {
            sectors = total;
            return setGeometry(device, *f);
        }
    return kStatusOk;
}

int LinuxFloppyBackend::readId(Device& device, std::uint8_t rate)
{
    floppy_raw_cmd raw = readIdCommand(device.unit, rate);
    return send(device, raw);
}

int LinuxFloppyBackend::findSectorId(Device& device)
{
    // No sector ID found at any rate the drive can read means a blank diskette.
    int status = kStatusUnformatted;
    for (const std::uint8_t rate : probeRates(device.dosType)) {
        status = readId(device, rate);
        if (status != kStatusUnformatted)
            break;
    }
    return status;
}

int LinuxFloppyBackend::checkMedia(int drive)
{
    Device* device = nullptr;
    if (const int status = open(drive, device))
        return status;
    std::vector<std::uint8_t> boot(kSectorBytes);
    if (!device->floppy) {
        // A USB diskette drive tells what is in it; another block device is read.
        const int status = ufi_.checkMedia(device->fd);
        return status == UfiDrive::kNotScsi ? readAt(*device, 0, boot) : status;
    }
    unsigned long flags = 0;
    if (const int status = pollChange(*device, flags))
        return status;
    // The change line stays active while the drive is empty.
    if ((flags & FD_DISK_CHANGED) && (pollChange(*device, flags) != kStatusOk || (flags & FD_DISK_CHANGED)))
        return kStatusNotReady;
    if (device->raw != RawCommands::Absent) {
        const int status = findSectorId(*device);
        if (device->raw == RawCommands::Present)
            return status;
    }
    // Without READ ID, a diskette whose first sector cannot be read is taken as blank.
    const int status = readAt(*device, 0, boot);
    return status == kStatusMediaFailure ? kStatusUnformatted : status;
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
    if (!device.floppy) {
        const int status = ufi_.writable(device.fd);
        return status == UfiDrive::kNotScsi ? kStatusOk : status;
    }
    unsigned long flags = 0;
    if (const int status = pollChange(device, flags))
        return status;
    if (flags & FD_DISK_CHANGED)
        return kStatusMediaChanged;
    return (flags & FD_DISK_WRITABLE) ? kStatusOk : kStatusWriteProtect;
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
    return writeAt(*device, first, data);
}

int LinuxFloppyBackend::setGeometry(Device& device, const StandardFormat& format)
{
    const FloppyLayout* layout = layoutOf(format, device.dosType);
    if (!layout)
        return kStatusInvalid;
    floppy_struct geometry{};
    geometry.size = format.totalSectors;
    geometry.sect = format.sectorsPerTrack;
    geometry.head = format.bpb().heads;
    geometry.track = format.cylinders();
    geometry.stretch = layout->stretch;
    geometry.gap = layout->gap;
    geometry.rate = layout->rate;
    geometry.spec1 = layout->spec1;
    geometry.fmt_gap = layout->formatGap;
    return command(device, FDSETPRM, &geometry);
}

int LinuxFloppyBackend::beginFormat(Device& device, const StandardFormat& format)
{
    if (device.formatting && device.formatSectors == format.sectorsPerTrack)
        return kStatusOk;
    if (const int status = setGeometry(device, format))
        return status;
    if (!device.formatting)
        if (const int status = command(device, FDFMTBEG))
            return status;
    device.formatting = true;
    device.formatSectors = format.sectorsPerTrack;
    return kStatusOk;
}

int LinuxFloppyBackend::formatTrack(Device& device, const CylinderFormat& format, int head,
                                    const StandardFormat& medium)
{
    if (device.raw != RawCommands::Absent) {
        const int status = formatTrackRaw(device, format, head, medium);
        if (device.raw == RawCommands::Present)
            return status;
    }
    // The driver lays its own sector order: 2:1 interleave for a small format gap.
    format_descr track{};
    track.head = static_cast<unsigned>(head);
    track.track = format.cylinder;
    return command(device, FDFMTTRK, &track);
}

int LinuxFloppyBackend::formatTrackRaw(Device& device, const CylinderFormat& format, int head,
                                       const StandardFormat& medium)
{
    const FloppyLayout* layout = layoutOf(medium, device.dosType);
    if (!layout)
        return kStatusInvalid;
    // A 40-track diskette in an 80-track drive steps over every other track.
    const int track = static_cast<int>(format.cylinder << (layout->stretch & FD_STRETCH));
    std::vector<unsigned char> fields;
    floppy_raw_cmd raw = formatTrackCommand(device.unit, format, head, track, layout->rate, layout->formatGap, fields);
    return send(device, raw);
}

int LinuxFloppyBackend::formatCylinder(int drive, const CylinderFormat& format)
{
    Device* device = nullptr;
    if (const int status = open(drive, device))
        return status;
    if (!device->floppy)
        return formatUsb(*device, format);
    if (format.sizeCode != kSizeCode512)
        return kStatusInvalid;
    const auto formats = formatsOf(*driveTypeOf(device->dosType));
    const auto medium = std::find_if(formats.begin(), formats.end(), [&](const StandardFormat* f) {
        return f->sectorsPerTrack == format.sectorsPerTrack();
    });
    if (medium == formats.end())
        return kStatusWrongMedia;
    if (format.cylinder >= (*medium)->cylinders() || format.sectorIds[1].size() != format.sectorIds[0].size())
        return kStatusInvalid;
    if (const int status = writable(*device))
        return status;
    if (const int status = beginFormat(*device, **medium))
        return status;
    device->wrote = true;
    for (int head = 0; head < kHeads; ++head)
        if (const int status = formatTrack(*device, format, head, **medium))
            return status;
    return kStatusOk;
}

int LinuxFloppyBackend::formatUsb(Device& device, const CylinderFormat& format)
{
    if (const int status = writable(device))
        return status;
    device.wrote = true;
    const int status = ufi_.formatCylinder(device.fd, format);
    return status == UfiDrive::kNotScsi ? kStatusInvalid : status;
}

std::string LinuxFloppyBackend::formatRefusal(int drive, const StandardFormat& format)
{
    Device* device = nullptr;
    if (open(drive, device) != kStatusOk || device->floppy)
        return {};
    return UfiDrive::refusal(format);
}

int LinuxFloppyBackend::endFormat(int drive)
{
    Device* device = nullptr;
    if (const int status = open(drive, device))
        return status;
    if (!device->floppy) {
        // Transfers pass the page cache by; opened again, the disk takes its new size.
        releaseDrive(drive);
        return kStatusOk;
    }
    // Either way the block layer forgets what it cached of the old layout.
    const unsigned long request = device->formatting ? FDFMTEND : FDFLUSH;
    device->formatting = false;
    device->wrote = false;
    return command(*device, request);
}

// Each write was synced, and its result checked, as it went.
void LinuxFloppyBackend::endTransfer(int /*drive*/) {}

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
