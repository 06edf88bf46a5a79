#pragma once
// The sector driver: whole-track transfers through its one TransferBuffer.
// Every call takes the register block; DrvRequest answers with the status in
// EAX and EBX, ECX and EDX as sent, so a caller adds the count to ECX to
// address the next track. Drive numbers are 0-based. The buffer's address,
// which the driver returns beside the registers, is the span the calls return.
#include <array>
#include <ctime>
#include <functional>
#include <span>

#include "core/Bpb.h"
#include "core/DosTime.h"
#include "drive/DriveBackend.h"
#include "drive/REGS.h"

namespace vellum {

inline constexpr std::size_t kTransferSectors = 36; // one track of the densest diskette
using TransferBuffer = std::array<std::uint8_t, kTransferSectors * kSectorBytes>;

// DrvRequest functions, in EAX.
enum DrvFunction : std::uint32_t {
    ReadSectors = 0,
    WriteSectors = 1,
    CheckMedia = 2,
    EndFormat = 12,
    PrepareTransfer = 17,
};

class SectorDriver {
public:
    static constexpr std::uint32_t kVersion = 2;
    static constexpr std::uint32_t kNotLocked = 0xFFFFFFFF;

    // The local time DrvGetDosDateTime reports.
    using LocalClock = std::function<std::tm()>;
    static std::tm systemLocalTime();

    explicit SectorDriver(DriveBackend& backend, LocalClock clock = systemLocalTime)
        : backend_(backend), clock_(std::move(clock))
    {
    }

    // Control code 10: EAX = 2.
    void DrvGetVersion(REGS& regs);
    // Control code 3: the function in EAX for drive EBX, first sector ECX and
    // count EDX. A count the buffer cannot hold is refused as invalid.
    std::span<std::uint8_t> DrvRequest(REGS& regs);
    // Control code 4.
    std::span<std::uint8_t> DrvMapBuffer() { return buffer_; }
    // Control code 5: ends the transfer of drive EBX.
    void DrvEndTransfer(REGS& regs);
    // Control code 6: EAX = the lock level of drive EBX, or kNotLocked.
    void DrvGetLockState(REGS& regs);
    // Control code 16: EAX = DOS time, EBX = DOS date, of the local clock now.
    void DrvGetDosDateTime(REGS& regs);
    // Control code 17: lets go of drive EBX.
    void DrvReleaseDrive(REGS& regs);

    // The same services with their values typed, for the callers above the drives.
    std::uint32_t version();
    DosStamp dosDateTime();
    // DrvRequest's EndFormat for the drive; its status.
    std::uint32_t endFormat(int drive);

private:
    int serve(const REGS& regs);
    int transfer(const REGS& regs, bool writing);

    DriveBackend& backend_;
    LocalClock clock_;
    TransferBuffer buffer_{};
};

} // namespace vellum
