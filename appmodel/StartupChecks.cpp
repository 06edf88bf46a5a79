#include "appmodel/StartupChecks.h"

#include "appmodel/WebSite.h"
#include "core/Prompter.h"
#include "drive/SectorDriver.h"

namespace vellum {

namespace {
const std::string kNtRefusal = "This version of VLM requires Win95/Win98";
}

std::string StartupChecks::missingDrivesText(const std::string& reason, const std::string& settingsPath)
{
    return "Could not open the diskette drives: " + reason + ".  \nCheck the drive settings in " + settingsPath +
           ",\nor remove them there to start again with the virtual drives.";
}

std::string StartupChecks::oldDriverText(std::uint32_t version)
{
    return "This version of VLM requires version " + std::to_string(SectorDriver::kVersion) +
           " of the diskette driver, but the drive backend reports version " + std::to_string(version) +
           ".  \nInstall the matching Vellum release from " + kWebSite;
}

std::string StartupChecks::badSettingsText(const std::string& reason)
{
    return reason + "  \nVellum starts with its default settings and leaves the file as it is;\n"
                    "settings changed in this session are not kept.";
}

bool StartupChecks::run(Host& host, Prompter& prompter)
{
    std::string reason;
    const bool opened = host.openDrives(reason);
    if (host.isWindowsNt()) {
        prompter.tell(kNtRefusal, Icon::Stop);
        return false;
    }
    if (!opened) {
        prompter.tell(missingDrivesText(reason, host.settingsPath()), Icon::Information);
        return false;
    }
    if (const std::uint32_t version = host.driverVersion(); version != SectorDriver::kVersion) {
        prompter.tell(oldDriverText(version), Icon::Stop);
        return false;
    }
    return true;
}

} // namespace vellum
