#include <gtest/gtest.h>

#include "drive/CDriveServices.h"
#include "drive/DriveStatus.h"
#include "drive/VirtualDriveBackend.h"
#include "tests/support/FaultInjectingBackend.h"
#include "tests/drive/DiskImages.h"
#include "tests/support/MemoryProfile.h"
#include "tests/support/ScriptedPrompter.h"

namespace vellum {
namespace {

using test::DiskImages;
using test::DriveRequest;
using test::patternByte;
using test::RequestKind;

constexpr int kA = 0;
constexpr int kB = 1;

class DriveServices : public ::testing::Test {
protected:
    DiskImages images;
    test::MemoryProfile profile;
    VirtualDriveBackend drives{profile};
    test::FaultInjectingBackend faults{drives};
    test::ScriptedPrompter prompter;
    CDriveServices services{faults, prompter};

    int count(RequestKind kind) const
    {
        return static_cast<int>(std::count_if(faults.requests().begin(), faults.requests().end(),
                                              [kind](const DriveRequest& r) { return r.kind == kind; }));
    }

    bool asked(RequestKind kind, int drive) const
    {
        for (const DriveRequest& r : faults.requests())
            if (r.kind == kind && r.drive == drive)
                return true;
        return false;
    }
};

TEST_F(DriveServices, DeviceParametersTakeOneBasedDrives)
{
    drives.insert(kA, images.formatted("dd.img", "720K"));
    drives.insert(kB, images.formatted("360.img", "360K"));

    DeviceParameterBlock driveA(kDriveDefaultBpb);
    ASSERT_TRUE(services.GetDeviceParameters(1, driveA));
    EXPECT_EQ(driveA.deviceType(), 7);
    EXPECT_EQ(driveA.bpb().sectorsPerTrack, 18) << "the drive's own format";
    EXPECT_EQ(driveA.bpb().mediaDescriptor, 0xF0);

    DeviceParameterBlock mediumA(kCurrentMediumBpb);
    ASSERT_TRUE(services.GetDeviceParameters(1, mediumA));
    EXPECT_EQ(mediumA.geometry().MediaCode, 0x7F9u) << "a 720 KB diskette in a 1.44 MB drive";
    EXPECT_EQ(mediumA.bpb().sectorsPerTrack, 9);

    DeviceParameterBlock mediumB(kCurrentMediumBpb);
    ASSERT_TRUE(services.GetDeviceParameters(2, mediumB));
    EXPECT_EQ(mediumB.geometry().MediaCode, 0x1FDu) << "a 360 KB diskette in a 1.2 MB drive";
    EXPECT_EQ(mediumB.cylinders(), 40);
}

TEST_F(DriveServices, FailedDeviceParametersLeaveTheBlockAsTheCallerZeroedIt)
{
    // Drive 0 is "the default drive" in this numbering, which is no diskette drive.
    for (const int drive : {0, 3}) {
        DeviceParameterBlock block(kDriveDefaultBpb);
        EXPECT_FALSE(services.GetDeviceParameters(drive, block)) << drive;
        EXPECT_EQ(block.deviceType(), 0);
    }
    DeviceParameterBlock empty(kCurrentMediumBpb);
    EXPECT_FALSE(services.GetDeviceParameters(1, empty)) << "no diskette in A:";
    EXPECT_EQ(empty.geometry().MediaCode, 0u);
}

TEST_F(DriveServices, LockLevelAndPhysicalLocksUseTheirOwnNumbering)
{
    EXPECT_EQ(services.GetLockLevel(1), CDriveServices::kNotLocked);
    ASSERT_TRUE(services.LockVolume(1, 0, kA));
    EXPECT_EQ(services.GetLockLevel(1), 1u) << "A: is 1 here";
    EXPECT_EQ(services.GetLockLevel(2), CDriveServices::kNotLocked) << "B: untouched";
    ASSERT_TRUE(services.UnlockVolume(kA));
    EXPECT_EQ(services.GetLockLevel(1), CDriveServices::kNotLocked);
}

TEST_F(DriveServices, FailedLockServicesSayWhichOneFailed)
{
    prompter.expect("Cannot Unlock Volume", Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_FALSE(services.UnlockVolume(kB)) << "nothing was locked";

    faults.failRequest(RequestKind::Lock, 1, kStatusBusy);
    prompter.expect("Cannot Lock Volume", Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_FALSE(services.LockVolume(1, 0, kA));

    faults.failRequest(RequestKind::LockLevel, 1, kStatusHardware);
    prompter.expect("Cannot Get Lock Level", Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_EQ(services.GetLockLevel(1), 0u);
    EXPECT_TRUE(prompter.done());
}

TEST_F(DriveServices, ResetTakesTheZeroBasedDrive)
{
    services.ResetDrive(kB);
    EXPECT_TRUE(asked(RequestKind::Reset, kB));
    EXPECT_FALSE(asked(RequestKind::Reset, kA));
}

TEST_F(DriveServices, AbsoluteReadsReachTheNamedDrive)
{
    drives.insert(kA, images.formatted("a.img", "1.44M"));
    drives.insert(kB, images.formatted("b.img", "1.2M"));
    std::vector<std::uint8_t> buffer(1024);

    ASSERT_TRUE(services.AbsoluteRead(1, 3, 2, buffer));
    EXPECT_EQ(buffer[0], patternByte(3, 0));
    EXPECT_EQ(buffer[1023], patternByte(4, 511));
    ASSERT_TRUE(services.ExtendedAbsoluteRead(2, 5, 1, buffer));
    EXPECT_EQ(buffer[7], patternByte(5, 7));
    EXPECT_TRUE(asked(RequestKind::Read, kB));

    EXPECT_FALSE(services.AbsoluteRead(1, 0, 3, buffer)) << "three sectors do not fit";
    EXPECT_FALSE(services.ExtendedAbsoluteRead(2, 2400, 1, buffer)) << "past the end";
    drives.eject(kA);
    EXPECT_FALSE(services.AbsoluteRead(1, 0, 1, buffer));
}

TEST_F(DriveServices, DmfTestSectorIsTheLastSectorOfTheChosenDrive)
{
    drives.setDeviceType(kB, 7);
    const auto a = images.formatted("a.img", "1.68M");
    const auto b = images.formatted("b.img", "1.68M");
    drives.insert(kA, a);
    drives.insert(kB, b);
    const auto before = test::readFile(b);

    services.WriteDmfTestSector(false);
    const auto after = test::readFile(b);
    const std::size_t last = 3359 * kSectorBytes;
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + last, after.begin()));
    EXPECT_TRUE(std::all_of(after.begin() + last, after.end(), [](std::uint8_t v) { return v == 0xF8; }));
    EXPECT_EQ(test::readFile(a)[last], patternByte(3359, 0)) << "A: untouched";

    services.WriteDmfTestSector(true);
    EXPECT_EQ(test::readFile(a)[last], 0xF8);
}

TEST_F(DriveServices, BiosAddressesSectorsOnTheMediumsOwnLayout)
{
    const auto hd = images.formatted("hd.img", "1.44M");
    drives.insert(kA, hd);
    const auto before = test::readFile(hd);
    services.WriteDmfTestSector(true);
    EXPECT_EQ(test::readFile(hd), before) << "an 18-sector track has no sector 21";

    REGS setMediaType;
    setMediaType.EAX = 0x1800;
    setMediaType.ECX = 0x4F12; // 80 cylinders, 18 sectors per track
    services.BiosDisk(setMediaType, {});
    EXPECT_EQ(setMediaType.Flags & kCarryFlag, 0u);
    setMediaType.EAX = 0x1800;
    setMediaType.EDX = kB; // a 1.2 MB drive has no 18-sector format
    services.BiosDisk(setMediaType, {});
    EXPECT_EQ(setMediaType.Flags & kCarryFlag, kCarryFlag);
    EXPECT_EQ(high8(setMediaType.EAX), 0x0C);
}

TEST_F(DriveServices, UnknownDosFunctionsFailWithTheCarryAndBit15)
{
    REGS regs;
    regs.EAX = 0x440D;
    regs.ECX = 0x0841; // write track, which no one asks for here
    services.Vwin32Call(regs);
    EXPECT_EQ(regs.Flags & (kCarryFlag | kServiceFailedFlag), kCarryFlag | kServiceFailedFlag);
    EXPECT_EQ(low16(regs.EAX), 0x01);
}

TEST_F(DriveServices, CountFloppyDrivesLooksAtTheLeadingDrivesOfTheMask)
{
    EXPECT_EQ(services.CountFloppyDrives(0b1011), 2) << "A:, B: and D:; D: is not looked at";
    for (const DriveRequest& r : faults.requests())
        EXPECT_LT(r.drive, 2);
    EXPECT_EQ(services.CountFloppyDrives(0b1010), 0) << "no A:";

    drives.setDeviceType(kB, 9);
    EXPECT_EQ(services.CountFloppyDrives(0b11), 1) << "a 2.88 MB drive never counts";
    drives.insert(kB, images.formatted("ed.img", "2.88M"));
    EXPECT_EQ(services.CountFloppyDrives(0b11), 1) << "not even with a diskette in it";

    EXPECT_EQ(services.CountFloppyDrives(0b111), 0) << "C: has no parameters, so nothing counts";
    faults.failRequest(RequestKind::Parameters, count(RequestKind::Parameters) + 2, kStatusHardware);
    EXPECT_EQ(services.CountFloppyDrives(0b11), 0);
}

} // namespace
} // namespace vellum
