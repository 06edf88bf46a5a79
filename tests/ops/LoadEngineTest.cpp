#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "core/MediaTable.h"
#include "drive/DriveStatus.h"
#include "core/StandardFormats.h"
#include "drive/VirtualMedium.h"
#include "ops/FatExtent.h"
#include "ops/LoadEngine.h"
#include "tests/ops/EngineWorld.h"
#include "tests/support/MtoolsImage.h"

namespace vellum {
namespace {

using test::EngineWorld;
using test::kA;
using test::kB;
using test::Layout;
using test::MtoolsImage;
using K = test::RequestKind;
using test::DriveRequest;

const std::string kFatsDiffer = "File Allocation Tables do not match.\nDiskette may be corrupted!";

// ---- The FAT check and extent, row by row ----

MediaEntry rowOf(std::uint32_t mediaCode, int sectorsPerTrack = 0, int sectorsPerFat = 0)
{
    DriveGeometry g;
    g.MediaCode = mediaCode;
    g.sectorsPerTrack = static_cast<std::uint32_t>(sectorsPerTrack);
    g.sectorsPerFat = static_cast<std::uint16_t>(sectorsPerFat);
    g.setDmfFlags();
    const auto row = findMedia(g);
    EXPECT_TRUE(row.has_value()) << std::hex << mediaCode;
    return row.value_or(MediaEntry{});
}

// A FAT 1 with its reserved entries and cluster n marked as the end of a chain.
std::vector<std::uint8_t> fatUsing(const MediaEntry& row, std::uint32_t n = 0)
{
    std::vector<std::uint8_t> fat(static_cast<std::size_t>(row.fatSectors / 2) * 512);
    fat[0] = 0xF0;
    fat[1] = fat[2] = 0xFF;
    if (n != 0) {
        const std::size_t at = n * 3 / 2;
        fat[at] |= n % 2 == 0 ? 0xFF : 0xF0;
        fat[at + 1] |= n % 2 == 0 ? 0x0F : 0xFF;
    }
    return fat;
}

struct ExtentCase {
    const char* name;
    std::uint32_t mediaCode;
    int sectorsPerTrack;
    int sectorsPerFat;
    std::uint32_t cluster; // the last one in use
    int cylinders;         // the cylinder holding it, counted from 1
};

const ExtentCase kExtentCases[] = {
    {"360K in a 360K drive", 0x0FD, 9, 2, 100, 12},
    {"360K in a 1.2M drive", 0x1FD, 9, 2, 100, 12},
    {"1.2M with descriptor F0", 0x1F0, 15, 7, 1000, 35},
    {"1.2M", 0x1F9, 15, 7, 1000, 35},
    {"720K in a 720K drive", 0x2F9, 9, 3, 300, 35},
    {"720K in a 1.44M drive", 0x7F9, 9, 3, 300, 35},
    {"1.44M, early cluster", 0x7F0, 18, 9, 100, 4},
    {"1.44M, late cluster", 0x7F0, 18, 9, 2000, 57},
    {"DMF", 0x7F0, 21, 3, 400, 39},
    {"21 sectors with 9-sector FATs", 0x7F0, 21, 9, 100, 4},
    {"2.88M", 0x9F0, 36, 9, 1500, 43},
};

TEST(FatExtent, ReadsUpToTheLastUsedClusterOnEveryRow)
{
    for (const ExtentCase& c : kExtentCases) {
        const MediaEntry row = rowOf(c.mediaCode, c.sectorsPerTrack, c.sectorsPerFat);
        const auto fat = fatUsing(row, c.cluster);
        EXPECT_EQ(FatExtent::cylinders(row, fat, static_cast<std::uint32_t>(c.sectorsPerTrack), false), c.cylinders)
            << c.name;
    }
}

TEST(FatExtent, EmptyDiskettesReadOneCylinderAndEntireOnesTheRowMaximum)
{
    for (const ExtentCase& c : kExtentCases) {
        const MediaEntry row = rowOf(c.mediaCode, c.sectorsPerTrack, c.sectorsPerFat);
        const auto empty = fatUsing(row);
        const auto spt = static_cast<std::uint32_t>(c.sectorsPerTrack);
        EXPECT_EQ(FatExtent::cylinders(row, empty, spt, false), 1) << c.name;
        const int maximum = c.mediaCode == 0x0FD || c.mediaCode == 0x1FD ? 40 : 80;
        EXPECT_EQ(FatExtent::cylinders(row, empty, spt, true), maximum) << c.name;
    }
}

TEST(FatExtent, FullDiskettesStopAtTheRowMaximum)
{
    // The last cluster of each format: a DMF diskette computes 81 cylinders and is held to 80.
    const std::vector<std::tuple<std::uint32_t, int, int, std::uint32_t, int>> full = {
        {0x1FD, 9, 2, 355, 40}, {0x1F9, 15, 7, 2372, 80}, {0x7F9, 9, 3, 714, 80},
        {0x7F0, 18, 9, 2848, 80}, {0x7F0, 21, 3, 839, 80}, {0x9F0, 36, 9, 2864, 80},
    };
    for (const auto& [code, spt, spf, last, cylinders] : full) {
        const MediaEntry row = rowOf(code, spt, spf);
        EXPECT_EQ(FatExtent::cylinders(row, fatUsing(row, last), static_cast<std::uint32_t>(spt), false), cylinders)
            << std::hex << code << " spt " << std::dec << spt;
    }
}

TEST(FatExtent, OnlyTheLowTwelveBitsCountAtTheScanStart)
{
    const MediaEntry row = rowOf(0x7F0, 18, 9);
    auto fat = fatUsing(row);
    // The high nibble of the byte after the start belongs to no cluster of the volume.
    fat[static_cast<std::size_t>(row.lastFatEntryOffset) + 1] = 0xF0;
    EXPECT_EQ(FatExtent::lastUsedOffset(row, fat), 0u);
    EXPECT_EQ(FatExtent::cylinders(row, fat, 18, false), 1);
    // Below the start whole words count.
    fat[101] = 0x10;
    EXPECT_EQ(FatExtent::lastUsedOffset(row, fat), 101u);
}

TEST(FatExtent, CopiesAgreeOnlyWhenEveryByteDoes)
{
    const MediaEntry row = rowOf(0x7F0, 18, 9);
    std::vector<std::uint8_t> fats = fatUsing(row, 77);
    const std::vector<std::uint8_t> copy = fats;
    fats.insert(fats.end(), copy.begin(), copy.end());
    EXPECT_TRUE(FatExtent::fatsAgree(row, fats, 512));
    fats.back() ^= 1;
    EXPECT_FALSE(FatExtent::fatsAgree(row, fats, 512));
    EXPECT_FALSE(FatExtent::fatsAgree(row, std::span(copy), 512)) << "a buffer holding one FAT";
}

// ---- The load engine on virtual drives ----

struct Diskette {
    const char* name;
    std::string mformat;
    int drive;
    int deviceType;
};

const Diskette k360{"360K", "-f 360", kB, 1};
const Diskette k720{"720K", "-f 720", kA, 7};
const Diskette k12{"1.2M", "-f 1200", kB, 1};
const Diskette k144{"1.44M", "-f 1440", kA, 7};
const Diskette kDmf{"DMF", "-t 80 -h 2 -s 21 -c 4 -r 1", kA, 7};
const Diskette k288{"2.88M", "-f 2880", kA, 9};
const Diskette kEveryFormat[] = {k360, k720, k12, k144, kDmf, k288};

class LoadEngineTest : public ::testing::Test {
protected:
    // Puts the diskette in its drive.
    void insert(const Diskette& d, const MtoolsImage& image)
    {
        world.drives.setDeviceType(d.drive, d.deviceType);
        world.drives.insert(d.drive, image.path());
    }
    void load(int drive, bool entire = false) { LoadEngine(world.context()).run(drive, entire); }
    void loadWithoutDriver(int drive) { LoadEngine(world.context(false)).run(drive, false); }

