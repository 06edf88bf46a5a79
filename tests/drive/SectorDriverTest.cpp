#include <gtest/gtest.h>

#include "core/Bytes.h"
#include "core/CVLMDoc.h"
#include "core/Error.h"
#include "drive/DriveStatus.h"
#include "drive/SectorDriver.h"
#include "drive/TrackDriver.h"
#include "drive/VirtualDriveBackend.h"
#include "tests/support/FaultInjectingBackend.h"
#include "tests/drive/DiskImages.h"
#include "tests/support/MemoryProfile.h"

namespace vellum {
namespace {

using test::DiskImages;
using test::DriveRequest;
using test::patternByte;
using test::RequestKind;

constexpr int kA = 0;
constexpr int kB = 1;

REGS request(std::uint32_t function, std::uint32_t drive, std::uint32_t first, std::uint32_t count)
{
    REGS regs;
    regs.EAX = function;
    regs.EBX = drive;
    regs.ECX = first;
    regs.EDX = count;
    return regs;
}

std::tm at(int year, int month, int day, int hour, int minute, int second)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

class SectorDriverTest : public ::testing::Test {
protected:
    DiskImages images;
    test::MemoryProfile profile;
    VirtualDriveBackend drives{profile};
    test::FaultInjectingBackend faults{drives};
    SectorDriver driver{faults, [] { return at(2024, 3, 15, 13, 45, 31); }};
};

TEST_F(SectorDriverTest, ReadsTrackAfterTrackWithTheRegistersAsSent)
{
    drives.insert(kB, images.formatted("b.img", "1.2M"));
    REGS regs = request(ReadSectors, kB, 0, 15);
    for (std::uint32_t track = 0; track < 3; ++track) {
        const REGS sent = regs;
        const auto buffer = driver.DrvRequest(regs);
        ASSERT_EQ(regs.EAX, 0u) << "track " << track;
        EXPECT_EQ(regs.EBX, sent.EBX);
        EXPECT_EQ(regs.ECX, sent.ECX);
        EXPECT_EQ(regs.EDX, sent.EDX);
        EXPECT_EQ(buffer.data(), driver.DrvMapBuffer().data()) << "the one transfer buffer";
        EXPECT_EQ(buffer[0], patternByte(track * 15, 0));
        EXPECT_EQ(buffer[15 * 512 - 1], patternByte(track * 15 + 14, 511));
        regs.ECX += regs.EDX; // the next track
        regs.EAX = ReadSectors;
    }
}

TEST_F(SectorDriverTest, WritesGoStraightToTheDisketteFile)
{
    const auto file = images.formatted("a.img", "1.44M");
    drives.insert(kA, file);
    const auto buffer = driver.DrvMapBuffer();
    std::fill_n(buffer.begin(), 18 * 512, std::uint8_t{0x3C});
    REGS regs = request(WriteSectors, kA, 18, 18);
    driver.DrvRequest(regs);
    ASSERT_EQ(regs.EAX, 0u);

    const auto bytes = test::readFile(file);
    ASSERT_EQ(bytes.size(), 1474560u);
    EXPECT_EQ(bytes[18 * 512 - 1], patternByte(17, 511));
    EXPECT_EQ(bytes[18 * 512], 0x3C);
    EXPECT_EQ(bytes[36 * 512 - 1], 0x3C);
    EXPECT_EQ(bytes[36 * 512], patternByte(36, 0));
}

TEST_F(SectorDriverTest, HoldsTheLongestTrackAndRefusesMore)
{
    drives.setDeviceType(kA, 9);
    drives.insert(kA, images.formatted("ed.img", "2.88M"));
    REGS regs = request(ReadSectors, kA, 36, 36);
    const auto buffer = driver.DrvRequest(regs);
    ASSERT_EQ(regs.EAX, 0u);
    EXPECT_GE(buffer.size(), 36u * 512);
    EXPECT_EQ(buffer[36 * 512 - 1], patternByte(71, 511));

    const std::size_t before = faults.requests().size();
    for (const std::uint32_t count : {0u, 37u}) {
        REGS bad = request(ReadSectors, kA, 0, count);
        driver.DrvRequest(bad);
        EXPECT_EQ(bad.EAX, std::uint32_t{kStatusInvalid}) << count;
        EXPECT_EQ(bad.EDX, count);
    }
    EXPECT_EQ(faults.requests().size(), before) << "refused before the drive sees it";
}

TEST_F(SectorDriverTest, StatusComesBackInEax)
{
    REGS empty = request(ReadSectors, kA, 0, 18);
    driver.DrvRequest(empty);
    EXPECT_EQ(empty.EAX, std::uint32_t{kStatusNotReady});
    EXPECT_EQ(empty.EDX, 18u);

    drives.insert(kA, images.blank("blank.img", "1.44M"));
    REGS check = request(CheckMedia, kA, 0, 1);
    driver.DrvRequest(check);
    EXPECT_EQ(check.EAX, std::uint32_t{kStatusUnformatted});

    REGS noDrive = request(CheckMedia, 5, 0, 1);
    driver.DrvRequest(noDrive);
    EXPECT_EQ(noDrive.EAX, std::uint32_t{kStatusNoDevice});
    EXPECT_EQ(noDrive.EBX, 5u);

    REGS unknown = request(9, kA, 0, 0);
    driver.DrvRequest(unknown);
    EXPECT_EQ(unknown.EAX, std::uint32_t{kStatusInvalid});
}

TEST_F(SectorDriverTest, StatusTextsNameUnknownCodes)
{
    EXPECT_EQ(CVLMDoc::statusText(kStatusUnformatted), "Unformatted media");
    EXPECT_EQ(CVLMDoc::statusText(kStatusInvalid), "Command not supported or invalid");
    const std::string unknown = CVLMDoc::statusText(99);
    EXPECT_NE(unknown.find("99"), std::string::npos) << unknown;
}

TEST_F(SectorDriverTest, TransferEndAndReleaseUseTheDriveLeftInEbx)
{
    REGS regs = request(PrepareTransfer, kB, 0, 0);
    driver.DrvRequest(regs);
    driver.DrvEndTransfer(regs);
    driver.DrvReleaseDrive(regs);
    const std::vector<DriveRequest> expected = {
        {RequestKind::Prepare, kB}, {RequestKind::EndTransfer, kB}, {RequestKind::Release, kB}};
    EXPECT_EQ(faults.requests(), expected);
}

TEST_F(SectorDriverTest, LockStateTellsWhetherTheVolumeIsLocked)
{
    REGS regs = request(0, kA, 0, 0);
    driver.DrvGetLockState(regs);
    EXPECT_EQ(regs.EAX, 0xFFFFFFFFu);
    ASSERT_EQ(drives.lockVolume(kA, 1, 0), kStatusOk);
    regs.EBX = kA;
    driver.DrvGetLockState(regs);
    EXPECT_EQ(regs.EAX, 1u);
    regs.EBX = kB;
    driver.DrvGetLockState(regs);
    EXPECT_EQ(regs.EAX, 0xFFFFFFFFu);
}

TEST_F(SectorDriverTest, DosDateAndTimeOfTheLocalClock)
{
    REGS regs;
    driver.DrvGetDosDateTime(regs);
    EXPECT_EQ(regs.EAX, (13u << 11) | (45u << 5) | 15u) << "seconds in two-second steps";
    EXPECT_EQ(regs.EBX, (44u << 9) | (3u << 5) | 15u);

    SectorDriver early(drives, [] { return at(1975, 6, 1, 0, 0, 0); });
    early.DrvGetDosDateTime(regs);
    EXPECT_EQ(regs.EBX >> 9, 0u) << "DOS dates start in 1980";
}

// The IDs a DMF format lays on cylinder 0, in physical order.
const std::vector<std::uint8_t> kDmfCylinder0 = {6, 17, 7, 18, 8, 19, 9, 20, 10, 21, 11,
                                                 1, 12, 2, 13, 3, 14, 4, 15, 5, 16};

CylinderFormat dmfCylinder(std::uint32_t cylinder)
{
    CylinderFormat f;
    f.cylinder = cylinder;
    f.sectorIds = {kDmfCylinder0, kDmfCylinder0};
    return f;
}

TEST(FormatRequestBlock, HasTheDriversLayout)
{
    const auto block = FormatRequest::build(dmfCylinder(79));
    ASSERT_EQ(block.size(), 404u);
    EXPECT_EQ(le32(block, 0), 0u);
    EXPECT_EQ(le32(block, 4), 79u);
    EXPECT_EQ(le32(block, 8), 79u);
    EXPECT_EQ(le32(block, 12), 3u);
    EXPECT_EQ(le32(block, 16), 15u);
    EXPECT_EQ(le32(block, 20), 0u);
    EXPECT_EQ(le32(block, 24), 2u);
    EXPECT_EQ(le32(block, 28), 21u);
    EXPECT_EQ(le32(block, 32), 1u);
    EXPECT_EQ(le32(block, 36), 0u);
    for (std::size_t i = 0; i < 45; ++i) {
        const std::uint32_t id = i < 21 ? kDmfCylinder0[i] : 0;
        EXPECT_EQ(le32(block, 40 + 4 * i), id) << "head 0 word " << i;
        EXPECT_EQ(le32(block, 220 + 4 * i), id) << "head 1 word " << i;
    }
    EXPECT_EQ(le32(block, 400), 0u);

    const auto parsed = FormatRequest::parse(block);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->cylinder, 79u);
    EXPECT_EQ(parsed->sectorIds[1], kDmfCylinder0);
}

TEST(FormatRequestBlock, RefusesWhatNoTrackCanHold)
{
    CylinderFormat uneven = dmfCylinder(0);
    uneven.sectorIds[1].pop_back();
    EXPECT_THROW(FormatRequest::build(uneven), Error);
    CylinderFormat crowded = dmfCylinder(0);
    crowded.sectorIds = {std::vector<std::uint8_t>(46, 1), std::vector<std::uint8_t>(46, 1)};
    EXPECT_THROW(FormatRequest::build(crowded), Error);

    auto block = FormatRequest::build(dmfCylinder(0));
    EXPECT_FALSE(FormatRequest::parse(std::span(block).first(400))) << "short block";
    putLe32(block, 28, 46);
    EXPECT_FALSE(FormatRequest::parse(block)) << "more IDs than the block holds";
    putLe32(block, 28, 21);
    putLe32(block, 220 + 4 * 3, 0);
    EXPECT_FALSE(FormatRequest::parse(block)) << "sector ID 0";
}

TEST_F(SectorDriverTest, TrackDriverFormatsTheDriveTheCallerNames)
{
    drives.insert(kA, images.formatted("a.img", "1.44M"));
    const auto file = images.blank("b.img", "1.44M");
    drives.setDeviceType(kB, 7);
    drives.insert(kB, file);
    TrackDriver trackDriver(drives);
    std::array<std::uint8_t, FormatRequest::kReplySize> reply{};
    reply.fill(0xEE);

    const auto block = FormatRequest::build(dmfCylinder(0));
    ASSERT_EQ(trackDriver.DrvFormatCylinder(kB, block, reply), kStatusOk);
    EXPECT_EQ(le32(reply, 0), 0u);
    EXPECT_EQ(drives.sectorIds(kB, 0, 1), kDmfCylinder0);
    EXPECT_FALSE(drives.sectorIds(kA, 0, 0));
    EXPECT_EQ(std::filesystem::file_size(file), 1720320u) << "now a 21-sector diskette";

    std::array<std::uint8_t, FormatRequest::kSize> garbage{};
    EXPECT_EQ(trackDriver.DrvFormatCylinder(kB, garbage, reply), kStatusInvalid);
    EXPECT_EQ(le32(reply, 0), std::uint32_t{kStatusInvalid});
}

} // namespace
} // namespace vellum
