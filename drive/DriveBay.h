#pragma once
// The program's drives as the profile sets them up: the virtual drives, the
// Linux devices chosen to stand in for some of them, and the router that
// the drive services and the sector driver are given. A drive switched
// between virtual and a device by vlm meanwhile is taken in at the next
// media check, where every operation starts.
#include <memory>
#include <string>

#include "core/Profile.h"
#include "drive/DriveRouter.h"
#include "drive/DriveSettings.h"
#include "drive/LinuxFloppyBackend.h"
#include "drive/SystemCalls.h"
#include "drive/VirtualDriveBackend.h"

namespace vellum {

class DriveBay {
public:
    // Without `system`, the Linux devices are reached through the real system calls.
    explicit DriveBay(Profile& profile, std::unique_ptr<SystemCalls> system = nullptr);

    DriveBackend& drives() { return *router_; }
    VirtualDriveBackend& virtualDrives() { return virtual_; }

    // The Linux device that stands in for the drive; empty for a virtual drive.
    const std::string& device(int drive) const { return settings_.device(drive); }
    // Throws Error when `path` names no block device.
    void useDevice(int drive, const std::string& path);
    void useVirtual(int drive);
    // Takes in what vlm or another copy of the program has set up since.
    void reload();

private:
    void connect();

    DriveSettings settings_;
    std::unique_ptr<SystemCalls> system_;
    VirtualDriveBackend virtual_;
    std::unique_ptr<LinuxFloppyBackend> linux_;
    // The devices linux_ was made for.
    std::array<std::string, DriveBackend::kDrives> connected_;
    std::unique_ptr<DriveRouter> router_;
};

} // namespace vellum