    // The image holds exactly the medium's first TracksLoaded tracks.
    void expectImageMatches(const std::filesystem::path& medium, const char* name)
    {
        const auto bytes = test::readFile(medium);
        const std::size_t loaded = world.doc.loadedBytes();
        ASSERT_LE(loaded, bytes.size()) << name;
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(loaded),
                               world.doc.image().begin()))
            << name;
    }

    EngineWorld world;
};

TEST_F(LoadEngineTest, EmptyDisketteOfEveryFormatLoadsOneCylinder)
{
    for (const Diskette& d : kEveryFormat) {
        MtoolsImage image(MtoolsImage::Maker::Mformat, d.mformat);
        insert(d, image);
        load(d.drive);
        EXPECT_EQ(world.doc.OperationState, kSuccessful) << d.name;
        EXPECT_EQ(world.doc.TracksLoaded, 2) << d.name;
        expectImageMatches(image.path(), d.name);
    }
}

TEST_F(LoadEngineTest, FullDisketteOfEveryFormatLoadsAllItsCylinders)
{
    for (const Diskette& d : kEveryFormat) {
        MtoolsImage image(MtoolsImage::Maker::Mformat, d.mformat);
        const Layout layout = Layout::of(test::readFile(image.path()));
        image.addFile("/ALL.BIN", std::vector<std::uint8_t>(std::size_t{layout.clusters} * layout.clusterBytes(), 0x5A));
        insert(d, image);
        const std::string name = d.name;
        int expected = name == "360K" ? 80 : 160;
        if (name == "2.88M") {
            // 36-sector tracks of 18,432 bytes: 93 fit in the store, not 160.
            expected = 93;
            world.prompter.expect("The diskette has 160 tracks in use, but the 1,725,000-byte image store holds "
                                  "only 93 tracks of 18,432 bytes. Only the first 93 tracks are loaded.",
                                  Buttons::Ok, Icon::Information, Answer::Ok);
        }
        load(d.drive);
        EXPECT_EQ(world.doc.OperationState, kSuccessful) << d.name;
        EXPECT_EQ(world.doc.TracksLoaded, expected) << d.name;
        expectImageMatches(image.path(), d.name);
        ASSERT_TRUE(world.prompter.done()) << d.name;
    }
}

