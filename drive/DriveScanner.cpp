#include "drive/DriveScanner.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <system_error>

#include "core/StandardFormats.h"
#include "drive/DriveStatus.h"
#include "drive/DriveType.h"
#include "drive/LinuxFloppyBackend.h"

namespace vellum {

namespace {

namespace fs = std::filesystem;

const std::string kMassStorageClass = "08";
const std::string kUfiSubclass = "04";
constexpr std::uint64_t kBlockBytes = 512; // sysfs counts a disk's size in these

// The first line of a sysfs attribute, without trailing blanks; empty when it is gone.
std::string attribute(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    line.erase(line.find_last_not_of(" \t\r\n") + 1);
    return line;
}

// Whether a USB interface above the disk is a mass-storage one of subclass UFI.
bool behindUfiInterface(const fs::path& device)
{
    std::error_code error;
    for (fs::path at = fs::canonical(device, error); !error && at.has_relative_path(); at = at.parent_path())
        if (attribute(at / "bInterfaceClass") == kMassStorageClass)
            return attribute(at / "bInterfaceSubClass") == kUfiSubclass;
    return false;
}

bool diskettesSize(const fs::path& disk)
{
    const std::string sectors = attribute(disk / "size");
    if (sectors.empty() || sectors.find_first_not_of("0123456789") != std::string::npos)
        return false;
    return formatBySize(std::stoull(sectors) * kBlockBytes) != nullptr;
}

std::optional<FoundDrive> usbDrive(const fs::path& disk, const std::string& device)
{
    const fs::path scsi = disk / "device";
    std::error_code error;
    if (!fs::exists(scsi, error))
        return std::nullopt; // unplugged while the scan ran
    if (!behindUfiInterface(scsi) && !(attribute(disk / "removable") == "1" && diskettesSize(disk)))
        return std::nullopt;
    return FoundDrive{FoundDrive::Kind::Usb, device, {}, attribute(scsi / "vendor"), attribute(scsi / "model")};
}

} // namespace

std::optional<std::string> DriveScanner::floppyType(const std::string& device) const
{
    LinuxFloppyBackend backend(system_, {device, ""});
    DriveParameters native;
    const int status = backend.parameters(0, kDriveDefaultBpb, native);
    if (status == kStatusNoDevice)
        return std::nullopt; // the controller has no drive there, or it went away
    const DriveType* type = status == kStatusOk ? driveTypeOf(native.deviceType) : nullptr;
    return type ? std::string(type->name) : std::string();
}

std::vector<FoundDrive> DriveScanner::scan() const
{
    std::vector<FoundDrive> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(sysRoot_ / "block", error)) {
        const std::string name = entry.path().filename().string();
        const std::string device = (devRoot_ / name).string();
        if (name.starts_with("fd")) {
            if (const auto type = floppyType(device))
                found.push_back({FoundDrive::Kind::Floppy, device, *type, {}, {}});
        } else if (name.starts_with("sd"))
            if (auto usb = usbDrive(entry.path(), device))
                found.push_back(*usb);
    }
    std::sort(found.begin(), found.end(),
              [](const FoundDrive& a, const FoundDrive& b) { return a.device < b.device; });
    return found;
}

} // namespace vellum
