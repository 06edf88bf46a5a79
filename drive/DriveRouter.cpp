#include "drive/DriveRouter.h"

#include "drive/DriveStatus.h"

namespace vellum {

DriveBackend* DriveRouter::of(int drive) const
{
    return drive >= 0 && drive < kDrives ? backends_[static_cast<std::size_t>(drive)] : nullptr;
}

int DriveRouter::parameters(int drive, SpecialFunctions which, DriveParameters& out)
{
    DriveBackend* b = of(drive);
    return b ? b->parameters(drive, which, out) : kStatusNoDevice;
}

int DriveRouter::checkMedia(int drive)
{
    if (beforeCheck_)
        beforeCheck_();
    DriveBackend* b = of(drive);
    return b ? b->checkMedia(drive) : kStatusNoDevice;
}

int DriveRouter::prepareTransfer(int drive)
{
    DriveBackend* b = of(drive);
    return b ? b->prepareTransfer(drive) : kStatusNoDevice;
}

int DriveRouter::readSectors(int drive, std::uint32_t first, std::span<std::uint8_t> out)
{
    DriveBackend* b = of(drive);
    return b ? b->readSectors(drive, first, out) : kStatusNoDevice;
}

int DriveRouter::writeSectors(int drive, std::uint32_t first, std::span<const std::uint8_t> data)
{
    DriveBackend* b = of(drive);
    return b ? b->writeSectors(drive, first, data) : kStatusNoDevice;
}

int DriveRouter::formatCylinder(int drive, const CylinderFormat& format)
{
    DriveBackend* b = of(drive);
    return b ? b->formatCylinder(drive, format) : kStatusNoDevice;
}

int DriveRouter::endFormat(int drive)
{
    DriveBackend* b = of(drive);
    return b ? b->endFormat(drive) : kStatusNoDevice;
}

std::string DriveRouter::formatRefusal(int drive, const StandardFormat& format)
{
    DriveBackend* b = of(drive);
    return b ? b->formatRefusal(drive, format) : std::string();
}

void DriveRouter::endTransfer(int drive)
{
    if (DriveBackend* b = of(drive))
        b->endTransfer(drive);
}

void DriveRouter::releaseDrive(int drive)
{
    if (DriveBackend* b = of(drive))
        b->releaseDrive(drive);
}

int DriveRouter::reset(int drive)
{
    DriveBackend* b = of(drive);
    return b ? b->reset(drive) : kStatusNoDevice;
}

int DriveRouter::lockLevel(int drive, std::optional<int>& level)
{
    DriveBackend* b = of(drive);
    return b ? b->lockLevel(drive, level) : kStatusNoDevice;
}

int DriveRouter::lockVolume(int drive, int level, int permissions)
{
    DriveBackend* b = of(drive);
    return b ? b->lockVolume(drive, level, permissions) : kStatusNoDevice;
}

int DriveRouter::unlockVolume(int drive)
{
    DriveBackend* b = of(drive);
    return b ? b->unlockVolume(drive) : kStatusNoDevice;
}

} // namespace vellum