TEST_F(LoadEngineTest, FragmentedDisketteLoadsThroughItsLastUsedCluster)
{
    for (const Diskette& d : kEveryFormat) {
        MtoolsImage image(MtoolsImage::Maker::Mformat, d.mformat);
        const Layout layout = Layout::of(test::readFile(image.path()));
        image.addFile("/FIRST.BIN", std::vector<std::uint8_t>(5 * layout.clusterBytes(), 1));
        image.addFile("/GAP.BIN", std::vector<std::uint8_t>(layout.clusters / 3 * layout.clusterBytes(), 2));
        image.addFile("/LAST.BIN", std::vector<std::uint8_t>(3 * layout.clusterBytes(), 3));
        image.remove("/GAP.BIN");
        insert(d, image);
        load(d.drive);
        const auto bytes = test::readFile(image.path());
        const int needed = layout.cylindersThrough(test::lastUsedCluster(bytes));
        ASSERT_LT(needed, 40) << d.name << ": the diskette should not be nearly full";
        EXPECT_GE(world.doc.TracksLoaded, 2 * needed) << d.name;
        EXPECT_LE(world.doc.TracksLoaded, 2 * needed + 2) << d.name;
        expectImageMatches(image.path(), d.name);
        const bool listed = std::any_of(world.doc.directory.listing.begin(), world.doc.directory.listing.end(),
                                        [](const ListingRecord& r) { return r.longName == "LAST.BIN" || r.shortName.starts_with("LAST"); });
        EXPECT_TRUE(listed) << d.name;
    }
}

TEST_F(LoadEngineTest, LoadEntireDisketteReadsAnEmpty720KDisketteWhole)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, k720.mformat);
    insert(k720, image);
    load(kA, true);
    EXPECT_EQ(world.doc.TracksLoaded, 160);
    expectImageMatches(image.path(), "720K");
}

