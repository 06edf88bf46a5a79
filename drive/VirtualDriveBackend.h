#pragma once
// The default drives: A: and B: with the DOS device types the user chose
// (7 and 1 unless changed), each holding a medium that is a raw diskette
// image file on the host, or nothing. A drive takes the media a real drive
// of its type takes and reports the status codes a real driver gives for an
// empty drive, a write-protected or unformatted medium, or a medium it
// cannot take. What is in which drive, write protection and the device
// types live in the profile.
#include <filesystem>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

#include "core/Profile.h"
#include "drive/DriveBackend.h"
#include "drive/DriveSettings.h"
#include "drive/DriveType.h"
#include "drive/LockTable.h"
#include "drive/VirtualMedium.h"

namespace vellum {

class VirtualDriveBackend : public DriveBackend {
public:
    explicit VirtualDriveBackend(Profile& profile);

    // The user's side; every change is saved in the profile.
    // Throws Error when the file is not a diskette image.
    void insert(int drive, const std::filesystem::path& medium);
    void eject(int drive);
    // The write-protect tab of the medium in the drive.
    void setWriteProtected(int drive, bool on);
    void setDeviceType(int drive, int dosType);
    // Takes in what vlm or another copy of the program has set up since.
    void reload() { settings_.reload(); }

    const DriveType& driveType(int drive) const;
    // The medium in the drive, as it is now; empty when the drive is empty.
    std::optional<VirtualMedium> medium(int drive) const;
    // The tab is set or the file is read-only.
    bool writeProtected(int drive) const;

    // The sector IDs the last format of that track laid down, in physical order.
    std::optional<std::vector<std::uint8_t>> sectorIds(int drive, std::uint32_t cylinder, int head) const;

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
    void put(int drive, const std::filesystem::path& medium);
    // The status of a drive whose medium a request must reach: empty drive,
    // vanished file, no diskette's size, or a medium the drive cannot take.
    int reachable(int drive, const std::optional<VirtualMedium>& medium) const;
    int transferStatus(int drive, std::uint32_t first, std::uint32_t count,
                       const std::optional<VirtualMedium>& medium, bool writing) const;
    int formatStatus(int drive, const CylinderFormat& format, const VirtualMedium& medium,
                     const StandardFormat*& layout) const;

    DriveSettings settings_;
    LockTable locks_;
    std::map<std::tuple<int, std::uint32_t, int>, std::vector<std::uint8_t>> sectorIds_;
};

} // namespace vellum
