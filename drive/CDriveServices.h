#pragma once
// The drive services of one diskette operation: the DOS device IOCTLs, the
// drive reset, absolute reads and the BIOS disk service, each with the
// register contents and success test its callers rely on. Created at the
// start of an operation and dropped at its end; it keeps no state of its own.
//
// Drive numbers: GetDeviceParameters, GetLockLevel and the absolute reads
// take 1-based drives (1 = A:); LockVolume, UnlockVolume, ResetDrive and the
// BIOS take 0-based ones (0 = A:).
#include <cstdint>
#include <span>

#include "core/Prompter.h"
#include "drive/DeviceParameterBlock.h"
#include "drive/DiskServiceCodes.h"
#include "drive/DriveBackend.h"
#include "drive/REGS.h"
#include "drive/DiskServiceEmulator.h"

namespace vellum {

class CDriveServices {
public:
    static constexpr std::uint32_t kNotLocked = disk_service::kNotLocked;

    CDriveServices(DriveBackend& backend, Prompter& prompter) : emulator_(backend), prompter_(prompter) {}

    // A DOS IOCTL: presets Flags to 0x8000, so a service that failed returns
    // with bit 15 still set.
    void Vwin32Call(REGS& regs, std::span<std::uint8_t> block = {});

    // True when the block was filled; on failure it stays as the caller left it.
    bool GetDeviceParameters(int drive, DeviceParameterBlock& block);
    // The lock level, kNotLocked when no lock is held, 0 when the call failed.
    std::uint32_t GetLockLevel(int drive);
    bool LockVolume(int level, int permissions, int drive);
    // The lock every diskette operation holds on its drive: level 1, no permissions.
    bool lockForOperation(int drive) { return LockVolume(kOperationLockLevel, kOperationLockPermissions, drive); }
    bool UnlockVolume(int drive);
    void ResetDrive(int drive);
    // One or more sectors into `buffer`; true when the carry came back clear.
    bool AbsoluteRead(int drive, std::uint32_t first, std::uint16_t count, std::span<std::uint8_t> buffer);
    bool ExtendedAbsoluteRead(int drive, std::uint32_t first, std::uint16_t count, std::span<std::uint8_t> buffer);
    // INT 13h with the registers as the BIOS defines them; `buffer` stands
    // for the address in EBX.
    void BiosDisk(REGS& regs, std::span<std::uint8_t> buffer);
    // INT 13h function 00h for the 0-based drive; true when the carry came back clear.
    bool biosReset(int drive);
    // INT 13h function 18h: the BIOS is told the layout the next format lays down.
    bool biosSetMediaType(int drive, int cylinders, int sectorsPerTrack);
    // 512 bytes of F8h to cylinder 79, head 1, sector 21 of A: or B:.
    void WriteDmfTestSector(bool driveIsA);
    // The diskette drives among the leading run of drives in the mask (bit 0 = A:).
    int CountFloppyDrives(std::uint32_t mask);

private:
    static constexpr int kOperationLockLevel = 1;
    static constexpr int kOperationLockPermissions = 0;

    DiskServiceEmulator emulator_;
    Prompter& prompter_;
};

} // namespace vellum
