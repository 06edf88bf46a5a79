#include <gtest/gtest.h>

#include <algorithm>

#include <linux/fdreg.h>

#include "core/Bpb.h"
#include "core/Bytes.h"
#include "drive/DriveStatus.h"
#include "drive/LinuxFloppyBackend.h"
#include "core/StandardFormats.h"
#include "tests/drive/FakeSystemCalls.h"

namespace vellum {
namespace {

using test::FakeSystemCalls;

// The IDs a DMF format lays on cylinder 0, in physical order.
const std::vector<std::uint8_t> kDmfCylinder0 = {6, 17, 7, 18, 8, 19, 9, 20, 10, 21, 11,
                                                 1, 12, 2, 13, 3, 14, 4, 15, 5, 16};

CylinderFormat cylinderFormat(std::uint32_t cylinder, const std::vector<std::uint8_t>& ids)
{
    CylinderFormat f;
    f.cylinder = cylinder;
    f.sectorIds = {ids, ids};
    return f;
}

std::vector<std::uint8_t> inOrder(std::uint8_t count)
{
    std::vector<std::uint8_t> ids(count);
    for (std::uint8_t i = 0; i < count; ++i)
        ids[i] = static_cast<std::uint8_t>(i + 1);
    return ids;
}

class LinuxFloppy : public ::testing::Test {
protected:
    FakeSystemCalls sys;
    LinuxFloppyBackend backend{sys, {"/dev/fd0", ""}};
};

TEST_F(LinuxFloppy, DriveTypeComesFromTheCmosSetting)
{
    for (const auto& [cmos, dosType] : {std::pair{1, 0}, {2, 1}, {3, 2}, {4, 7}, {6, 9}}) {
        FakeSystemCalls s;
        s.cmos = cmos;
        LinuxFloppyBackend b(s, {"/dev/fd0", ""});
        DriveParameters p;
        ASSERT_EQ(b.parameters(0, kDriveDefaultBpb, p), kStatusOk) << cmos;
        EXPECT_EQ(p.deviceType, dosType) << cmos;
    }
    sys.cmos = 0; // the controller has no drive there
    DriveParameters p;
    EXPECT_EQ(backend.parameters(0, kDriveDefaultBpb, p), kStatusNoDevice);
    EXPECT_EQ(backend.checkMedia(1), kStatusNoDevice) << "B: has no device";
}

TEST_F(LinuxFloppy, OpensWithoutWaitingForAMediumAndKeepsTheDeviceOpenUntilReleased)
{
    EXPECT_EQ(backend.prepareTransfer(0), kStatusOk);
    std::vector<std::uint8_t> sector(512);
    EXPECT_EQ(backend.readSectors(0, 0, sector), kStatusOk);
    ASSERT_EQ(sys.opened.size(), 1u);
    EXPECT_EQ(sys.opened[0], "/dev/fd0");
    EXPECT_TRUE(sys.openFlags[0] & O_NONBLOCK);
    EXPECT_EQ(sys.openFlags[0] & O_ACCMODE, O_RDWR);
    backend.releaseDrive(0);
    EXPECT_EQ(sys.closes, 1);
    EXPECT_EQ(backend.readSectors(0, 0, sector), kStatusOk);
    EXPECT_EQ(sys.opened.size(), 2u);
}

TEST_F(LinuxFloppy, AReadOnlyDeviceIsWriteProtectedButReadable)
{
    sys.openError = EROFS;
    sys.medium[512] = 0xAB;
    std::vector<std::uint8_t> sector(512);
    EXPECT_EQ(backend.readSectors(0, 1, sector), kStatusOk);
    EXPECT_EQ(sector[0], 0xAB);
    EXPECT_EQ(sys.openFlags.back() & O_ACCMODE, O_RDONLY);
    EXPECT_EQ(backend.writeSectors(0, 1, sector), kStatusWriteProtect);
    EXPECT_EQ(sys.writes, 0);
}

TEST_F(LinuxFloppy, ErrnoMapsToTheDriverStatusThatNamesTheProblem)
{
    const std::vector<std::pair<int, int>> openCases = {
        {ENOENT, kStatusNoDevice}, {ENXIO, kStatusNotReady}, {EBUSY, kStatusBusy}, {EFAULT, kStatusHardware}};
    for (const auto& [error, status] : openCases) {
        FakeSystemCalls s;
        s.openError = error;
        LinuxFloppyBackend b(s, {"/dev/fd0", ""});
        EXPECT_EQ(b.prepareTransfer(0), status) << std::strerror(error);
    }
    const std::vector<std::pair<int, int>> transferCases = {{EIO, kStatusMediaFailure},
                                                            {ENOMEDIUM, kStatusNotReady},
                                                            {ETIMEDOUT, kStatusTimeout},
                                                            {EACCES, kStatusAccessDenied}};
    std::vector<std::uint8_t> sector(512);
    for (const auto& [error, status] : transferCases) {
        sys.transferError = error;
        EXPECT_EQ(backend.readSectors(0, 0, sector), status) << std::strerror(error);
    }
}

TEST_F(LinuxFloppy, ReadsAndWritesWholeSectorsAtTheirOffsets)
{
    std::vector<std::uint8_t> track(18 * 512, 0x5A);
    ASSERT_EQ(backend.writeSectors(0, 18, track), kStatusOk);
    EXPECT_EQ(sys.medium[18 * 512 - 1], 0);
    EXPECT_EQ(sys.medium[18 * 512], 0x5A);
    EXPECT_EQ(sys.medium[36 * 512 - 1], 0x5A);
    EXPECT_EQ(sys.medium[36 * 512], 0);

    std::vector<std::uint8_t> half(256);
    EXPECT_EQ(backend.readSectors(0, 0, half), kStatusInvalid);
    std::vector<std::uint8_t> sector(512);
    EXPECT_EQ(backend.readSectors(0, 2880, sector), kStatusInvalid) << "past the end";
    EXPECT_EQ(backend.writeSectors(0, 2880, sector), kStatusNoSpace);
}

TEST_F(LinuxFloppy, WritesStopAtTheWriteProtectTab)
{
    sys.driveFlags = 0;
    std::vector<std::uint8_t> sector(512);
    EXPECT_EQ(backend.writeSectors(0, 0, sector), kStatusWriteProtect);
    EXPECT_EQ(backend.formatCylinder(0, cylinderFormat(0, inOrder(18))), kStatusWriteProtect);
    EXPECT_EQ(sys.writes, 0);
    EXPECT_TRUE(sys.rawCommands.empty());
}

TEST_F(LinuxFloppy, WithRawCommandsCheckMediaReadsASectorIdOnCylinderZero)
{
    sys.rawSupported = true;
    sys.minorNumber = 1; // the second drive of the controller
    EXPECT_EQ(backend.checkMedia(0), kStatusOk);
    ASSERT_EQ(sys.rawCommands.size(), 1u);
    const floppy_raw_cmd& raw = sys.rawCommands[0];
    EXPECT_EQ(raw.cmd_count, 2);
    EXPECT_EQ(raw.cmd[0], 0x4A) << "READ ID with the MFM bit";
    EXPECT_EQ(raw.cmd[1], 1) << "head 0 of unit 1";
    EXPECT_EQ(raw.track, 0);
    EXPECT_EQ(raw.rate, 0x00) << "a 1.44 MB drive tries high density first";
    EXPECT_TRUE(raw.flags & FD_RAW_NEED_SEEK);
    EXPECT_TRUE(raw.flags & FD_RAW_INTR);
    EXPECT_FALSE(raw.flags & FD_RAW_WRITE);
}

TEST_F(LinuxFloppy, NoSectorIdAtAnyRateIsABlankDiskette)
{
    sys.rawSupported = true;
    sys.reply = [](floppy_raw_cmd& raw) {
        raw.reply_count = 7;
        raw.reply[0] = 0x40; // abnormal termination
        raw.reply[1] = ST1_MAM;
    };
    EXPECT_EQ(backend.checkMedia(0), kStatusUnformatted);
    ASSERT_EQ(sys.rawCommands.size(), 2u);
    EXPECT_EQ(sys.rawCommands[1].rate, 0x02) << "then double density";

    // A double-density diskette answers at the second rate.
    sys.rawCommands.clear();
    sys.reply = [](floppy_raw_cmd& raw) {
        raw.reply_count = 7;
        raw.reply[0] = raw.rate == 0x02 ? 0x00 : 0x40;
        raw.reply[1] = raw.rate == 0x02 ? 0 : ST1_MAM;
    };
    EXPECT_EQ(backend.checkMedia(0), kStatusOk);
    EXPECT_EQ(sys.rawCommands.size(), 2u);
}

TEST_F(LinuxFloppy, ControllerResultsMapToDriverStatus)
{
    sys.rawSupported = true;
    const std::vector<std::tuple<unsigned, unsigned char, unsigned char, int>> cases = {
        {0, 0x48, 0, kStatusNotReady},               // ST0 not ready
        {0, 0x40, ST1_CRC, kStatusMediaFailure},
        {0, 0x40, ST1_WP, kStatusWriteProtect},
        {FD_RAW_HARDFAILURE, 0, 0, kStatusTimeout},  // the controller had to be reset
        {0, 0x50, 0, kStatusRecalibrate},            // equipment check
    };
    for (const auto& [flags, st0, st1, status] : cases) {
        sys.reply = [&](floppy_raw_cmd& raw) {
            raw.flags |= flags;
            raw.reply_count = flags ? 0 : 7;
            raw.reply[0] = st0;
            raw.reply[1] = st1;
        };
        EXPECT_EQ(backend.checkMedia(0), status) << "ST0 " << int(st0) << " ST1 " << int(st1);
    }
}

TEST_F(LinuxFloppy, WithRawCommandsADmfCylinderGetsItsOwnSectorOrder)
{
    sys.rawSupported = true;
    sys.minorNumber = 1;
    ASSERT_EQ(backend.formatCylinder(0, cylinderFormat(3, kDmfCylinder0)), kStatusOk);

    ASSERT_EQ(sys.geometries.size(), 1u);
    const floppy_struct& g = sys.geometries[0];
    EXPECT_EQ(g.size, 3360u);
    EXPECT_EQ(g.sect, 21u);
    EXPECT_EQ(g.head, 2u);
    EXPECT_EQ(g.track, 80u);
    EXPECT_EQ(g.stretch, 0u);
    EXPECT_EQ(g.fmt_gap, 0x0C);
    EXPECT_EQ(g.rate, 0x00);

    ASSERT_EQ(sys.rawCommands.size(), 2u);
    for (int head = 0; head < 2; ++head) {
        const floppy_raw_cmd& raw = sys.rawCommands[static_cast<std::size_t>(head)];
        EXPECT_EQ(raw.track, 3);
        EXPECT_TRUE(raw.flags & FD_RAW_WRITE);
        ASSERT_EQ(raw.cmd_count, 6);
        const std::vector<unsigned> cmd(raw.cmd, raw.cmd + 6);
        EXPECT_EQ(cmd, (std::vector<unsigned>{FD_FORMAT, unsigned(head << 2 | 1), 2, 21, 0x0C, 0xF6}));
        const auto& fields = sys.rawData[static_cast<std::size_t>(head)];
        ASSERT_EQ(fields.size(), 21u * 4);
        for (std::size_t i = 0; i < 21; ++i) {
            EXPECT_EQ(fields[i * 4], 3);
            EXPECT_EQ(fields[i * 4 + 1], head);
            EXPECT_EQ(fields[i * 4 + 2], kDmfCylinder0[i]);
            EXPECT_EQ(fields[i * 4 + 3], 2);
        }
    }
}

TEST_F(LinuxFloppy, A360KDisketteInA12MegabyteDriveIsDoubleStepped)
{
    sys.rawSupported = true;
    sys.cmos = 2; // 5.25-inch 1.2 MB
    ASSERT_EQ(backend.formatCylinder(0, cylinderFormat(5, inOrder(9))), kStatusOk);
    ASSERT_EQ(sys.geometries.size(), 1u);
    EXPECT_EQ(sys.geometries[0].stretch, unsigned{FD_STRETCH});
    EXPECT_EQ(sys.geometries[0].track, 40u);
    EXPECT_EQ(sys.rawCommands[0].track, 10);
    EXPECT_EQ(sys.rawCommands[0].rate, 0x01);
    EXPECT_EQ(backend.formatCylinder(0, cylinderFormat(40, inOrder(9))), kStatusInvalid) << "40 cylinders only";

    // Without raw commands the driver steps by itself: it is given the cylinder.
    FakeSystemCalls stock;
    stock.cmos = 2;
    LinuxFloppyBackend b(stock, {"/dev/fd0", ""});
    ASSERT_EQ(b.formatCylinder(0, cylinderFormat(5, inOrder(9))), kStatusOk);
    ASSERT_EQ(stock.formattedTracks.size(), 2u);
    EXPECT_EQ(stock.formattedTracks[0].track, 5u);
}

TEST_F(LinuxFloppy, RefusesFormatsTheDriveCannotLayDown)
{
    EXPECT_EQ(backend.formatCylinder(0, cylinderFormat(0, inOrder(10))), kStatusWrongMedia);
    EXPECT_EQ(backend.formatCylinder(0, cylinderFormat(0, inOrder(36))), kStatusWrongMedia)
        << "2.88 MB needs a 2.88 MB drive";
    CylinderFormat big = cylinderFormat(0, inOrder(18));
    big.sizeCode = 3;
    EXPECT_EQ(backend.formatCylinder(0, big), kStatusInvalid);
    EXPECT_TRUE(sys.rawCommands.empty());
}

TEST_F(LinuxFloppy, OnAStockKernelTheBootSectorTellsAFormattedDiskette)
{
    EXPECT_EQ(backend.checkMedia(0), kStatusOk);
    EXPECT_EQ(backend.checkMedia(0), kStatusOk);
    EXPECT_EQ(std::count(sys.requests.begin(), sys.requests.end(), FDRAWCMD), 1) << "asked once";
    EXPECT_EQ(std::count(sys.requests.begin(), sys.requests.end(), FakeSystemCalls::kRead), 2);

    sys.transferError = EIO; // no sector found
    EXPECT_EQ(backend.checkMedia(0), kStatusUnformatted);
    sys.transferError = 0;
    sys.empty = true;
    EXPECT_EQ(backend.checkMedia(0), kStatusNotReady);
}

TEST_F(LinuxFloppy, ANewDisketteIsFlushedIntoTheDriver)
{
    std::vector<std::uint8_t> sector(512);
    ASSERT_EQ(backend.prepareTransfer(0), kStatusOk);
    EXPECT_TRUE(sys.asked(FDFLUSH)) << "right after the open";
    EXPECT_TRUE(sys.openFlags[0] & O_DIRECT);

    sys.changed = true; // swapped at the start of an operation: taken as it is
    EXPECT_EQ(backend.checkMedia(0), kStatusOk);
    EXPECT_EQ(backend.readSectors(0, 0, sector), kStatusOk);

    sys.changed = true; // swapped in the middle of one: the user decides
    EXPECT_EQ(backend.readSectors(0, 0, sector), kStatusMediaChanged);
    EXPECT_EQ(backend.readSectors(0, 0, sector), kStatusOk) << "Retry";
    sys.changed = true;
    EXPECT_EQ(backend.writeSectors(0, 0, sector), kStatusMediaChanged);
    EXPECT_EQ(sys.writes, 0);
}

TEST_F(LinuxFloppy, WritesReachTheMediumAndAReadBackReadsIt)
{
    std::vector<std::uint8_t> track(18 * 512, 0x5A);
    ASSERT_EQ(backend.writeSectors(0, 0, track), kStatusOk);
    EXPECT_EQ(sys.syncs, 1);
    sys.requests.clear();
    ASSERT_EQ(backend.readSectors(0, 0, track), kStatusOk);
    ASSERT_EQ(sys.requests.size(), 2u);
    EXPECT_EQ(sys.requests[0], static_cast<unsigned long>(FDFLUSH)) << "the driver's track buffer goes first";
    sys.requests.clear();
    ASSERT_EQ(backend.readSectors(0, 0, track), kStatusOk);
    EXPECT_FALSE(sys.asked(FDFLUSH)) << "nothing written since";

    sys.syncError = EIO; // the device failed the write after taking it
    EXPECT_EQ(backend.writeSectors(0, 0, track), kStatusMediaFailure);
    sys.syncError = 0;
    sys.transferError = EROFS;
    EXPECT_EQ(backend.writeSectors(0, 0, track), kStatusWriteProtect);
}

TEST_F(LinuxFloppy, OnAStockKernelADmfFormatGoesThroughTheFormatRequests)
{
    for (std::uint32_t cylinder = 0; cylinder < 2; ++cylinder)
        ASSERT_EQ(backend.formatCylinder(0, cylinderFormat(cylinder, kDmfCylinder0)), kStatusOk);
    ASSERT_EQ(backend.endFormat(0), kStatusOk);

    ASSERT_EQ(sys.geometries.size(), 1u) << "the geometry is set once";
    EXPECT_EQ(sys.geometries[0].sect, 21u);
    EXPECT_EQ(sys.geometries[0].size, 3360u);
    EXPECT_EQ(sys.geometries[0].fmt_gap, 0x0C);
    EXPECT_EQ(std::count(sys.requests.begin(), sys.requests.end(), FDFMTBEG), 1);
    ASSERT_EQ(sys.formattedTracks.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(sys.formattedTracks[i].track, i / 2);
        EXPECT_EQ(sys.formattedTracks[i].head, i % 2);
    }
    EXPECT_EQ(sys.requests.back(), static_cast<unsigned long>(FDFMTEND));
    EXPECT_TRUE(sys.rawCommands.empty());
}

TEST_F(LinuxFloppy, MediumParametersComeFromTheBootSectorOrTheDetectedSize)
{
    DriveParameters p;
    ASSERT_EQ(backend.parameters(0, kCurrentMediumBpb, p), kStatusOk);
    EXPECT_EQ(p.bpb, formatNamed("1.44M")->bpb()) << "a blank boot sector: the size decides";

    sys.medium.assign(737280, 0);
    Bpb dd = formatNamed("720K")->bpb();
    dd.sectorsPerFat = 5; // sectors per FAT the boot sector states
    dd.writeTo(sys.medium);
    ASSERT_EQ(backend.parameters(0, kCurrentMediumBpb, p), kStatusOk);
    EXPECT_EQ(p.deviceType, 7);
    EXPECT_EQ(p.bpb.sectorsPerFat, 5);
    EXPECT_EQ(p.bpb.mediaDescriptor, 0xF9);

    // The driver took a DMF diskette for 1.44 MB: its boot sector sets the geometry.
    sys.medium.assign(3360 * 512, 0);
    formatNamed("1.68M")->bpb().writeTo(sys.medium);
    sys.detectedSectors = 2880;
    ASSERT_EQ(backend.parameters(0, kCurrentMediumBpb, p), kStatusOk);
    EXPECT_EQ(p.bpb.totalSectors, 3360);
    ASSERT_EQ(sys.geometries.size(), 1u);
    EXPECT_EQ(sys.geometries[0].sect, 21u);
    sys.detectedSectors = 0;

    sys.medium.assign(1000 * 512, 0);
    EXPECT_EQ(backend.parameters(0, kCurrentMediumBpb, p), kStatusWrongMedia);
}

TEST_F(LinuxFloppy, ResetResetsTheControllerAndFlushes)
{
    ASSERT_EQ(backend.reset(0), kStatusOk);
    ASSERT_EQ(sys.resetModes.size(), 1u);
    EXPECT_EQ(sys.resetModes[0], static_cast<unsigned long>(FD_RESET_ALWAYS));
    EXPECT_TRUE(sys.asked(FDFLUSH));
    EXPECT_EQ(backend.endFormat(0), kStatusOk);
}

TEST_F(LinuxFloppy, AnotherBlockDeviceIsReadAndWrittenBySectorOnly)
{
    sys.floppy = false; // a USB diskette drive
    DriveParameters p;
    ASSERT_EQ(backend.parameters(0, kDriveDefaultBpb, p), kStatusOk);
    EXPECT_EQ(p.deviceType, 7);
    ASSERT_EQ(backend.parameters(0, kCurrentMediumBpb, p), kStatusOk);
    EXPECT_EQ(p.bpb.totalSectors, 2880) << "from the device size";
    EXPECT_TRUE(sys.asked(BLKGETSIZE64));

    EXPECT_EQ(backend.checkMedia(0), kStatusOk);
    EXPECT_TRUE(sys.rawCommands.empty());
    std::vector<std::uint8_t> sector(512, 1);
    EXPECT_EQ(backend.writeSectors(0, 0, sector), kStatusOk);
    EXPECT_EQ(backend.formatCylinder(0, cylinderFormat(0, inOrder(18))), kStatusInvalid);
    EXPECT_EQ(backend.endFormat(0), kStatusOk);
    EXPECT_EQ(backend.reset(0), kStatusOk);
    EXPECT_FALSE(sys.asked(FDRESET));
}

TEST_F(LinuxFloppy, LocksNestPerDrive)
{
    std::optional<int> level;
    ASSERT_EQ(backend.lockVolume(0, 0, 0), kStatusOk);
    ASSERT_EQ(backend.lockVolume(0, 1, 4), kStatusOk);
    ASSERT_EQ(backend.lockLevel(0, level), kStatusOk);
    EXPECT_EQ(level, 1);
    EXPECT_EQ(backend.unlockVolume(0), kStatusOk);
    EXPECT_EQ(backend.unlockVolume(0), kStatusOk);
    EXPECT_EQ(backend.unlockVolume(0), kStatusUnlockWithoutLock);
    EXPECT_EQ(backend.lockVolume(1, 1, 0), kStatusNoDevice);
}

} // namespace
} // namespace vellum
