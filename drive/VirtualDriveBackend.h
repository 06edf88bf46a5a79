#pragma once
// The default drives: A: and B: with the DOS device types the user chose
// (7 and 1 unless changed), each holding a medium that is a raw diskette
// image file on the host, or nothing. A drive takes the media a real drive
// of its type takes and reports the status codes a real driver gives for an
// empty drive, a write-protected or unformatted medium, or a medium it
// cannot take. What is in which drive, write protection and the device
// types live in the profile. A medium's fault file (MediumFaults) makes
// its sectors fail or slow down as a damaged diskette's do.
#include <array>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <optional>
#include <tuple>
#include <vector>

#include "core/Profile.h"
#include "drive/DriveBackend.h"
#include "drive/DriveSettings.h"
#include "drive/DriveType.h"
#include "drive/LockTable.h"
#include "drive/MediumFaults.h"
#include "drive/VirtualMedium.h"

namespace vellum {

class VirtualDriveBackend : public DriveBackend {
public:
    explicit VirtualDriveBackend(Profile& profile);

    // The user's side; every change is saved in the profile.
    // Throws Error when the file is not a diskette image, or its fault file is malformed.
    void insert(int drive, const std::filesystem::path& medium);
    // The same for any image Vellum opens: an archive or packed image goes in
    // as the raw image it holds, unpacked to FOLDER/NAME.img, write-protected,
    // as the archive itself is not written.
    void insertImage(int drive, const std::filesystem::path& file, const std::filesystem::path& folder);
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
    // The medium as last looked at, with the file's state then.
    struct SeenMedium {
        std::string path;
        struct stat seen;
        VirtualMedium medium;
    };

    void put(int drive, const std::filesystem::path& medium);
    // The medium in the drive as it is now, null for an empty drive: the one
    // seen before while a stat shows its file unchanged, so a transfer of
    // every track neither looks at the file anew nor opens it again.
    const VirtualMedium* current(int drive) const;
    // The status of a drive whose medium a request must reach: empty drive,
    // vanished file, no diskette's size, or a medium the drive cannot take.
    int reachable(int drive, const VirtualMedium* medium) const;
    int transferStatus(int drive, std::uint32_t first, std::uint32_t count, const VirtualMedium* medium,
                       bool writing) const;
    int formatStatus(int drive, const CylinderFormat& format, const VirtualMedium& medium,
                     const StandardFormat*& layout) const;
    int faultStatus(int drive, std::uint32_t first, std::uint32_t count, bool writing);

    DriveSettings settings_;
    LockTable locks_;
    std::array<MediumFaults, kDrives> faults_;
    std::map<std::tuple<int, std::uint32_t, int>, std::vector<std::uint8_t>> sectorIds_;
    mutable std::array<std::optional<SeenMedium>, kDrives> seen_;
};

} // namespace vellum
