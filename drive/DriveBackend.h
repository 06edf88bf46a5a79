#pragma once
// Diskette drives A: (0) and B: (1) as the drive services and the sector
// driver reach them. Every request answers with a sector-driver status code
// (DriveStatus; 0 = success) and never throws for what the drive or medium
// does. Implementations: VirtualDriveBackend (image files, the default),
// LinuxFloppyBackend (/dev/fdN and other block devices) and DriveRouter,
// which gives each drive its own.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/Bpb.h"
#include "core/StandardFormats.h"
#include "drive/DeviceParameterBlock.h"
#include "drive/FormatRequest.h"

namespace vellum {

struct DriveParameters {
    std::uint8_t deviceType = 0;
    Bpb bpb;
};

class DriveBackend {
public:
    static constexpr int kDrives = 2;

    virtual ~DriveBackend() = default;

    // The drive's default BPB (the format it was built for), or the BPB of
    // the medium in it: its boot sector's, or the one its size implies.
    virtual int parameters(int drive, SpecialFunctions which, DriveParameters& out) = 0;
    // 0 when a formatted medium the drive can take is in it.
    virtual int checkMedia(int drive) = 0;
    virtual int prepareTransfer(int drive) = 0;
    // Whole sectors from logical sector `first`; the span's size is the count.
    virtual int readSectors(int drive, std::uint32_t first, std::span<std::uint8_t> out) = 0;
    virtual int writeSectors(int drive, std::uint32_t first, std::span<const std::uint8_t> data) = 0;
    // Lays down both tracks of one cylinder with the fill byte and the given
    // sector IDs; a new sector count re-lays the whole medium.
    virtual int formatCylinder(int drive, const CylinderFormat& format) = 0;
    virtual int endFormat(int drive) = 0;
    // Why the drive cannot lay the format, said before anything is written;
    // empty when it can, or cannot tell before trying.
    virtual std::string formatRefusal(int /*drive*/, const StandardFormat& /*format*/) { return {}; }
    virtual void endTransfer(int drive) = 0;
    virtual void releaseDrive(int drive) = 0;
    virtual int reset(int drive) = 0;
    // Volume locks nest as the system's do; `level` is left empty when none is held.
    virtual int lockLevel(int drive, std::optional<int>& level) = 0;
    virtual int lockVolume(int drive, int level, int permissions) = 0;
    virtual int unlockVolume(int drive) = 0;
};

} // namespace vellum
