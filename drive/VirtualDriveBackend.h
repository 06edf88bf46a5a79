#pragma once
// The default drives: A: and B: with the DOS device types the user chose
// (7 and 1 unless changed), each holding a medium that is a raw diskette
// image file on the host, or nothing. A drive takes the media a real drive
// of its type takes and reports the status codes a real driver gives for an
// empty drive, a write-protected or unformatted medium, or a medium it
// cannot take. What is in which drive, write protection and the device
// types live in the profile.
//
// For tests it logs every request and can plan faults: a status for the
// n-th request of a kind, or another medium put in before it.
#include <array>
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

enum class RequestKind {
    Parameters, CheckMedia, Prepare, Read, Write, Format, EndFormat, EndTransfer, Release, Reset,
    LockLevel, Lock, Unlock,
};
inline constexpr std::size_t kRequestKinds = static_cast<std::size_t>(RequestKind::Unlock) + 1;

struct DriveRequest {
    RequestKind kind;
    int drive;
    std::uint32_t first = 0; // first sector, or the cylinder of a format
    std::uint32_t count = 0; // sectors, or sectors per track of a format

    friend bool operator==(const DriveRequest&, const DriveRequest&) = default;
};

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

    const DriveType& driveType(int drive) const;
    // The medium in the drive, as it is now; empty when the drive is empty.
    std::optional<VirtualMedium> medium(int drive) const;
    // The tab is set or the file is read-only.
    bool writeProtected(int drive) const;

    // Fault planning, counting each kind's requests from 1 since construction.
    void failRequest(RequestKind kind, int n, int status);
    // Puts `medium` in the drive (ejects it when empty) just before the n-th request.
    void swapMedium(RequestKind kind, int n, int drive, std::filesystem::path medium);
    const std::vector<DriveRequest>& requests() const { return log_; }
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
    using Planned = std::pair<RequestKind, int>;

    // Logs the request and plays what was planned for it; a status to answer
    // instead of serving it, or empty to go on.
    std::optional<int> intercept(const DriveRequest& request);
    void put(int drive, const std::filesystem::path& medium);
    // The status of a drive whose medium a request must reach: empty drive,
    // vanished file, no diskette's size, or a medium the drive cannot take.
    int reachable(int drive, const std::optional<VirtualMedium>& medium) const;
    int transferStatus(const DriveRequest& request, const std::optional<VirtualMedium>& medium,
                       bool writing) const;
    int formatStatus(int drive, const CylinderFormat& format, const VirtualMedium& medium,
                     const MediumFormat*& layout) const;

    DriveSettings settings_;
    LockTable locks_;
    std::vector<DriveRequest> log_;
    std::array<int, kRequestKinds> counts_{};
    std::map<Planned, int> failures_;
    std::map<Planned, std::pair<int, std::filesystem::path>> swaps_;
    std::map<std::tuple<int, std::uint32_t, int>, std::vector<std::uint8_t>> sectorIds_;
};

} // namespace vellum
