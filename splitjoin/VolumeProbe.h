#pragma once
// What a split asks of its destination folder's volume.
#include <cstdint>
#include <filesystem>

namespace vellum {

class VolumeProbe {
public:
    virtual ~VolumeProbe() = default;
    // Throws Error when the volume cannot be asked.
    virtual std::uint64_t freeBytes(const std::filesystem::path& folder) = 0;
    // True for a diskette, USB stick or other medium the user exchanges.
    virtual bool isRemovable(const std::filesystem::path& folder) = 0;
};

} // namespace vellum
