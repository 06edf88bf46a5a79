#pragma once
// Virtual drives as a test needs them: every request is logged, and faults
// can be planned, a status answered for the n-th request of a kind, or
// another medium put in the drive just before it.
#include <array>
#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "drive/VirtualDriveBackend.h"

namespace vellum::test {

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

class FaultInjectingBackend : public DriveBackend {
public:
    explicit FaultInjectingBackend(VirtualDriveBackend& drives) : drives_(drives) {}

    // Counting each kind's requests from 1 since construction.
    void failRequest(RequestKind kind, int n, int status);
    // Puts `medium` in the drive (ejects it when empty) just before the n-th request.
    void swapMedium(RequestKind kind, int n, int drive, std::filesystem::path medium);
    const std::vector<DriveRequest>& requests() const { return log_; }

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
    // instead of passing it on, or empty to pass it on.
    std::optional<int> intercept(const DriveRequest& request);
    template <class Serve>
    int pass(const DriveRequest& request, Serve serve)
    {
        const std::optional<int> status = intercept(request);
        return status ? *status : serve();
    }

    VirtualDriveBackend& drives_;
    std::vector<DriveRequest> log_;
    std::array<int, kRequestKinds> counts_{};
    std::map<Planned, int> failures_;
    std::map<Planned, std::pair<int, std::filesystem::path>> swaps_;
};

} // namespace vellum::test
