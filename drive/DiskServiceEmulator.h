#pragma once
// The DOS and BIOS disk services that the drive-services wrappers call,
// emulated over a drive backend: each call decodes the register block as DOS or the BIOS defines it,
// serves it from the drive backend and leaves the registers as the service
// would. A failed DOS service sets the carry and bit 15 of Flags and puts
// the DOS error code in AX; a failed BIOS service sets the carry and puts
// the BIOS status in AH.
#include <cstdint>
#include <span>

#include "drive/DriveBackend.h"
#include "drive/REGS.h"

namespace vellum {

// The packet of an absolute read: the buffer travels beside it as a span.
struct DiskIoPacket {
    std::uint32_t firstSector = 0;
    std::uint16_t count = 0;
    std::span<std::uint8_t> buffer;
};

class DiskServiceEmulator {
public:
    explicit DiskServiceEmulator(DriveBackend& backend) : backend_(backend) {}

    // Control code 1. AX=440Dh with CX = 0860h get device parameters (BL
    // drive 1-based, the block beside), 0870h get lock level (BL 1-based),
    // 084Bh lock and 086Bh unlock a physical volume (BL 0-based, BH level,
    // DX permissions); AX=710Dh resets the drive in DL (1-based).
    void dosIoctl(REGS& regs, std::span<std::uint8_t> block);
    // Control code 2: absolute read (INT 25h) of drive AL (0-based), CX = FFFFh.
    void absoluteRead(REGS& regs, const DiskIoPacket& packet);
    // Control code 6: extended absolute read or write (INT 21h AX=7305h,
    // CX = FFFFFFFFh, DL drive 1-based, SI bit 0 set to write).
    void extendedDiskIo(REGS& regs, const DiskIoPacket& packet);
    // Control code 4: BIOS disk service (INT 13h) with AH = 00h reset,
    // 03h write AL sectors at CH/CL/DH, 18h set media type for format.
    void biosDisk(REGS& regs, std::span<std::uint8_t> buffer);

private:
    void getDeviceParameters(REGS& regs, std::span<std::uint8_t> block);
    void getLockLevel(REGS& regs);
    void packetTransfer(REGS& regs, int drive, const DiskIoPacket& packet, bool writing);
    // The BIOS status of each.
    std::uint8_t biosWrite(const REGS& regs, std::span<std::uint8_t> buffer);
    std::uint8_t biosSetMediaType(const REGS& regs);

    DriveBackend& backend_;
};

} // namespace vellum
