#pragma once
// Reads a damaged diskette in passes into the image store and keeps what it
// learns of each sector in a RescueMap, in the manner of GNU ddrescue:
//   pass 1        every track with untried sectors, whole and in order; a
//                 track that fails is passed over and kept for later;
//   pass 2        the sectors of the failed tracks, one by one;
//   passes 3..N   the sectors still bad, one by one in reverse order, each
//                 after a drive reset (a recalibrate on the kernel floppy
//                 driver) and a seek to a far cylinder.
// Sectors the map marks read are never read again: they are kept from the
// image in memory, which must then be the image an earlier rescue made.
// Every sector not read holds UnreadableSector's marker. Cancel is taken after any read, and
// what was read stays. At the end the image is in memory as after a load,
// with the outcome in OperationState: Successful only when every sector
// was read.
#include <cstdint>
#include <optional>

#include "core/StandardFormats.h"
#include "ops/EngineContext.h"
#include "ops/RescueMap.h"
#include "ops/RescueObserver.h"

namespace vellum {

class CDriveServices;
class SectorRequests;

class RescueEngine {
public:
    static constexpr int kDefaultPasses = 3;
    static constexpr int kMostPasses = 99;

    RescueEngine(const EngineContext& context, RescueObserver& observer) : c_(context), observer_(observer) {}

    // drive: 0 = A:, 1 = B:; passes from 1 to kMostPasses.
    void run(int drive, int passes, RescueMap& map);
    // The rescue reached the reading: the image in memory and the map hold what it learnt.
    bool started() const { return started_; }

private:
    const StandardFormat* recognise(CDriveServices& services, int drive);
    bool keepsEarlierImage(const StandardFormat& layout, const RescueMap& map);
    void prepareImage(const StandardFormat& layout, const RescueMap& map);
    void readDiskette(CDriveServices& services, int drive, RescueMap& map);
    // Each false when the user cancelled.
    bool copyTracks(SectorRequests& requests, RescueMap& map);
    bool scrapeSectors(SectorRequests& requests, RescueMap& map, int pass);
    bool retrySectors(CDriveServices& services, SectorRequests& requests, RescueMap& map, int pass);
    // One sector of a sector-by-sector pass, the `done`th of `total`; false once cancelled.
    bool readAgain(SectorRequests& requests, RescueMap& map, std::uint32_t sector, int pass, std::uint32_t done,
                   std::uint32_t total);
    // Reads the sectors into the image and marks them in the map; true when they read.
    bool readInto(SectorRequests& requests, RescueMap& map, std::uint32_t first, std::uint32_t count,
                  RescueMap::State failed);
    void seekAway(CDriveServices& services, SectorRequests& requests, const RescueMap& map, std::uint32_t sector);
    // The bar runs from 0 to `steps` for the pass.
    void startPass(int pass, std::uint32_t steps);
    bool step(const std::string& status, int position);
    void finish(RescueMap& map, bool cancelled);

    EngineContext c_;
    RescueObserver& observer_;
    int drive_ = 0;
    int passes_ = kDefaultPasses;
    const StandardFormat* layout_ = nullptr;
    DriveGeometry geometry_;
    bool started_ = false;
};

} // namespace vellum
