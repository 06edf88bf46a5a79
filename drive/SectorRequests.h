#pragma once
// The sector-driver requests of one diskette operation on one drive, made
// through a single register block that lives as long as the operation: each
// request sets only the registers it names, so the others keep what the
// previous request returned, and DrvEndTransfer gets the block as the last
// request left it.
#include <cstdint>
#include <span>
#include <string_view>

#include "drive/REGS.h"
#include "drive/SectorDriver.h"

namespace vellum {

class Prompter;

class SectorRequests {
public:
    static constexpr std::string_view kNotLoaded = "TRAKDSK.VXD is not loaded!";

    SectorRequests(SectorDriver& driver, int drive) : driver_(driver), drive_(drive) {}

    // Each returns the status the driver left in EAX.
    std::uint32_t checkMedia();
    std::uint32_t read(std::uint32_t firstSector, std::uint32_t count);
    std::uint32_t write(std::uint32_t firstSector, std::uint32_t count);
    // PrepareTransfer, then DrvMapBuffer: the TransferBuffer.
    std::span<std::uint8_t> prepareTransfer();
    void endTransfer();
    void releaseDrive();
    // DrvGetLockState: the lock level, or SectorDriver::kNotLocked.
    std::uint32_t lockState();

    // Where the last transfer left its sectors.
    std::span<std::uint8_t> buffer() { return driver_.DrvMapBuffer(); }

    // CheckMedia until the medium is ready, asking Retry or Cancel after
    // each failure; false when the user cancelled.
    bool waitForMedia(Prompter& prompter);

    // Shows the status text with Retry and Cancel; true for Retry.
    static bool retry(Prompter& prompter, std::uint32_t status);

private:
    std::uint32_t request(DrvFunction function);

    SectorDriver& driver_;
    int drive_;
    REGS regs_;
};

} // namespace vellum
