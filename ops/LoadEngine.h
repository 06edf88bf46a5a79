#pragma once
// Loads the diskette in a drive into the image store: checks the medium,
// recognises its media code, refuses a diskette whose two FATs differ,
// reads the cylinders in use (or all of them) track by track, and lists
// the root directory. The outcome is left in OperationState, reported to
// the status panel and posted to the view. Memory keeps its image and
// geometry until a diskette is recognised and taken. Refresh re-reads only
// the system area of the diskette in memory; another diskette in the drive
// is loaded whole instead, never mixed with memory's.
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
    // On the selected drive; a diskette that is not memory's is loaded as run()
    // does. False when memory and its listing stayed as they were.
    bool Refresh(bool loadEntireDiskette);

    // The whole tracks of this size the image store holds.
    static int tracksThatFit(std::size_t trackBytes);

private:
    enum class Reread { Done, OtherDiskette, Stopped };

    void startOver(const DriveGeometry& diskette);
    bool mediaReady(int drive);
    // The diskette's geometry into `found`, and its row; none for a medium no load takes.
    std::optional<MediaEntry> recognise(CDriveServices& services, int drive, DriveGeometry& found);
    Reread rereadSystemArea(int drive);
    void readDiskette(CDriveServices& services, int drive, const MediaEntry& row, bool entire);
    std::optional<int> cylindersToRead(SectorRequests& requests, const MediaEntry& row, bool entire);
    void readTracks(SectorRequests& requests, int tracks);
    // Reads one track into the TransferBuffer; false when the user gave up.
    bool readTrack(SectorRequests& requests, int track);
    // Reads until the driver succeeds or the user gives up at the status text.
    bool read(SectorRequests& requests, std::uint32_t first, std::uint32_t count);
    int fitToStore(int tracks);
    void listRoot();
    void report();
    void touchDriveA(CDriveServices& services);

    EngineContext c_;
};

} // namespace vellum
