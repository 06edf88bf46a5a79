#pragma once
// Loads the diskette in a drive into the image store: checks the medium,
// recognises its media code, refuses a diskette whose two FATs differ,
// reads the cylinders in use (or all of them) track by track, and lists
// the root directory. The outcome is left in OperationState, reported to
// the status panel and posted to the view. Refresh re-reads only the
// system area of the diskette in memory.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "core/MediaTable.h"
#include "ops/EngineContext.h"

namespace vellum {

class CDriveServices;
class SectorRequests;

class LoadEngine {
public:
    explicit LoadEngine(const EngineContext& context) : c_(context) {}

    // drive: 0 = A:, 1 = B:.
    void run(int drive, bool loadEntireDiskette);
    void Refresh();

    // The whole tracks of this size the image store holds.
    static int tracksThatFit(std::size_t trackBytes);

private:
    void startOver();
    bool mediaReady(int drive);
    std::optional<MediaEntry> recognise(CDriveServices& services, int drive);
    void readDiskette(CDriveServices& services, int drive, const MediaEntry& row, bool entire);
    std::optional<int> cylindersToRead(SectorRequests& requests, const MediaEntry& row, bool entire);
    void readTracks(SectorRequests& requests, int tracks);
    // Reads one track into the TransferBuffer; false when the user gave up.
    bool readTrack(SectorRequests& requests, int track);
    int fitToStore(int tracks);
    void listRoot();
    void report();
    void touchDriveA(CDriveServices& services);

    EngineContext c_;
};

} // namespace vellum
