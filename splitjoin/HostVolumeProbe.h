#pragma once
// The Linux answers: the space free to this user, removability from the mount
// holding the folder (/proc/self/mountinfo) and its block device's
// "removable" flag in sysfs.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "splitjoin/VolumeProbe.h"

namespace vellum {

class HostVolumeProbe : public VolumeProbe {
public:
    explicit HostVolumeProbe(std::filesystem::path mountinfo = "/proc/self/mountinfo",
                             std::filesystem::path sysDevBlock = "/sys/dev/block");

    std::uint64_t freeBytes(const std::filesystem::path& folder) override;
    bool isRemovable(const std::filesystem::path& folder) override;

    // The "major:minor" of the innermost mount holding `path` (absolute,
    // without symbolic links), from the text of a mountinfo file.
    static std::optional<std::string> deviceOf(std::string_view mountinfo, const std::string& path);

private:
    std::filesystem::path mountinfo_;
    std::filesystem::path sysDevBlock_;
};

} // namespace vellum
