#pragma once
// Finds the diskette drives of the machine in sysfs: each floppy device
// (/dev/fdN) with the drive type the floppy driver reports, and each USB
// diskette drive with its vendor, model and device. A USB diskette drive is
// a disk behind a USB mass-storage interface of subclass UFI, or a
// removable SCSI disk the size of a diskette format. A device that goes
// away during the scan is left out.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "drive/SystemCalls.h"

namespace vellum {

struct FoundDrive {
    enum class Kind { Floppy, Usb };
    Kind kind = Kind::Floppy;
    std::string device; // "/dev/fd0", "/dev/sdb"
    std::string type;   // a floppy drive's type; empty when the driver does not tell it
    std::string vendor; // of a USB drive
    std::string model;
};

class DriveScanner {
public:
    explicit DriveScanner(SystemCalls& system, std::filesystem::path sysRoot = "/sys",
                          std::filesystem::path devRoot = "/dev")
        : system_(system), sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot))
    {
    }

    // In device-name order.
    std::vector<FoundDrive> scan() const;

private:
    // Empty for a floppy device without a drive behind it.
    std::optional<std::string> floppyType(const std::string& device) const;

    SystemCalls& system_;
    std::filesystem::path sysRoot_;
    std::filesystem::path devRoot_;
};

} // namespace vellum
