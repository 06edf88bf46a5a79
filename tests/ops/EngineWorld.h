#pragma once
// A whole world for the diskette engines, built from fakes: virtual drives
// over image files in a temporary folder, the sector driver in front of
// them, a scripted prompter, a recording progress window and view, and the
// status panel itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "core/Bytes.h"
#include "core/CVLMDoc.h"
#include "drive/SectorDriver.h"
#include "drive/VirtualDriveBackend.h"
#include "ops/EngineContext.h"
#include "ops/StatusPanel.h"
#include "tests/support/FaultInjectingBackend.h"
#include "tests/support/MemoryProfile.h"
#include "tests/support/RecordingProgress.h"
#include "tests/support/RecordingViewSink.h"
#include "tests/support/ScriptedPrompter.h"
#include "tests/support/TempDir.h"

namespace vellum::test {

inline constexpr int kA = 0;
inline constexpr int kB = 1;

struct EngineWorld {
    TempDir dir;
    MemoryProfile profile;
    VirtualDriveBackend drives{profile};
    FaultInjectingBackend faults{drives};
    SectorDriver driver{faults};
    ScriptedPrompter prompter;
    RecordingProgress progress{prompter};
    StatusPanel panel;
    RecordingViewSink view;
    CVLMDoc doc{profile, prompter};

    EngineContext context(bool driverOpen = true)
    {
        return {doc, faults, driverOpen ? &driver : nullptr, prompter, progress, panel, view};
    }

    // The kinds of the requests logged since the n-th, in order.
    std::vector<RequestKind> kindsFrom(std::size_t first = 0) const
    {
        std::vector<RequestKind> kinds;
        for (std::size_t i = first; i < faults.requests().size(); ++i)
            kinds.push_back(faults.requests()[i].kind);
        return kinds;
    }

    std::vector<DriveRequest> requestsOf(RequestKind kind) const
    {
        std::vector<DriveRequest> found;
        std::copy_if(faults.requests().begin(), faults.requests().end(), std::back_inserter(found),
                     [kind](const DriveRequest& r) { return r.kind == kind; });
        return found;
    }
};

// The FAT12 entry n of a FAT.
inline std::uint16_t fatEntry(std::span<const std::uint8_t> fat, std::size_t n)
{
    const std::uint16_t word = le16(fat, n * 3 / 2);
    return static_cast<std::uint16_t>(n % 2 == 0 ? word & 0x0FFF : word >> 4);
}

// What a boot sector says about where things are.
struct Layout {
    std::uint32_t sectorsPerTrack, sectorsPerCluster, dataStart, clusters;

    static Layout of(std::span<const std::uint8_t> image)
    {
        const std::uint32_t reserved = le16(image, 14), fats = image[16], root = le16(image, 17);
        const std::uint32_t total = le16(image, 19), perFat = le16(image, 22);
        Layout l{le16(image, 24), image[13], reserved + fats * perFat + root * 32 / 512, 0};
        l.clusters = (total - l.dataStart) / l.sectorsPerCluster;
        return l;
    }
    std::uint32_t clusterBytes() const { return sectorsPerCluster * 512; }
    // Cylinders from the start up to the one holding the cluster's last sector.
    int cylindersThrough(std::uint32_t cluster) const
    {
        const std::uint32_t lastSector = dataStart + (cluster - 1) * sectorsPerCluster - 1;
        return static_cast<int>(lastSector / (2 * sectorsPerTrack)) + 1;
    }
};

// The highest cluster FAT 1 marks as used; 0 for none.
inline std::uint32_t lastUsedCluster(std::span<const std::uint8_t> image)
{
    const Layout l = Layout::of(image);
    const auto fat1 = image.subspan(std::size_t{le16(image, 14)} * 512);
    for (std::uint32_t n = l.clusters + 1; n >= 2; --n)
        if (fatEntry(fat1, n) != 0)
            return n;
    return 0;
}

} // namespace vellum::test
