#pragma once
// The 39-byte DOS device-parameter block of Get Device Parameters: the caller
// zero-fills it and sets the special-functions byte (0 = the drive's default
// BPB, 1 = the BPB of the medium in the drive); the call fills the rest.
#include <array>
#include <cstdint>
#include <span>

#include "core/DriveGeometry.h"
#include "core/Bpb.h"

namespace vellum {

enum SpecialFunctions : std::uint8_t {
    kDriveDefaultBpb = 0,
    kCurrentMediumBpb = 1,
};

class DeviceParameterBlock {
public:
    static constexpr std::size_t kSize = 39;

    explicit DeviceParameterBlock(std::uint8_t specialFunctions = kDriveDefaultBpb);

    std::span<std::uint8_t> bytes() { return bytes_; }
    std::span<const std::uint8_t> bytes() const { return bytes_; }

    std::uint8_t deviceType() const { return bytes_[1]; }
    std::uint16_t cylinders() const;
    Bpb bpb() const;

    void fill(std::uint8_t deviceType, const Bpb& bpb);

    // The geometry of the diskette the block describes: MediaCode, the BPB
    // values and the DMF flags.
    DriveGeometry geometry() const;

private:
    std::array<std::uint8_t, kSize> bytes_{};
};

} // namespace vellum
