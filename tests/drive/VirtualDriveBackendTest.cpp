#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>

#include "core/Bytes.h"
#include "core/Error.h"
#include "drive/DriveBay.h"
#include "drive/DriveStatus.h"
#include "drive/MediumFaults.h"
#include "drive/VirtualDriveBackend.h"
#include "settings/SettingsProfile.h"
#include "tests/drive/DiskImages.h"
#include "tests/drive/FakeSystemCalls.h"
#include "tests/support/FaultInjectingBackend.h"
#include "tests/support/MemoryProfile.h"

namespace vellum {
namespace {

using test::DiskImages;
using test::DriveRequest;
using test::patternByte;
using test::RequestKind;

constexpr int kA = 0;
constexpr int kB = 1;

std::vector<std::uint8_t> inOrder(std::uint8_t count)
{
    std::vector<std::uint8_t> ids(count);
    for (std::uint8_t i = 0; i < count; ++i)
        ids[i] = static_cast<std::uint8_t>(i + 1);
    return ids;
}

CylinderFormat cylinderFormat(std::uint32_t cylinder, const std::vector<std::uint8_t>& ids)
{
    CylinderFormat f;
    f.cylinder = cylinder;
    f.sectorIds = {ids, ids};
    return f;
}

class VirtualDrives : public ::testing::Test {
protected:
    DiskImages images;
    test::MemoryProfile profile;
    VirtualDriveBackend drives{profile};
    std::vector<std::uint8_t> sector = std::vector<std::uint8_t>(512);
};

TEST_F(VirtualDrives, TakeTheDiskettesRealDrivesTake)
{
    const std::map<int, std::set<std::string>> takes = {
        {0, {"360K"}},
        {1, {"360K", "1.2M"}},
        {2, {"720K"}},
        {7, {"720K", "1.44M", "1.68M"}},
        {9, {"720K", "1.44M", "1.68M", "2.88M"}},
    };
    for (const StandardFormat& f : standardFormats()) {
        drives.insert(kA, images.formatted(std::string(f.capacity) + ".img", f.capacity));
        for (const auto& [type, formats] : takes) {
            drives.setDeviceType(kA, type);
            const bool fits = formats.count(std::string(f.capacity)) != 0;
            EXPECT_EQ(drives.checkMedia(kA), fits ? kStatusOk : kStatusWrongMedia) << f.capacity << " in type " << type;
            EXPECT_EQ(drives.readSectors(kA, 0, sector), fits ? kStatusOk : kStatusWrongMedia) << f.capacity;
        }
    }
}

TEST_F(VirtualDrives, DriveDefaultsAreA144AndA12MegabyteDrive)
{
    DriveParameters a, b;
    ASSERT_EQ(drives.parameters(kA, kDriveDefaultBpb, a), kStatusOk);
    ASSERT_EQ(drives.parameters(kB, kDriveDefaultBpb, b), kStatusOk);
    EXPECT_EQ(a.deviceType, 7);
    EXPECT_EQ(a.bpb, formatNamed("1.44M")->bpb());
    EXPECT_EQ(b.deviceType, 1);
    EXPECT_EQ(b.bpb.sectorsPerTrack, 15);
}

TEST_F(VirtualDrives, MediumParametersPreferAPlausibleBootSector)
{
    // A 21-sector diskette whose FATs are not DMF's: the boot sector says so.
    const auto other = images.formatted("other.img", "1.68M");
    std::vector<std::uint8_t> bytes = test::readFile(other);
    putLe16(bytes, Bpb::kSectorsPerFatAt, 9);
    test::writeFile(other, bytes);
    drives.insert(kA, other);
    DriveParameters p;
    ASSERT_EQ(drives.parameters(kA, kCurrentMediumBpb, p), kStatusOk);
    EXPECT_EQ(p.bpb.sectorsPerFat, 9);
    EXPECT_EQ(p.bpb.sectorsPerTrack, 21);

    // A boot sector that does not fit the diskette counts for nothing.
    putLe16(bytes, Bpb::kTotalSectorsAt, 2880);
    test::writeFile(other, bytes);
    ASSERT_EQ(drives.parameters(kA, kCurrentMediumBpb, p), kStatusOk);
    EXPECT_EQ(p.bpb, formatNamed("1.68M")->bpb());

    drives.insert(kA, images.blank("blank.img", "720K"));
    ASSERT_EQ(drives.parameters(kA, kCurrentMediumBpb, p), kStatusOk);
    EXPECT_EQ(p.bpb, formatNamed("720K")->bpb()) << "a blank diskette: what its size implies";
}

TEST_F(VirtualDrives, ReadTheBootSectorOfAnImageMkfsMade)
{
    const auto file = images / "mkfs.img";
    const std::string command = "mkfs.fat -C " + file.string() + " 720 >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    drives.insert(kA, file);
    DeviceParameterBlock block(kCurrentMediumBpb);
    DriveParameters p;
    ASSERT_EQ(drives.parameters(kA, kCurrentMediumBpb, p), kStatusOk);
    block.fill(p.deviceType, p.bpb);
    EXPECT_EQ(block.geometry().MediaCode, 0x7F9u);
    EXPECT_EQ(block.bpb().sectorsPerTrack, 9);
    EXPECT_EQ(block.bpb().totalSectors, 1440);
}

TEST_F(VirtualDrives, ReportWhatADriverReportsForEachMedium)
{
    EXPECT_EQ(drives.checkMedia(kA), kStatusNotReady) << "empty drive";
    EXPECT_EQ(drives.checkMedia(2), kStatusNoDevice) << "no drive C:";

    const auto gone = images.formatted("gone.img", "1.44M");
    drives.insert(kA, gone);
    std::filesystem::remove(gone);
    EXPECT_EQ(drives.checkMedia(kA), kStatusMediaRemoved);

    // A new blank is never made over an existing file, so its offered name moves on.
    const StandardFormat& hd = *formatNamed("1.44M");
    EXPECT_EQ(VirtualMedium::freeBlankPath(images.folder(), hd), images.folder() / "blank-1.44M.img");
    const auto blank = images.blank("blank-1.44M.img", "1.44M");
    images.blank("blank-1.44M-2.img", "1.44M");
    EXPECT_EQ(VirtualMedium::freeBlankPath(images.folder(), hd), images.folder() / "blank-1.44M-3.img");
    drives.insert(kA, blank);
    EXPECT_EQ(drives.checkMedia(kA), kStatusUnformatted);
    EXPECT_EQ(drives.readSectors(kA, 0, sector), kStatusUnformatted);
    EXPECT_EQ(drives.writeSectors(kA, 0, sector), kStatusUnformatted);

    // A real image put in the blank's place later is no blank, marker or not.
    std::filesystem::remove(blank);
    std::filesystem::rename(images.formatted("real.img", "1.44M"), blank);
    drives.insert(kA, blank);
    EXPECT_EQ(drives.checkMedia(kA), kStatusOk);

    drives.insert(kA, images.formatted("hd.img", "1.44M"));
    EXPECT_EQ(drives.readSectors(kA, 2879, sector), kStatusOk);
    EXPECT_EQ(drives.readSectors(kA, 2880, sector), kStatusInvalid) << "past the last sector";
    std::vector<std::uint8_t> half(100);
    EXPECT_EQ(drives.readSectors(kA, 0, half), kStatusInvalid);
}

TEST_F(VirtualDrives, WriteProtectionStopsWritesAndFormatsButNotReads)
{
    const auto file = images.formatted("hd.img", "1.44M");
    drives.insert(kA, file);
    drives.setWriteProtected(kA, true);
    EXPECT_EQ(drives.checkMedia(kA), kStatusOk);
    EXPECT_EQ(drives.readSectors(kA, 1, sector), kStatusOk);
    EXPECT_EQ(drives.writeSectors(kA, 1, sector), kStatusWriteProtect);
    EXPECT_EQ(drives.formatCylinder(kA, cylinderFormat(0, inOrder(18))), kStatusWriteProtect);

    drives.insert(kA, file); // the tab belongs to the diskette that left
    EXPECT_FALSE(drives.writeProtected(kA));
    std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    EXPECT_TRUE(drives.writeProtected(kA)) << "a read-only file";
    EXPECT_EQ(drives.writeSectors(kA, 1, sector), kStatusWriteProtect);
    EXPECT_EQ(test::readFile(file)[512], patternByte(1, 0));
}

TEST_F(VirtualDrives, InsertRefusesFilesThatAreNoDiskette)
{
    const auto odd = images / "odd.img";
    test::writeFile(odd, std::vector<std::uint8_t>(1000));
    try {
        drives.insert(kA, odd);
        FAIL() << "a 1000-byte file went in";
    } catch (const Error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("1,000 bytes"), std::string::npos) << message;
        EXPECT_NE(message.find("1,474,560 (1.44M)"), std::string::npos) << message;
    }
    EXPECT_THROW(drives.insert(kA, images / "missing.img"), Error);
    EXPECT_FALSE(drives.medium(kA)) << "the drive stays empty";
}

TEST_F(VirtualDrives, AFaultFileMakesSectorsFailAsOnADamagedDiskette)
{
    const auto image = images.formatted("faulty.img", "720K");
    const auto faults = MediumFaults::fileOf(image);
    const auto refused = [&](const std::string& lines) {
        std::ofstream(faults) << lines;
        try {
            drives.insert(kA, image);
        } catch (const Error& e) {
            return std::string(e.what()).substr(faults.string().size());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(refused("# 720K\n0 0 1 bad\n\n79 1 10 bad\n"), ", line 4: \"79 1 10\" is no sector of a 720K diskette "
                                                               "(cylinders 0 to 79, heads 0 and 1, sectors 1 to 9)");
    EXPECT_EQ(refused("0 0 1 weak\n"), ", line 1: the mode is \"bad\", \"weak N\" (N failing reads, 1 or more) or "
                                       "\"slow MS\" (0 to 60000 milliseconds)");
    EXPECT_EQ(refused("0 0 1\n"), ", line 1: a fault is \"CYLINDER HEAD SECTOR MODE\", as in \"0 0 1 bad\"");
    EXPECT_EQ(refused("0 0 2 bad\n0 0 2 slow 5\n"), ", line 2: the sector has a fault on line 1 already");
    EXPECT_FALSE(drives.medium(kA));

    // Sector 10 is cylinder 0, head 1, sector 2.
    EXPECT_EQ(refused("0 1 2 bad\n0 0 3 weak 2\n1 0 1 slow 0 # no time to lose\n"), "accepted");
    ASSERT_EQ(drives.checkMedia(kA), kStatusOk);
    std::vector<std::uint8_t> track(9 * 512);
    EXPECT_EQ(drives.readSectors(kA, 9, track), kStatusMediaFailure);
    EXPECT_EQ(drives.writeSectors(kA, 10, sector), kStatusMediaFailure);
    EXPECT_EQ(drives.readSectors(kA, 11, sector), kStatusOk);
    EXPECT_EQ(drives.readSectors(kA, 0, track), kStatusMediaFailure) << "weak: first read";
    EXPECT_EQ(drives.readSectors(kA, 2, sector), kStatusMediaFailure) << "weak: second read";
    EXPECT_EQ(drives.readSectors(kA, 0, track), kStatusOk);
    EXPECT_EQ(drives.readSectors(kA, 18, sector), kStatusOk);
    std::ofstream(faults) << "0 0 1 bogus\n";
    EXPECT_EQ(drives.readSectors(kA, 0, sector), kStatusOk) << "taken in at the next operation";
    EXPECT_EQ(drives.checkMedia(kA), kStatusHardware) << "a fault file broken since it went in";
}

TEST_F(VirtualDrives, FormattingFillsTheCylinderAndRecordsTheSectorOrder)
{
    const auto file = images.blank("blank.img", "1.44M");
    drives.insert(kA, file);
    std::vector<std::uint8_t> skewed = inOrder(18);
    std::rotate(skewed.begin(), skewed.begin() + 5, skewed.end());
    ASSERT_EQ(drives.formatCylinder(kA, cylinderFormat(2, skewed)), kStatusOk);

    EXPECT_EQ(drives.sectorIds(kA, 2, 0), skewed);
    EXPECT_EQ(drives.sectorIds(kA, 2, 1), skewed);
    EXPECT_FALSE(drives.sectorIds(kA, 1, 0));
    EXPECT_FALSE(std::filesystem::exists(VirtualMedium::markerOf(file)));
    EXPECT_EQ(drives.checkMedia(kA), kStatusOk);

    const auto bytes = test::readFile(file);
    const std::size_t start = 2 * 2 * 18 * 512;
    const std::size_t end = start + 2 * 18 * 512;
    EXPECT_EQ(bytes[start - 1], 0);
    EXPECT_TRUE(std::all_of(bytes.begin() + start, bytes.begin() + end, [](std::uint8_t v) { return v == 0xF6; }));
    EXPECT_EQ(bytes[end], 0);

    drives.eject(kA);
    EXPECT_FALSE(drives.sectorIds(kA, 2, 0)) << "the record leaves with the diskette";
}

TEST_F(VirtualDrives, ANewSectorCountRelaysTheWholeDiskette)
{
    const auto file = images.formatted("hd.img", "1.44M");
    drives.insert(kA, file);
    ASSERT_EQ(drives.formatCylinder(kA, cylinderFormat(79, inOrder(21))), kStatusOk);
    const auto bytes = test::readFile(file);
    ASSERT_EQ(bytes.size(), 1720320u);
    EXPECT_EQ(bytes[0], 0) << "the old layout is gone";
    EXPECT_EQ(bytes.back(), 0xF6);
    DriveParameters p;
    ASSERT_EQ(drives.parameters(kA, kCurrentMediumBpb, p), kStatusOk);
    EXPECT_EQ(p.bpb.sectorsPerTrack, 21);
}

TEST_F(VirtualDrives, RefuseFormatsTheDisketteOrDriveCannotHold)
{
    drives.insert(kA, images.formatted("dd.img", "720K"));
    EXPECT_EQ(drives.formatCylinder(kA, cylinderFormat(0, inOrder(18))), kStatusWrongMedia)
        << "a double-density diskette holds no 18-sector tracks";
    drives.insert(kB, images.blank("hd525.img", "1.2M"));
    EXPECT_EQ(drives.formatCylinder(kB, cylinderFormat(0, inOrder(21))), kStatusWrongMedia);

    drives.insert(kA, images.blank("hd.img", "1.44M"));
    EXPECT_EQ(drives.formatCylinder(kA, cylinderFormat(80, inOrder(18))), kStatusInvalid) << "cylinder 80";
    std::vector<std::uint8_t> twice = inOrder(18);
    twice[17] = 1;
    EXPECT_EQ(drives.formatCylinder(kA, cylinderFormat(0, twice)), kStatusInvalid) << "sector 1 twice, no 18";
    CylinderFormat big = cylinderFormat(0, inOrder(18));
    big.sizeCode = 3;
    EXPECT_EQ(drives.formatCylinder(kA, big), kStatusInvalid);
    EXPECT_EQ(drives.checkMedia(kA), kStatusUnformatted) << "nothing was formatted";
    EXPECT_EQ(drives.formatCylinder(kB, cylinderFormat(0, inOrder(15))), kStatusOk);
}

TEST_F(VirtualDrives, PlannedFaultsHitTheNthRequestOfTheirKind)
{
    test::FaultInjectingBackend faults{drives};
    drives.insert(kA, images.formatted("a.img", "1.44M"));
    faults.failRequest(RequestKind::Read, 2, kStatusMediaFailure);
    EXPECT_EQ(faults.readSectors(kA, 0, sector), kStatusOk);
    EXPECT_EQ(faults.checkMedia(kA), kStatusOk) << "another kind does not count";
    EXPECT_EQ(faults.readSectors(kA, 0, sector), kStatusMediaFailure);
    EXPECT_EQ(faults.readSectors(kA, 0, sector), kStatusOk);
    EXPECT_THROW(faults.failRequest(RequestKind::Read, 0, kStatusMediaFailure), Error);
}

TEST_F(VirtualDrives, ADisketteCanBeSwappedBetweenRequests)
{
    drives.insert(kA, images.formatted("first.img", "1.44M"));
    const auto second = images.formatted("second.img", "1.44M");
    std::vector<std::uint8_t> bytes = test::readFile(second);
    bytes[512] = 0x99;
    test::writeFile(second, bytes);
    test::FaultInjectingBackend faults{drives};
    faults.swapMedium(RequestKind::Read, 2, kA, second);
    faults.swapMedium(RequestKind::CheckMedia, 1, kA, {});

    ASSERT_EQ(faults.readSectors(kA, 1, sector), kStatusOk);
    EXPECT_EQ(sector[0], patternByte(1, 0));
    ASSERT_EQ(faults.readSectors(kA, 1, sector), kStatusOk);
    EXPECT_EQ(sector[0], 0x99);
    EXPECT_EQ(faults.checkMedia(kA), kStatusNotReady) << "swapped for nothing";
    const std::vector<DriveRequest> log = {
        {RequestKind::Read, kA, 1, 1}, {RequestKind::Read, kA, 1, 1}, {RequestKind::CheckMedia, kA}};
    EXPECT_EQ(faults.requests(), log);
}

TEST_F(VirtualDrives, AFileReplacedOrRemovedBetweenTwoReadsIsSeenAtTheSecond)
{
    const auto file = images.formatted("disk.img", "1.44M");
    drives.insert(kA, file);
    ASSERT_EQ(drives.readSectors(kA, 1, sector), kStatusOk);
    std::vector<std::uint8_t> bytes = test::readFile(file);
    bytes[512] = 0x99;
    test::writeFile(images.folder() / "new.img", bytes);
    std::filesystem::rename(images.folder() / "new.img", file); // the open file is another one now
    ASSERT_EQ(drives.readSectors(kA, 1, sector), kStatusOk);
    EXPECT_EQ(sector[0], 0x99);
    std::filesystem::remove(file);
    EXPECT_EQ(drives.readSectors(kA, 1, sector), kStatusMediaRemoved);
}

TEST_F(VirtualDrives, LocksNestAndAnUnlockWithoutALockFails)
{
    std::optional<int> level;
    ASSERT_EQ(drives.lockVolume(kA, 0, 0), kStatusOk);
    ASSERT_EQ(drives.lockVolume(kA, 0, 4), kStatusOk);
    EXPECT_EQ(drives.unlockVolume(kA), kStatusOk);
    ASSERT_EQ(drives.lockLevel(kA, level), kStatusOk);
    EXPECT_EQ(level, 0) << "one lock still held";
    EXPECT_EQ(drives.unlockVolume(kA), kStatusOk);
    EXPECT_EQ(drives.unlockVolume(kA), kStatusUnlockWithoutLock);
}

TEST(DriveSetup, PersistsThroughTheSettingsFile)
{
    DiskImages images;
    const auto file = images.folder() / "Vellum.conf";
    const auto medium = images.formatted("My Disks, \"old\" \xc3\xa9t\xc3\xa9.img", "1.44M");
    {
        SettingsProfile profile(file);
        VirtualDriveBackend drives(profile);
        drives.insert(kA, medium);
        drives.setWriteProtected(kA, true);
        drives.setDeviceType(kB, 9);
    }
    SettingsProfile profile(file);
    VirtualDriveBackend drives(profile);
    ASSERT_TRUE(drives.medium(kA));
    EXPECT_EQ(drives.medium(kA)->path(), medium);
    EXPECT_TRUE(drives.writeProtected(kA));
    EXPECT_EQ(drives.driveType(kB).dosType, 9);
    EXPECT_EQ(drives.driveType(kA).dosType, 7);
    EXPECT_FALSE(drives.medium(kB));
}

TEST(DriveSetup, RefusesDeviceTypesNoDisketteDriveHas)
{
    test::MemoryProfile profile;
    profile.writeInt("DriveA", "DeviceType", 5);
    VirtualDriveBackend drives(profile);
    EXPECT_EQ(drives.driveType(kA).dosType, 7) << "a fixed disk type from the file is ignored";
    try {
        drives.setDeviceType(kB, 3);
        FAIL() << "an 8-inch type was taken";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Drive B: cannot have device type 3; a diskette drive has type 0, 1, 2, 7 or 9");
    }
}

TEST(DriveSetup, ALinuxDeviceStandsInForItsDriveOnly)
{
    test::MemoryProfile profile;
    profile.writeString("DriveA", "Device", "/dev/fd0");
    auto system = std::make_unique<test::FakeSystemCalls>();
    test::FakeSystemCalls& sys = *system;
    DriveBay bay(profile, std::move(system));

    EXPECT_EQ(bay.drives().checkMedia(kA), kStatusOk);
    ASSERT_FALSE(sys.opened.empty());
    EXPECT_EQ(sys.opened[0], "/dev/fd0");
    EXPECT_EQ(bay.drives().checkMedia(kB), kStatusNotReady) << "B: stays virtual, and empty";

    DiskImages images;
    EXPECT_THROW(bay.useDevice(kB, images.formatted("file.img", "1.44M").string()), Error)
        << "a file is no block device";
    bay.useVirtual(kA);
    EXPECT_EQ(bay.device(kA), "");
    EXPECT_EQ(profile.readString("DriveA", "Device", "?"), "");
    EXPECT_EQ(bay.drives().checkMedia(kA), kStatusNotReady);
}

TEST(DriveSetup, ADriveSwitchedMeanwhileCountsFromTheNextMediaCheck)
{
    test::MemoryProfile profile;
    auto system = std::make_unique<test::FakeSystemCalls>();
    test::FakeSystemCalls& sys = *system;
    DriveBay bay(profile, std::move(system));
    DriveBackend& drives = bay.drives(); // held across the switch, as the sector driver holds it

    profile.writeString("DriveB", "Device", "/dev/fd1"); // vlm drive B: --device /dev/fd1
    EXPECT_EQ(drives.checkMedia(kB), kStatusOk);
    ASSERT_FALSE(sys.opened.empty());
    EXPECT_EQ(sys.opened.back(), "/dev/fd1");
    EXPECT_EQ(bay.device(kB), "/dev/fd1");

    profile.writeString("DriveB", "Device", ""); // vlm drive B: --virtual
    EXPECT_EQ(drives.checkMedia(kB), kStatusNotReady);
}

} // namespace
} // namespace vellum
