#pragma once
// What the user set up for drives A: and B:, kept in the profile so the
// application and vlm share it: the DOS device type of a virtual drive, the
// medium file in it and its write protection, and the Linux device that
// stands in for the drive instead (empty for a virtual drive). Each setter
// writes its own value only, so two holders of the settings never undo
// each other's changes.
#include <array>
#include <string>

#include "core/Profile.h"
#include "drive/DriveBackend.h"

namespace vellum {

class DriveSettings {
public:
    static constexpr std::array<int, DriveBackend::kDrives> kDefaultDeviceTypes = {7, 1};

    explicit DriveSettings(Profile& profile);

    int deviceType(int drive) const { return at(drive).deviceType; }
    const std::string& medium(int drive) const { return at(drive).medium; }
    bool writeProtected(int drive) const { return at(drive).writeProtected; }
    const std::string& device(int drive) const { return at(drive).device; }

    // Throws Error for a type no diskette drive has.
    void setDeviceType(int drive, int dosType);
    void setMedium(int drive, const std::string& path);
    void setWriteProtected(int drive, bool on);
    void setDevice(int drive, const std::string& path);

    // Reads the drives again, with what another program (vlm, or a second
    // copy of Vellum) has changed since.
    void reload();

    // "A:" or "B:".
    static std::string driveName(int drive);

private:
    struct Drive {
        int deviceType = 0;
        std::string medium;
        bool writeProtected = false;
        std::string device;
    };

    const Drive& at(int drive) const;
    Drive& at(int drive);

    Profile& profile_;
    std::array<Drive, DriveBackend::kDrives> drives_;
};

} // namespace vellum
