// Start-up's refusals, with a fake machine.
#include <gtest/gtest.h>

#include "appmodel/StartupChecks.h"
#include "drive/SectorDriver.h"
#include "tests/support/ScriptedPrompter.h"

namespace vellum {
namespace {

using test::ScriptedPrompter;

class FakeHost : public StartupChecks::Host {
public:
    bool opens = true;
    bool nt = false;
    std::uint32_t version = SectorDriver::kVersion;
    int versionAsked = 0;

    bool openDrives(std::string& reason) override
    {
        if (!opens)
            reason = "\"/dev/fd0\" is not a block device";
        return opens;
    }
    bool isWindowsNt() const override { return nt; }
    std::uint32_t driverVersion() override
    {
        ++versionAsked;
        return version;
    }
    std::string settingsPath() const override { return "/home/u/.config/Orrindale/Vellum.conf"; }
};

TEST(StartupChecks, AWorkingBackendStartsSilently)
{
    FakeHost host;
    ScriptedPrompter prompter;
    EXPECT_TRUE(StartupChecks::run(host, prompter));
    EXPECT_EQ(host.versionAsked, 1);
}

TEST(StartupChecks, TheNtPlatformIsRefusedFirst)
{
    FakeHost host;
    host.nt = true;
    host.opens = false;
    ScriptedPrompter prompter;
    prompter.expect("This version of VLM requires Win95/Win98", Buttons::Ok, Icon::Stop, Answer::Ok);
    EXPECT_FALSE(StartupChecks::run(host, prompter));
}

TEST(StartupChecks, ABackendThatCannotOpenIsRefusedWithWhereToLook)
{
    FakeHost host;
    host.opens = false;
    ScriptedPrompter prompter;
    prompter.expect("Could not open the diskette drives: \"/dev/fd0\" is not a block device.  \n"
                    "Check the drive settings in /home/u/.config/Orrindale/Vellum.conf,\n"
                    "or remove them there to start again with the virtual drives.",
                    Buttons::Ok, Icon::Information, Answer::Ok);
    EXPECT_FALSE(StartupChecks::run(host, prompter));
    EXPECT_EQ(host.versionAsked, 0);
}

TEST(StartupChecks, ADriverOfAnotherVersionIsRefused)
{
    for (std::uint32_t version : {1u, 3u}) {
        FakeHost host;
        host.version = version;
        ScriptedPrompter prompter;
        prompter.expect(StartupChecks::oldDriverText(version), Buttons::Ok, Icon::Stop, Answer::Ok);
        EXPECT_FALSE(StartupChecks::run(host, prompter));
        EXPECT_NE(StartupChecks::oldDriverText(version).find(std::to_string(version)), std::string::npos);
    }
}

} // namespace
} // namespace vellum
