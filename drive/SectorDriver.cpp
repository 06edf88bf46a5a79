#include "drive/SectorDriver.h"

#include <optional>

#include "core/DosTime.h"
#include "drive/DriveStatus.h"

namespace vellum {

namespace {

// A drive number from EBX, or -1, which every backend refuses.
int driveOf(const REGS& regs)
{
    return regs.EBX < static_cast<std::uint32_t>(DriveBackend::kDrives) ? static_cast<int>(regs.EBX) : -1;
}

} // namespace

std::tm SectorDriver::systemLocalTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

void SectorDriver::DrvGetVersion(REGS& regs)
{
    regs.EAX = kVersion;
}

std::span<std::uint8_t> SectorDriver::DrvRequest(REGS& regs)
{
    regs.EAX = static_cast<std::uint32_t>(serve(regs));
    return buffer_;
}

int SectorDriver::serve(const REGS& regs)
{
    const int drive = driveOf(regs);
    switch (regs.EAX) {
    case ReadSectors: return transfer(regs, false);
    case WriteSectors: return transfer(regs, true);
    case CheckMedia: return backend_.checkMedia(drive);
    case EndFormat: return backend_.endFormat(drive);
    case PrepareTransfer: return backend_.prepareTransfer(drive);
    default: return kStatusInvalid;
    }
}

int SectorDriver::transfer(const REGS& regs, bool writing)
{
    if (regs.EDX == 0 || regs.EDX > kTransferSectors)
        return kStatusInvalid;
    const auto data = std::span(buffer_).first(std::size_t{regs.EDX} * kSectorBytes);
    return writing ? backend_.writeSectors(driveOf(regs), regs.ECX, data)
                   : backend_.readSectors(driveOf(regs), regs.ECX, data);
}

void SectorDriver::DrvEndTransfer(REGS& regs)
{
    backend_.endTransfer(driveOf(regs));
}

void SectorDriver::DrvGetLockState(REGS& regs)
{
    std::optional<int> level;
    const int status = backend_.lockLevel(driveOf(regs), level);
    regs.EAX = status == kStatusOk && level ? static_cast<std::uint32_t>(*level) : kNotLocked;
}

void SectorDriver::DrvGetDosDateTime(REGS& regs)
{
    const DosStamp stamp = DosTime::fromTm(clock_());
    regs.EAX = stamp.time;
    regs.EBX = stamp.date;
}

void SectorDriver::DrvReleaseDrive(REGS& regs)
{
    backend_.releaseDrive(driveOf(regs));
}

std::uint32_t SectorDriver::version()
{
    REGS regs;
    DrvGetVersion(regs);
    return regs.EAX;
}

DosStamp SectorDriver::dosDateTime()
{
    REGS regs;
    DrvGetDosDateTime(regs);
    return {low16(regs.EBX), low16(regs.EAX)};
}

std::uint32_t SectorDriver::endFormat(int drive)
{
    REGS regs;
    regs.EAX = DrvFunction::EndFormat;
    regs.EBX = static_cast<std::uint32_t>(drive);
    DrvRequest(regs);
    return regs.EAX;
}

} // namespace vellum
