#pragma once
// Gives each drive its own backend, so A: can be a Linux device while B:
// stays virtual. A drive without a backend answers 23. The router stays the
// one backend its users hold while the drives behind it change.
#include <array>
#include <functional>

#include "drive/DriveBackend.h"

namespace vellum {

class DriveRouter : public DriveBackend {
public:
    // `beforeCheck` runs before each media check, where every operation
    // starts, and may route the drives anew.
    explicit DriveRouter(std::array<DriveBackend*, kDrives> backends, std::function<void()> beforeCheck = {})
        : backends_(backends), beforeCheck_(std::move(beforeCheck))
    {
    }

    void route(std::array<DriveBackend*, kDrives> backends) { backends_ = backends; }

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
    DriveBackend* of(int drive) const;

    std::array<DriveBackend*, kDrives> backends_;
    std::function<void()> beforeCheck_;
};

} // namespace vellum
