#pragma once
// Formats a 3.5-inch high-density diskette in the DMF layout: 80 cylinders
// of 2 x 21 sectors, laid down by the track driver with a 2:1 interleave and
// a skew of 3 sectors per cylinder, then given an empty FAT12 file system
// (the system area) through the sector driver. The volume is locked for the
// whole format; the outcome is left in OperationState and the status panel.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/StandardFormats.h"
#include "drive/DriveBackend.h"
#include "ops/EngineContext.h"

namespace vellum {

class CDriveServices;
class SectorRequests;

struct DmfFormatOptions {
    int drive = 0; // 0 = A:, 1 = B:
    bool fullFormat = true;
    std::string label; // at most 11 characters; upper-cased when written
    bool noLabel = false;
};

class DmfFormat {
public:
    static constexpr int kSectorsPerTrack = static_cast<int>(kDmfSectorsPerTrack);
    static constexpr int kCylinders = 80;
    static constexpr std::string_view kNoCapableDrive = "DMF Format requires a high density drive for 3.5' media!";
    static constexpr std::string_view kNotDmfQuestion =
        "Target Diskette must already be formatted as a DMF diskette!\n\n"
        "Do you wish to perform a full DMF format now?";

    explicit DmfFormat(const EngineContext& context) : c_(context) {}

    // The sector IDs of cylinder c in physical slot order, the same on both heads.
    static std::array<std::uint8_t, kSectorsPerTrack> DmfSectorOrder(int cylinder);

    // Which drives can take a DMF diskette: a 3.5-inch 1.44 MB drive (device
    // type 7) whose default medium has descriptor F0h.
    std::array<bool, DriveBackend::kDrives> capableDrives();
    // True when the chosen drive is DMF-capable; otherwise the user is told why.
    bool checkDrive(int drive);
    // A quick format needs a DMF diskette in the drive already; on another
    // one the user may switch to a full format. False when nothing is to be done.
    bool confirmQuickFormat(DmfFormatOptions& options);
    // True when the label may be written; otherwise the user is told why.
    bool checkLabel(std::string_view label);

    // 0 when cancelled, when the diskette could not be reached or when the
    // label was refused, else 1.
    int FormatDmf(const DmfFormatOptions& options);

private:
    bool awaitMedia(SectorRequests& requests);
    void formatCylinder(int cylinder);
    void prepareBios(CDriveServices& services);
    void runPass(bool fullFormat);
    void lockVolume(CDriveServices& services);
    void unlockVolume(CDriveServices& services);
    void WriteDmfSystemArea(CDriveServices& services, SectorRequests& requests);
    std::string systemAreaLabel() const;

    EngineContext c_;
    DmfFormatOptions options_;
};

} // namespace vellum
