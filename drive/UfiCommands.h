#pragma once
// The command blocks a USB diskette drive (a UFI device) is sent and the
// answers it gives, as the byte layouts of the USB mass-storage UFI
// commands: 12-byte command blocks, big-endian fields.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/StandardFormats.h"

namespace vellum {

// What READ FORMAT CAPACITIES tells of the diskette in the drive.
struct UfiCapacity {
    enum class Medium { None, Unformatted, Formatted };
    Medium medium = Medium::None;
    std::uint32_t blocks = 0; // of the present format, or the most the drive lays
    std::uint32_t blockLength = 0;
    std::vector<std::uint32_t> formattable; // block counts of the formats the drive lays
};

class UfiCommands {
public:
    static constexpr std::size_t kCommandBytes = 12;
    static constexpr std::size_t kCapacityListBytes = 252;
    static constexpr std::size_t kReadCapacityBytes = 8;
    static constexpr std::size_t kModeSenseBytes = 192;
    static constexpr std::size_t kFormatParameterBytes = 12;

    using Command = std::array<std::uint8_t, kCommandBytes>;

    static Command readFormatCapacities();
    static Command readCapacity();
    // All pages of the current values; the header holds the write-protect bit.
    static Command modeSense();
    // One track of the cylinder; the head is named in the parameters.
    static Command formatUnit(std::uint32_t cylinder);
    // The defect list header and the format descriptor of a single-track format.
    static std::array<std::uint8_t, kFormatParameterBytes> formatParameters(const StandardFormat& format, int head);

    // Empty when the answer is too short to hold the current capacity.
    static std::optional<UfiCapacity> capacities(std::span<const std::uint8_t> answer);
    // A READ CAPACITY answer as a formatted capacity.
    static UfiCapacity readCapacityAnswer(std::span<const std::uint8_t> answer);
    static bool writeProtected(std::span<const std::uint8_t> modeSenseAnswer);
};

} // namespace vellum
