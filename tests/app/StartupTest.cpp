// Start-up's refusals, with a fake machine.
#include <QtTest>

#include "app/StartupChecks.h"
#include "tests/app/AppTestSupport.h"

using namespace vellum;
using namespace vellum::test;

namespace {

class FakeHost : public StartupChecks::Host {
public:
    bool opens = true;
    bool nt = false;
    std::uint32_t version = 2;
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

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void aWorkingBackendStartsSilently()
    {
        FakeHost host;
        ExpectingPrompter prompter;
        QVERIFY(StartupChecks::run(host, prompter));
        QCOMPARE(host.versionAsked, 1);
        VERIFY_NO_PROBLEMS(prompter);
    }

    void theNtPlatformIsRefusedFirst()
    {
        FakeHost host;
        host.nt = true;
        host.opens = false;
        ExpectingPrompter prompter;
        prompter.expect("This version of VLM requires Win95/Win98", Buttons::Ok, Icon::Stop, Answer::Ok);
        QVERIFY(!StartupChecks::run(host, prompter));
        VERIFY_NO_PROBLEMS(prompter);
    }

    void aBackendThatCannotOpenIsRefusedWithWhereToLook()
    {
        FakeHost host;
        host.opens = false;
        ExpectingPrompter prompter;
        prompter.expect("Could not open the diskette drives: \"/dev/fd0\" is not a block device.  \n"
                        "Check the drive settings in /home/u/.config/Orrindale/Vellum.conf,\n"
                        "or remove them there to start again with the virtual drives.",
                        Buttons::Ok, Icon::Information, Answer::Ok);
        QVERIFY(!StartupChecks::run(host, prompter));
        QCOMPARE(host.versionAsked, 0);
        VERIFY_NO_PROBLEMS(prompter);
    }

    void aDriverOfAnotherVersionIsRefused()
    {
        for (std::uint32_t version : {1u, 3u}) {
            FakeHost host;
            host.version = version;
            ExpectingPrompter prompter;
            prompter.expect(StartupChecks::oldDriverText(version), Buttons::Ok, Icon::Stop, Answer::Ok);
            QVERIFY(!StartupChecks::run(host, prompter));
            VERIFY_NO_PROBLEMS(prompter);
            QVERIFY(StartupChecks::oldDriverText(version).find(std::to_string(version)) != std::string::npos);
        }
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
