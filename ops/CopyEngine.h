#pragma once
// Writes the image in memory to one diskette after another: checks each
// diskette (offering to format an unformatted one) and its size, writes the
// loaded tracks, optionally reads every track back to compare it, and asks
// for the next diskette between copies, until as many diskettes as asked
// for were written whole or the user stops. Every diskette whose transfer was
// prepared gets its transfer ended, its volume unlocked and its drive
// released, however its copy ended. The outcome is left in OperationState,
// shown in the status panel and followed by a refresh of the file list.
#include <cstdint>
#include <span>
#include <string>

#include "ops/EngineContext.h"

namespace vellum {

class CDriveServices;
class DisketteFormatter;
class SectorRequests;

class CopyEngine {
public:
    CopyEngine(const EngineContext& context, DisketteFormatter& formatter) : c_(context), formatter_(formatter) {}

    // target: 0 = A:, 1 = B:. Verifies when the document's VerifyCopy is set.
    void RunCopy(int target, int copies);

    // `state`: how the diskette just handled ended; only a successful one is done.
    static std::string nextDisketteText(int done, int copies, std::int8_t state);

private:
    // How one diskette's copy ended, for the run.
    enum class Next { Diskette, EndRun, Abandon };
    enum class Media { Ready, EndRun, Abandon };

    // Counts the diskette in `done` when it was written whole.
    Next copyDiskette(CDriveServices& services, SectorRequests* requests, int& done, int copies);
    // requests is null when the sector driver is not open.
    Media checkMedia(SectorRequests* requests);
    bool fits(CDriveServices& services);
    void writeDiskette(CDriveServices& services, SectorRequests& requests);
    // Each false when this diskette's copy has ended; OperationState says how.
    bool writeTrack(CDriveServices& services, SectorRequests& requests, int track);
    bool verifyTrack(SectorRequests& requests, int track, std::span<std::uint8_t> buffer);
    void resetAfterWriteError(CDriveServices& services);
    int operation() const;

    EngineContext c_;
    DisketteFormatter& formatter_;
    int target_ = 0;
};

} // namespace vellum
