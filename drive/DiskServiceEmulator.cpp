#include "drive/DiskServiceEmulator.h"

#include <array>
#include <utility>

#include "drive/DiskServiceCodes.h"
#include "drive/DriveStatus.h"
#include "drive/DriveType.h"

namespace vellum {

namespace {

using namespace disk_service;

// DOS error codes in AX after a failed service.
constexpr std::uint16_t kDosInvalidFunction = 0x01;
constexpr std::uint16_t kDosGeneralFailure = 0x1F;
constexpr std::array<std::pair<int, std::uint16_t>, 7> kDosErrors = {{
    {kStatusInvalid, kDosInvalidFunction},
    {kStatusNoDevice, 0x0F},          // invalid drive
    {kStatusWriteProtect, 0x13},
    {kStatusNotReady, 0x15},
    {kStatusMediaRemoved, 0x15},
    {kStatusUnlockWithoutLock, 0x05}, // access denied
    {kStatusAccessDenied, 0x05},
}};

// BIOS status codes in AH after an INT 13h service.
constexpr std::uint8_t kBiosOk = 0x00;
constexpr std::uint8_t kBiosBadCommand = 0x01;
constexpr std::uint8_t kBiosSectorNotFound = 0x04;
constexpr std::uint8_t kBiosMediaTypeUnsupported = 0x0C;
constexpr std::uint8_t kBiosControllerFailure = 0x20;
constexpr std::array<std::pair<int, std::uint8_t>, 8> kBiosErrors = {{
    {kStatusInvalid, kBiosBadCommand},
    {kStatusNoDevice, kBiosBadCommand},
    {kStatusUnformatted, 0x02},        // address mark not found
    {kStatusWriteProtect, 0x03},
    {kStatusMediaChanged, 0x06},
    {kStatusWrongMedia, kBiosMediaTypeUnsupported},
    {kStatusNotReady, 0x80},           // timeout, drive not ready
    {kStatusMediaRemoved, 0x80},
}};

template <typename Code, std::size_t N>
Code lookup(const std::array<std::pair<int, Code>, N>& table, int status, Code fallback)
{
    for (const auto& [s, code] : table)
        if (s == status)
            return code;
    return fallback;
}

// A drive number from a register, or -1, which every backend refuses.
int driveFrom(std::uint32_t value, int base)
{
    const std::int64_t drive = std::int64_t{value} - base;
    return drive >= 0 && drive < DriveBackend::kDrives ? static_cast<int>(drive) : -1;
}

void dosResult(REGS& regs, int status)
{
    if (status == kStatusOk) {
        regs.Flags &= ~(kCarryFlag | kServiceFailedFlag);
        return;
    }
    regs.Flags |= kCarryFlag | kServiceFailedFlag;
    regs.EAX = lookup(kDosErrors, status, kDosGeneralFailure);
}

std::uint8_t biosCode(int status)
{
    return status == kStatusOk ? kBiosOk : lookup(kBiosErrors, status, kBiosControllerFailure);
}

void biosResult(REGS& regs, std::uint8_t code)
{
    regs.EAX = (regs.EAX & ~0xFF00u) | (std::uint32_t{code} << 8);
    if (code == kBiosOk)
        regs.Flags &= ~kCarryFlag;
    else
        regs.Flags |= kCarryFlag;
}

// Cylinder of CH and the top two bits of CL, as INT 13h packs it.
std::uint32_t biosCylinder(const REGS& regs)
{
    return high8(regs.ECX) | ((low8(regs.ECX) & 0xC0u) << 2);
}

std::uint32_t biosSector(const REGS& regs)
{
    return low8(regs.ECX) & 0x3Fu;
}

} // namespace

void DiskServiceEmulator::dosIoctl(REGS& regs, std::span<std::uint8_t> block)
{
    const std::uint16_t function = low16(regs.EAX);
    if (function == kResetDrive) {
        dosResult(regs, backend_.reset(driveFrom(low8(regs.EDX), 1)));
        return;
    }
    if (function != kIoctlGenericBlock || high8(regs.ECX) != kDiskCategory) {
        dosResult(regs, kStatusInvalid);
        return;
    }
    switch (low8(regs.ECX)) {
    case kGetDeviceParameters: getDeviceParameters(regs, block); break;
    case kGetLockLevel: getLockLevel(regs); break;
    case kLockPhysical:
        dosResult(regs, backend_.lockVolume(driveFrom(low8(regs.EBX), 0), high8(regs.EBX), low16(regs.EDX)));
        break;
    case kUnlockPhysical: dosResult(regs, backend_.unlockVolume(driveFrom(low8(regs.EBX), 0))); break;
    default: dosResult(regs, kStatusInvalid);
    }
}

void DiskServiceEmulator::getDeviceParameters(REGS& regs, std::span<std::uint8_t> block)
{
    if (block.size() < DeviceParameterBlock::kSize) {
        dosResult(regs, kStatusInvalid);
        return;
    }
    DeviceParameterBlock parameters(block[0]);
    // Bit 0 of the special functions asks for the medium's BPB.
    const SpecialFunctions which = (block[0] & 1) ? kCurrentMediumBpb : kDriveDefaultBpb;
    DriveParameters found;
    const int status = backend_.parameters(driveFrom(low8(regs.EBX), 1), which, found);
    if (status == kStatusOk) {
        parameters.fill(found.deviceType, found.bpb);
        std::copy(parameters.bytes().begin(), parameters.bytes().end(), block.begin());
    }
    dosResult(regs, status);
}

void DiskServiceEmulator::getLockLevel(REGS& regs)
{
    std::optional<int> level;
    const int status = backend_.lockLevel(driveFrom(low8(regs.EBX), 1), level);
    if (status == kStatusOk)
        regs.EAX = level ? static_cast<std::uint32_t>(*level) : kNotLocked;
    dosResult(regs, status);
}

void DiskServiceEmulator::absoluteRead(REGS& regs, const DiskIoPacket& packet)
{
    if (regs.ECX != kPacketForm16) {
        dosResult(regs, kStatusInvalid);
        return;
    }
    packetTransfer(regs, driveFrom(low8(regs.EAX), 0), packet, false);
}

void DiskServiceEmulator::extendedDiskIo(REGS& regs, const DiskIoPacket& packet)
{
    if (low16(regs.EAX) != kExtendedDiskIo || regs.ECX != kPacketForm32) {
        dosResult(regs, kStatusInvalid);
        return;
    }
    packetTransfer(regs, driveFrom(low8(regs.EDX), 1), packet, (regs.ESI & kWriteFlag) != 0);
}

void DiskServiceEmulator::packetTransfer(REGS& regs, int drive, const DiskIoPacket& packet, bool writing)
{
    const std::size_t bytes = std::size_t{packet.count} * kSectorBytes;
    if (packet.count == 0 || bytes > packet.buffer.size()) {
        dosResult(regs, kStatusInvalid);
        return;
    }
    const auto data = packet.buffer.first(bytes);
    dosResult(regs, writing ? backend_.writeSectors(drive, packet.firstSector, data)
                            : backend_.readSectors(drive, packet.firstSector, data));
}

void DiskServiceEmulator::biosDisk(REGS& regs, std::span<std::uint8_t> buffer)
{
    switch (high8(regs.EAX)) {
    case kBiosReset: biosResult(regs, biosCode(backend_.reset(driveFrom(low8(regs.EDX), 0)))); break;
    case kBiosWrite: biosResult(regs, biosWrite(regs, buffer)); break;
    case kBiosSetMediaType: biosResult(regs, biosSetMediaType(regs)); break;
    default: biosResult(regs, kBiosBadCommand);
    }
}

std::uint8_t DiskServiceEmulator::biosWrite(const REGS& regs, std::span<std::uint8_t> buffer)
{
    const int drive = driveFrom(low8(regs.EDX), 0);
    const std::uint32_t count = low8(regs.EAX);
    if (count == 0 || std::size_t{count} * kSectorBytes > buffer.size())
        return kBiosBadCommand;
    // The BIOS addresses sectors by cylinder, head and sector ID on the
    // medium's own layout.
    DriveParameters medium;
    if (const int status = backend_.parameters(drive, kCurrentMediumBpb, medium))
        return biosCode(status);
    const Bpb& b = medium.bpb;
    const std::uint32_t cylinder = biosCylinder(regs);
    const std::uint32_t head = high8(regs.EDX);
    const std::uint32_t sector = biosSector(regs);
    if (sector == 0 || sector + count - 1 > b.sectorsPerTrack || head >= b.heads || cylinder >= b.cylinders())
        return kBiosSectorNotFound;
    const std::uint32_t first = (cylinder * b.heads + head) * b.sectorsPerTrack + sector - 1;
    return biosCode(backend_.writeSectors(drive, first, buffer.first(std::size_t{count} * kSectorBytes)));
}

std::uint8_t DiskServiceEmulator::biosSetMediaType(const REGS& regs)
{
    DriveParameters drive;
    if (const int status = backend_.parameters(driveFrom(low8(regs.EDX), 0), kDriveDefaultBpb, drive))
        return biosCode(status);
    const DriveType* type = driveTypeOf(drive.deviceType);
    const std::uint32_t cylinders = biosCylinder(regs) + 1;
    for (const StandardFormat& f : standardFormats())
        if (type && type->takes(f) && f.sectorsPerTrack == biosSector(regs) && f.cylinders() == cylinders)
            return kBiosOk;
    return kBiosMediaTypeUnsupported;
}

} // namespace vellum
