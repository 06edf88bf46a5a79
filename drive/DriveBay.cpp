#include "drive/DriveBay.h"

#include <sys/stat.h>

#include "core/Error.h"
#include "drive/PosixSystemCalls.h"

namespace vellum {

DriveBay::DriveBay(Profile& profile, std::unique_ptr<SystemCalls> system)
    : settings_(profile), system_(system ? std::move(system) : std::make_unique<PosixSystemCalls>()),
      virtual_(profile), router_(std::make_unique<DriveRouter>(std::array<DriveBackend*, DriveBackend::kDrives>{},
                                                               [this] { reload(); }))
{
    connect();
}

void DriveBay::connect()
{
    // Lock state lives in the backends; it is rebuilt only when the user changes the setup.
    connected_ = {device(0), device(1)};
    auto devices = std::make_unique<LinuxFloppyBackend>(*system_, connected_);
    std::array<DriveBackend*, DriveBackend::kDrives> backends{};
    for (int d = 0; d < DriveBackend::kDrives; ++d) {
        DriveBackend* chosen = device(d).empty() ? static_cast<DriveBackend*>(&virtual_) : devices.get();
        backends[static_cast<std::size_t>(d)] = chosen;
    }
    router_->route(backends);
    linux_ = std::move(devices);
}

void DriveBay::reload()
{
    settings_.reload();
    virtual_.reload();
    if (connected_ != std::array{device(0), device(1)})
        connect();
}

void DriveBay::useDevice(int drive, const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw Error(fileErrorText("use", path));
    if (!S_ISBLK(st.st_mode))
        throw Error("\"" + path + "\" is not a block device; name a diskette drive such as /dev/fd0");
    settings_.setDevice(drive, path);
    connect();
}

void DriveBay::useVirtual(int drive)
{
    settings_.setDevice(drive, "");
    connect();
}

} // namespace vellum