TEST_F(LoadEngineTest, ASuccessfulLoadMakesItsRequestsInOrderAndReportsEverywhere)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
    image.label("HOLIDAYS");
    image.addFile("/NOTES.TXT", "a note");
    insert(k144, image);
    world.doc.ImageEmpty = 1;
    load(kA);

    const std::vector<K> expected = {
        K::Reset, K::CheckMedia, K::Parameters, K::Parameters, K::LockLevel, K::Lock, K::Prepare,
        K::Read /* FATs */, K::Read, K::Read /* cylinder 0 */, K::EndTransfer, K::Unlock, K::LockLevel,
        K::Read, K::Read /* sector 0 of A:, twice */,
    };
    EXPECT_EQ(world.kindsFrom(), expected);
    const auto reads = world.requestsOf(K::Read);
    ASSERT_EQ(reads.size(), 5u);
    EXPECT_EQ(reads[0], (DriveRequest{K::Read, kA, 1, 18}));
    EXPECT_EQ(reads[1], (DriveRequest{K::Read, kA, 0, 18}));
    EXPECT_EQ(reads[2], (DriveRequest{K::Read, kA, 18, 18}));

    EXPECT_EQ(world.doc.OperationState, kSuccessful);
    EXPECT_EQ(world.doc.ImageEmpty, 0);
    EXPECT_EQ(world.doc.LoadedFromFile, 0);
    EXPECT_EQ(world.doc.MediaSizeKind, kMedia35Inch);
    EXPECT_EQ(world.doc.geometry.MediaCode, 0x7F0u);
    EXPECT_EQ(world.view.messages, std::vector<ViewMessage>{ViewMessage::FillList});
    EXPECT_EQ(world.panel.operationLine(), "  Last Operation:   Load Diskette");
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Successful");
    EXPECT_EQ(world.panel.volumeLine(), "  Volume Label:    HOLIDAYS   ");
    EXPECT_EQ(world.panel.memoryLine(), "  Memory Status:    1.44Mb      ");
    EXPECT_EQ(world.progress.caption(), "Loading Diskette Image");
    EXPECT_EQ(world.progress.statusLines().back(), "On Data Cylinder:  1 of 1 ( 100% )");
    EXPECT_FALSE(world.progress.isOpen());
    ASSERT_EQ(world.doc.directory.listing.size(), 1u);
}

TEST_F(LoadEngineTest, DifferingFatsAreRefusedBeforeAnyTrackIsRead)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
    auto bytes = test::readFile(image.path());
    bytes[(1 + 9) * 512 + 40] ^= 0x01; // one byte of FAT 2
    test::writeFile(image.path(), bytes);
    insert(k144, image);
    world.doc.TracksLoaded = 12;
    world.prompter.expect(kFatsDiffer, Buttons::Ok, Icon::Stop, Answer::Ok);
    load(kA);

    const auto reads = world.requestsOf(K::Read);
    ASSERT_EQ(reads.size(), 3u) << "the FAT read and the two reads of A:'s sector 0";
    EXPECT_EQ(reads[0].first, 1u);
    const std::vector<K> tail = {K::Read, K::EndTransfer, K::Unlock, K::LockLevel};
    const auto kinds = world.kindsFrom();
    EXPECT_TRUE(std::search(kinds.begin(), kinds.end(), tail.begin(), tail.end()) != kinds.end());
    EXPECT_EQ(world.doc.OperationState, kUnsuccessful);
    EXPECT_EQ(world.doc.TracksLoaded, 12);
    EXPECT_EQ(world.view.messages, std::vector<ViewMessage>{ViewMessage::Initialize});
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Unsuccessful");
}

