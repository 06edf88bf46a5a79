#pragma once
// Real drives on Linux. A floppy device (/dev/fdN) goes through the kernel
// floppy driver: the drive type from its CMOS setting, the geometry through
// FDSETPRM, whole tracks read and written on the block device past the page
// cache, a changed or missing diskette and write protection from the drive
// status, and formats through FDFMTBEG/FDFMTTRK/FDFMTEND. Where the kernel
// offers raw controller commands (stock kernels do not), READ ID tells a
// blank diskette from an unreadable one and FORMAT lays an explicit
// sector-ID list per track. A USB diskette drive is read and written by
// sector and speaks UFI (UfiDrive) for its diskette, write protection and
// formats; what another block device cannot do answers 22, "Command not
// supported or invalid". Every write reaches the medium before it reports
// success, and a read after a write reads the medium again.
#include <array>
#include <cstdint>
#include <string>

#include "drive/DriveBackend.h"
#include "drive/LockTable.h"
#include "core/StandardFormats.h"
#include "drive/SystemCalls.h"
#include "drive/UfiDrive.h"

struct floppy_raw_cmd;

namespace vellum {

class LinuxFloppyBackend : public DriveBackend {
public:
    // The device of each drive; a drive without one answers 23.
    LinuxFloppyBackend(SystemCalls& system, std::array<std::string, kDrives> devices);
    ~LinuxFloppyBackend() override;
    LinuxFloppyBackend(const LinuxFloppyBackend&) = delete;
    LinuxFloppyBackend& operator=(const LinuxFloppyBackend&) = delete;

    int parameters(int drive, SpecialFunctions which, DriveParameters& out) override;
    int checkMedia(int drive) override;
    int prepareTransfer(int drive) override;
    int readSectors(int drive, std::uint32_t first, std::span<std::uint8_t> out) override;
    int writeSectors(int drive, std::uint32_t first, std::span<const std::uint8_t> data) override;
    int formatCylinder(int drive, const CylinderFormat& format) override;
    int endFormat(int drive) override;
    std::string formatRefusal(int drive, const StandardFormat& format) override;
    void endTransfer(int drive) override;
    void releaseDrive(int drive) override;
    int reset(int drive) override;
    int lockLevel(int drive, std::optional<int>& level) override;
    int lockVolume(int drive, int level, int permissions) override;
    int unlockVolume(int drive) override;

private:
    enum class RawCommands { Unknown, Present, Absent };

    struct Device {
        std::string path;
        int fd = -1;
        bool readOnly = false;
        bool floppy = false; // the kernel floppy driver answers its ioctls
        int unit = 0;        // the drive's unit on its controller
        std::uint8_t dosType = 0;
        RawCommands raw = RawCommands::Unknown; // learnt from the first one sent
        bool wrote = false;                     // the next read flushes the driver's buffers first
        bool formatting = false;                // between FDFMTBEG and FDFMTEND
        unsigned formatSectors = 0;             // the sectors per track FDSETPRM set for the format
    };

    bool configured(int drive) const;
    // Opens the drive's device when it is not open yet.
    int open(int drive, Device*& device);
    int identify(Device& device);
    int readAt(Device& device, std::uint32_t first, std::span<std::uint8_t> out);
    int writeAt(Device& device, std::uint32_t first, std::span<const std::uint8_t> data);
    // A failed transfer's errno as a status; an I/O error on a changed diskette is 25.
    int transferError(Device& device, int error);
    // The driver forgets its buffers and looks at the diskette again.
    int flush(Device& device);
    // The drive status flags; a changed diskette is flushed so the driver takes it.
    int pollChange(Device& device, unsigned long& flags);
    int mediumSectors(Device& device, std::uint32_t& sectors);
    // The driver guesses a geometry from the first track (a DMF diskette passes
    // for 1.44 MB); the boot sector's, when the drive takes it, replaces it.
    int adoptBootGeometry(Device& device, std::span<const std::uint8_t> boot, std::uint32_t& sectors);
    int readId(Device& device, std::uint8_t rate);
    int findSectorId(Device& device);
    int writable(Device& device);
    int setGeometry(Device& device, const StandardFormat& format);
    int beginFormat(Device& device, const StandardFormat& format);
    int formatTrack(Device& device, const CylinderFormat& format, int head, const StandardFormat& layout);
    int formatUsb(Device& device, const CylinderFormat& format);
    int formatTrackRaw(Device& device, const CylinderFormat& format, int head, const StandardFormat& layout);
    int command(Device& device, unsigned long request, void* arg = nullptr);
    // A raw controller command; the first refused one marks the kernel as without them.
    int send(Device& device, floppy_raw_cmd& raw);

    SystemCalls& system_;
    UfiDrive ufi_;
    std::array<Device, kDrives> devices_;
    LockTable locks_;
};

} // namespace vellum
