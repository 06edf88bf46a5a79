#pragma once
// Real drives on Linux. A floppy device (/dev/fdN) goes through the kernel
// floppy driver: the drive type from its CMOS setting, READ ID commands to
// tell a formatted medium from a blank or missing one, reads and writes
// through the block device, write protection from the drive status, and raw
// FORMAT commands with an explicit sector-ID list per track, so DMF can be
// laid down. Any other block device (a USB diskette drive) is read and
// written by sector; what it cannot do answers 22, "Command not supported
// or invalid".
#include <array>
#include <cstdint>
#include <string>

#include "drive/DriveBackend.h"
#include "drive/LockTable.h"
#include "drive/MediumFormat.h"
#include "drive/SystemCalls.h"

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
    void endTransfer(int drive) override;
    void releaseDrive(int drive) override;
    int reset(int drive) override;
    int lockLevel(int drive, std::optional<int>& level) override;
    int lockVolume(int drive, int level, int permissions) override;
    int unlockVolume(int drive) override;

private:
    struct Device {
        std::string path;
        int fd = -1;
        bool readOnly = false;
        bool floppy = false; // the kernel floppy driver answers its ioctls
        int unit = 0;        // the drive's unit on its controller
        std::uint8_t dosType = 0;
    };

    bool configured(int drive) const;
    // Opens the drive's device when it is not open yet.
    int open(int drive, Device*& device);
    int identify(Device& device);
    int readAt(const Device& device, std::uint32_t first, std::span<std::uint8_t> out);
    int mediumSectors(Device& device, std::uint32_t& sectors);
    int readId(Device& device, std::uint8_t rate);
    int writable(Device& device);
    int setGeometry(Device& device, const MediumFormat& format);
    int formatTrack(Device& device, const CylinderFormat& format, int head, const MediumFormat& layout);
    int command(Device& device, unsigned long request, void* arg = nullptr);

    SystemCalls& system_;
    std::array<Device, kDrives> devices_;
    LockTable locks_;
};

} // namespace vellum
