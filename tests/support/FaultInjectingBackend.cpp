#include "tests/support/FaultInjectingBackend.h"

#include <string>

#include "core/Error.h"

namespace vellum::test {

namespace {

void checkCount(int n)
{
    if (n < 1)
        throw Error("Requests are counted from 1, not " + std::to_string(n));
}

std::uint32_t sectorsIn(std::size_t bytes)
{
    return static_cast<std::uint32_t>(bytes / kSectorBytes);
}

} // namespace

void FaultInjectingBackend::failRequest(RequestKind kind, int n, int status)
{
    checkCount(n);
    failures_[{kind, n}] = status;
}

void FaultInjectingBackend::swapMedium(RequestKind kind, int n, int drive, std::filesystem::path medium)
{
    checkCount(n);
    swaps_[{kind, n}] = {drive, std::move(medium)};
}

std::optional<int> FaultInjectingBackend::intercept(const DriveRequest& request)
{
    log_.push_back(request);
    const Planned planned{request.kind, ++counts_[static_cast<std::size_t>(request.kind)]};
    if (const auto swap = swaps_.find(planned); swap != swaps_.end()) {
        const auto& [drive, medium] = swap->second;
        if (medium.empty())
            drives_.eject(drive);
        else
            drives_.insert(drive, medium);
    }
    if (const auto failure = failures_.find(planned); failure != failures_.end())
        return failure->second;
    return std::nullopt;
}

int FaultInjectingBackend::parameters(int drive, SpecialFunctions which, DriveParameters& out)
{
    return pass({RequestKind::Parameters, drive}, [&] { return drives_.parameters(drive, which, out); });
}

int FaultInjectingBackend::checkMedia(int drive)
{
    return pass({RequestKind::CheckMedia, drive}, [&] { return drives_.checkMedia(drive); });
}

int FaultInjectingBackend::prepareTransfer(int drive)
{
    return pass({RequestKind::Prepare, drive}, [&] { return drives_.prepareTransfer(drive); });
}

int FaultInjectingBackend::readSectors(int drive, std::uint32_t first, std::span<std::uint8_t> out)
{
    return pass({RequestKind::Read, drive, first, sectorsIn(out.size())},
                [&] { return drives_.readSectors(drive, first, out); });
}

int FaultInjectingBackend::writeSectors(int drive, std::uint32_t first, std::span<const std::uint8_t> data)
{
    return pass({RequestKind::Write, drive, first, sectorsIn(data.size())},
                [&] { return drives_.writeSectors(drive, first, data); });
}

int FaultInjectingBackend::formatCylinder(int drive, const CylinderFormat& format)
{
    return pass({RequestKind::Format, drive, format.cylinder, format.sectorsPerTrack()},
                [&] { return drives_.formatCylinder(drive, format); });
}

int FaultInjectingBackend::endFormat(int drive)
{
    return pass({RequestKind::EndFormat, drive}, [&] { return drives_.endFormat(drive); });
}

void FaultInjectingBackend::endTransfer(int drive)
{
    if (!intercept({RequestKind::EndTransfer, drive}))
        drives_.endTransfer(drive);
}

void FaultInjectingBackend::releaseDrive(int drive)
{
    if (!intercept({RequestKind::Release, drive}))
        drives_.releaseDrive(drive);
}

int FaultInjectingBackend::reset(int drive)
{
    return pass({RequestKind::Reset, drive}, [&] { return drives_.reset(drive); });
}

int FaultInjectingBackend::lockLevel(int drive, std::optional<int>& level)
{
    return pass({RequestKind::LockLevel, drive}, [&] { return drives_.lockLevel(drive, level); });
}

int FaultInjectingBackend::lockVolume(int drive, int level, int permissions)
{
    return pass({RequestKind::Lock, drive}, [&] { return drives_.lockVolume(drive, level, permissions); });
}

int FaultInjectingBackend::unlockVolume(int drive)
{
    return pass({RequestKind::Unlock, drive}, [&] { return drives_.unlockVolume(drive); });
}

} // namespace vellum::test
