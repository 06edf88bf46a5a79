#pragma once
// Compares the diskette in a drive with the image in memory, track by track
// over the tracks the image holds. At the first difference in a track it
// shows the mismatch dialog and goes on at the next sector (without reading
// the track again) or at the next track, as the user chose. The target's
// geometry and media code replace the document's; the outcome is left in
// OperationState and shown in the status panel.
#include <cstddef>
#include <cstdint>
#include <span>

#include "ops/EngineContext.h"
#include "ops/MismatchReport.h"

namespace vellum {

class CDriveServices;
class MismatchDialog;
class SectorRequests;

class CompareEngine {
public:
    static constexpr const char* kUnsupportedMedia = "Unsupported Media Type!";
    static constexpr const char* kEndOfTrack =
        "You have reached the end of the track.\nDo you wish to continue to the next track?";

    CompareEngine(const EngineContext& context, MismatchDialog& dialog) : c_(context), dialog_(dialog) {}

    // drive: 0 = A:, 1 = B:.
    void RunCompare(int drive);

private:
    // How the comparing of one track ended.
    enum class TrackEnd { Next, Stop };

    bool awaitMedia(SectorRequests& requests);
    bool takeTargetGeometry(CDriveServices& services);
    void compareTracks(CDriveServices& services, SectorRequests& requests);
    bool readTrack(SectorRequests& requests, std::uint32_t firstSector);
    TrackEnd compareTrack(int track, std::span<const std::uint8_t> disk);
    int trackCount() const;
    MismatchReport reportAt(int t, std::size_t resume, std::size_t distance, std::span<const std::uint8_t> disk,
                            std::span<const std::uint8_t> memory) const;

    EngineContext c_;
    MismatchDialog& dialog_;
    int drive_ = 0;
    std::size_t bytesPerSector_ = 0;
    std::size_t sectorsPerTrack_ = 0;
    std::size_t trackSize_ = 0;
};

} // namespace vellum