TEST_F(LoadEngineTest, UnformattedDisketteIsAFailingMediaCheckThatCancelEnds)
{
    VirtualMedium::createBlank(world.dir / "blank.img", *formatNamed("1.44M"));
    world.drives.insert(kA, world.dir / "blank.img");
    world.doc.OperationState = kSuccessful;
    world.prompter.expect("Unformatted media", Buttons::RetryCancel, Icon::Exclamation, Answer::Retry)
        .expect("Unformatted media", Buttons::RetryCancel, Icon::Exclamation, Answer::Cancel);
    load(kA);
    EXPECT_EQ(world.kindsFrom(), (std::vector<K>{K::Reset, K::CheckMedia, K::CheckMedia}));
    EXPECT_EQ(world.doc.OperationState, kUnsuccessful);
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Unsuccessful");
    EXPECT_TRUE(world.view.messages.empty());
    EXPECT_FALSE(world.progress.windowShown());
}

class LoadedDiskette : public LoadEngineTest {
protected:
    void SetUp() override
    {
        image.addFile("/README.TXT", "read me");
        insert(k144, image);
    }
    MtoolsImage image{MtoolsImage::Maker::Mformat, "-f 1440"};
};

TEST_F(LoadedDiskette, MediaCheckRetryAsksAgainAndThenLoads)
{
    world.faults.failRequest(K::CheckMedia, 1, kStatusMediaChanged);
    world.prompter.expect("Media may have changed", Buttons::RetryCancel, Icon::Exclamation, Answer::Retry);
    load(kA);
    EXPECT_EQ(world.requestsOf(K::CheckMedia).size(), 2u);
    EXPECT_EQ(world.doc.OperationState, kSuccessful);
}

TEST_F(LoadedDiskette, TrackReadRetryRepeatsTheSameTrack)
{
    world.faults.failRequest(K::Read, 2, kStatusMediaFailure); // the first track, after the FATs
    world.prompter.expect("Media failure", Buttons::RetryCancel, Icon::Exclamation, Answer::Retry);
    load(kA);
    const auto reads = world.requestsOf(K::Read);
    ASSERT_GE(reads.size(), 3u);
    EXPECT_EQ(reads[1], reads[2]);
    EXPECT_EQ(world.doc.OperationState, kSuccessful);
    expectImageMatches(image.path(), "1.44M");
}

TEST_F(LoadedDiskette, CancelAtATrackReadErrorEmptiesTheView)
{
    world.faults.failRequest(K::Read, 3, kStatusMediaFailure); // the second track
    world.prompter.expect("Media failure", Buttons::RetryCancel, Icon::Exclamation, Answer::Cancel);
    load(kA);
    EXPECT_EQ(world.doc.OperationState, kUnsuccessful);
    EXPECT_EQ(world.doc.TracksLoaded, 1) << "only the first track reached the image";
    EXPECT_EQ(world.view.messages, std::vector<ViewMessage>{ViewMessage::Initialize});
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Unsuccessful");
    EXPECT_EQ(world.requestsOf(K::EndTransfer).size(), 1u);
    EXPECT_EQ(world.requestsOf(K::Unlock).size(), 1u);
}

TEST_F(LoadedDiskette, AFailedFatReadIsRetriedNotJudged)
{
    world.faults.failRequest(K::Read, 1, kStatusMediaFailure);
    world.prompter.expect("Media failure", Buttons::RetryCancel, Icon::Exclamation, Answer::Cancel);
    load(kA);
    EXPECT_EQ(world.requestsOf(K::Read).size(), 3u) << "the FAT read and the two reads of A:'s sector 0";
    EXPECT_EQ(world.doc.OperationState, kUnsuccessful);
    EXPECT_EQ(world.view.messages, std::vector<ViewMessage>{ViewMessage::Initialize});
}

TEST_F(LoadedDiskette, ConfirmedCancelKeepsTheTracksReadSoFar)
{
    // Pumps per cylinder: ShowCylinder, StepMain, then one CheckCancel per track.
    world.progress.pressCancelAtPump(3);
    world.prompter.expect("Are you sure?", Buttons::YesNo, Icon::Question, Answer::Yes);
    world.doc.ImageEmpty = 1;
    load(kA, true);
    EXPECT_EQ(world.doc.OperationState, kCancelled);
    EXPECT_EQ(world.doc.TracksLoaded, 1);
    EXPECT_EQ(world.doc.ImageEmpty, 0);
    expectImageMatches(image.path(), "1.44M");
    EXPECT_EQ(world.view.messages, std::vector<ViewMessage>{ViewMessage::FillList});
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Cancelled by Operator");
    EXPECT_EQ(world.requestsOf(K::EndTransfer).size(), 1u);
}

