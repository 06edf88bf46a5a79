#include "drive/CDriveServices.h"

#include <algorithm>
#include <array>
#include <vector>

#include "core/StandardFormats.h"
#include "drive/DiskServiceCodes.h"

namespace vellum {

namespace {

const std::string kCannotGetLockLevel = "Cannot Get Lock Level";
const std::string kCannotLock = "Cannot Lock Volume";
const std::string kCannotUnlock = "Cannot Unlock Volume";

using namespace disk_service;

constexpr std::uint32_t kResetAndFlush = 0;
constexpr std::uint32_t kReadMode = 0;

constexpr std::uint32_t kBiosWriteOneSector = (kBiosWrite << 8) | 1;
constexpr std::uint32_t kDmfTestCylinder = 79;
constexpr std::uint32_t kDmfTestSectorChs = kDmfTestCylinder << 8 | kDmfSectorsPerTrack; // its last sector
constexpr std::uint32_t kHeadOne = 0x0100;
constexpr std::uint8_t kDmfTestFill = 0xF8;

// Device types that are diskette drives; 2.88 MB drives (9) never count.
constexpr int kMaskBits = 32;
constexpr std::array<std::uint8_t, 7> kCountedTypes = {0, 1, 2, 3, 4, 7, 8};

bool serviceFailed(const REGS& regs)
{
    return (regs.Flags & kServiceFailedFlag) != 0;
}

bool carry(const REGS& regs)
{
    return (regs.Flags & kCarryFlag) != 0;
}

REGS ioctl(std::uint8_t minorCode, std::uint32_t ebx)
{
    REGS regs;
    regs.EAX = kIoctlGenericBlock;
    regs.ECX = (kDiskCategory << 8) | minorCode;
    regs.EBX = ebx;
    return regs;
}

} // namespace

void CDriveServices::Vwin32Call(REGS& regs, std::span<std::uint8_t> block)
{
    regs.Flags = kServiceFailedFlag;
    emulator_.dosIoctl(regs, block);
}

bool CDriveServices::GetDeviceParameters(int drive, DeviceParameterBlock& block)
{
    REGS regs = ioctl(kGetDeviceParameters, static_cast<std::uint32_t>(drive));
    Vwin32Call(regs, block.bytes());
    return !serviceFailed(regs);
}

std::uint32_t CDriveServices::GetLockLevel(int drive)
{
    REGS regs = ioctl(kGetLockLevel, static_cast<std::uint32_t>(drive));
    Vwin32Call(regs);
    if (serviceFailed(regs)) {
        prompter_.warn(kCannotGetLockLevel);
        return 0;
    }
    return low16(regs.EAX);
}

bool CDriveServices::LockVolume(int level, int permissions, int drive)
{
    REGS regs = ioctl(kLockPhysical, static_cast<std::uint32_t>(level) * 256 + static_cast<std::uint32_t>(drive));
    regs.EDX = static_cast<std::uint32_t>(permissions);
    Vwin32Call(regs);
    if (serviceFailed(regs)) {
        prompter_.warn(kCannotLock);
        return false;
    }
    return true;
}

bool CDriveServices::UnlockVolume(int drive)
{
    REGS regs = ioctl(kUnlockPhysical, static_cast<std::uint32_t>(drive));
    Vwin32Call(regs);
    if (serviceFailed(regs)) {
        prompter_.warn(kCannotUnlock);
        return false;
    }
    return true;
}

void CDriveServices::ResetDrive(int drive)
{
    REGS regs;
    regs.EAX = kResetDrive;
    regs.ECX = kResetAndFlush;
    regs.EDX = static_cast<std::uint32_t>(drive) + 1;
    Vwin32Call(regs);
}

bool CDriveServices::AbsoluteRead(int drive, std::uint32_t first, std::uint16_t count,
                                  std::span<std::uint8_t> buffer)
{
    REGS regs;
    regs.ECX = kPacketForm16;
    regs.EAX = static_cast<std::uint32_t>(drive - 1);
    emulator_.absoluteRead(regs, {first, count, buffer});
    return !carry(regs);
}

bool CDriveServices::ExtendedAbsoluteRead(int drive, std::uint32_t first, std::uint16_t count,
                                          std::span<std::uint8_t> buffer)
{
    REGS regs;
    regs.EAX = kExtendedDiskIo;
    regs.ECX = kPacketForm32;
    regs.EDX = static_cast<std::uint32_t>(drive);
    regs.ESI = kReadMode;
    emulator_.extendedDiskIo(regs, {first, count, buffer});
    return !carry(regs);
}

void CDriveServices::BiosDisk(REGS& regs, std::span<std::uint8_t> buffer)
{
    emulator_.biosDisk(regs, buffer);
}

bool CDriveServices::biosReset(int drive)
{
    REGS regs;
    regs.EAX = std::uint32_t{kBiosReset} << 8;
    regs.EDX = static_cast<std::uint32_t>(drive);
    BiosDisk(regs, {});
    return !carry(regs);
}

bool CDriveServices::biosSetMediaType(int drive, int cylinders, int sectorsPerTrack)
{
    REGS regs;
    regs.EAX = std::uint32_t{kBiosSetMediaType} << 8;
    regs.ECX = (static_cast<std::uint32_t>(cylinders - 1) << 8) | static_cast<std::uint32_t>(sectorsPerTrack);
    regs.EDX = static_cast<std::uint32_t>(drive);
    BiosDisk(regs, {});
    return !carry(regs);
}

void CDriveServices::WriteDmfTestSector(bool driveIsA)
{
    std::vector<std::uint8_t> sector(kSectorBytes, kDmfTestFill);
    REGS regs;
    regs.EAX = kBiosWriteOneSector;
    regs.ECX = kDmfTestSectorChs;
    regs.EDX = kHeadOne + (driveIsA ? 0 : 1);
    regs.Flags = kServiceFailedFlag;
    BiosDisk(regs, sector);
}

int CDriveServices::CountFloppyDrives(std::uint32_t mask)
{
    int count = 0;
    for (int drive = 1; drive <= kMaskBits && (mask & (1u << (drive - 1))) != 0; ++drive) {
        DeviceParameterBlock block(kDriveDefaultBpb);
        if (!GetDeviceParameters(drive, block))
            return 0;
        const bool diskette = std::find(kCountedTypes.begin(), kCountedTypes.end(), block.deviceType()) !=
                              kCountedTypes.end();
        if (diskette && block.bpb().sectorsPerCluster != 0)
            ++count;
    }
    return count;
}

} // namespace vellum
