#pragma once
// What start-up checks before the program may run: the platform, and the
// drive backend with the version of its sector driver. Each refusal tells
// the user why and what to do about it.
#include <cstdint>
#include <string>

namespace vellum {

class Prompter;

class StartupChecks {
public:
    // The machine as start-up sees it.
    class Host {
    public:
        virtual ~Host() = default;
        // Opens the drive backend; false with the reason when it cannot.
        virtual bool openDrives(std::string& reason) = 0;
        virtual bool isWindowsNt() const = 0;
        // DrvGetVersion's EAX.
        virtual std::uint32_t driverVersion() = 0;
        // Where the user sets the drives up, for the messages.
        virtual std::string settingsPath() const = 0;
    };

    // True when the program may start; otherwise the user was told why.
    static bool run(Host& host, Prompter& prompter);

    static std::string missingDrivesText(const std::string& reason, const std::string& settingsPath);
    static std::string oldDriverText(std::uint32_t version);
    // The program runs on with settings in memory when its file is unusable.
    static std::string badSettingsText(const std::string& reason);
};

} // namespace vellum