TEST_F(LoadedDiskette, CancelAnsweredNoGoesOn)
{
    world.progress.pressCancelAtPump(3);
    world.prompter.expect("Are you sure?", Buttons::YesNo, Icon::Question, Answer::No);
    load(kA, true);
    EXPECT_EQ(world.doc.OperationState, kSuccessful);
    EXPECT_EQ(world.doc.TracksLoaded, 160);
}

TEST_F(LoadedDiskette, UnsupportedMediaCodeLeavesStateAndImageAlone)
{
    world.drives.setDeviceType(kA, 9); // a 720K diskette in a 2.88M drive: 0x9F9
    const MtoolsImage other(MtoolsImage::Maker::Mformat, "-f 720");
    world.drives.insert(kA, other.path());
    world.doc.OperationState = kCancelled;
    world.doc.TracksLoaded = 7;
    world.doc.setGeometry(formatNamed("1.68M")->geometry());
    world.prompter.expect("Unsupported Media Type!", Buttons::Ok, Icon::None, Answer::Ok);
    load(kA);
    EXPECT_EQ(world.doc.OperationState, kCancelled);
    EXPECT_EQ(world.doc.TracksLoaded, 7);
    EXPECT_TRUE(world.doc.geometry.DmfLargeClusters) << "memory keeps its diskette's geometry";
    EXPECT_EQ(world.doc.MediaSizeKind, kMediaNone);
    EXPECT_TRUE(world.requestsOf(K::Read).empty());
    EXPECT_TRUE(world.view.messages.empty());
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    N/A");
}

TEST_F(LoadedDiskette, WithoutTheSectorDriverNothingIsRead)
{
    world.prompter.expect("TRAKDSK.VXD is not loaded!", Buttons::Ok, Icon::Information, Answer::Ok);
    loadWithoutDriver(kA);
    EXPECT_EQ(world.doc.OperationState, kUnsuccessful);
    EXPECT_TRUE(world.requestsOf(K::Prepare).empty());
    EXPECT_EQ(world.view.messages, std::vector<ViewMessage>{ViewMessage::Initialize});
}

TEST_F(LoadedDiskette, RefreshRereadsOnlyTheSystemArea)
{
    load(kA);
    image.addFile("/LATER.TXT", "added after the load");
    const std::size_t before = world.faults.requests().size();
    world.view.messages.clear();
    LoadEngine(world.context()).Refresh(false);
    EXPECT_EQ(world.kindsFrom(before), (std::vector<K>{K::CheckMedia, K::Prepare, K::Read, K::Read, K::EndTransfer}));
    EXPECT_EQ(world.faults.requests()[before + 3], (DriveRequest{K::Read, kA, 0, 33}));
    EXPECT_EQ(world.doc.directory.listing.size(), 2u);
    EXPECT_EQ(world.view.messages, std::vector<ViewMessage>{ViewMessage::FillList});
}

TEST_F(LoadedDiskette, RefreshWhoseReadFailsKeepsTheImage)
{
    load(kA);
    image.addFile("/LATER.TXT", "added after the load");
    const std::vector<std::uint8_t> before(world.doc.image().begin(), world.doc.image().begin() + 33 * 512);
    world.faults.failRequest(K::Read, static_cast<int>(world.requestsOf(K::Read).size()) + 2, kStatusMediaFailure);
    world.prompter.expect("Media failure", Buttons::RetryCancel, Icon::Exclamation, Answer::Cancel);
    LoadEngine(world.context()).Refresh(false);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), world.doc.image().begin()));
    EXPECT_EQ(world.doc.directory.listing.size(), 1u);
}

} // namespace
} // namespace vellum
