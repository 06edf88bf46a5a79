#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "core/RawImageFile.h"
#include "drive/DriveStatus.h"
#include "ops/CompareEngine.h"
#include "ops/MismatchDialog.h"
#include "ops/MismatchPrintout.h"
#include "ops/MismatchReport.h"
#include "tests/drive/DiskImages.h"
#include "tests/ops/EngineWorld.h"

namespace vellum {
namespace {

using K = test::RequestKind;
using test::kA;

constexpr std::size_t kTrack144 = 18 * 512;
const std::string kEndOfTrack = "You have reached the end of the track.\nDo you wish to continue to the next track?";

// What the dialog was shown, and the answers it gives in turn.
struct Shown {
    std::string area, track, sector, offset, bytesPerSector, sectorsPerTrack, tracksPerDisk;
    std::size_t hexLine, asciiLine;
    std::vector<std::uint8_t> disketteSector, memorySector;
};

class ScriptedMismatchDialog : public MismatchDialog {
public:
    // Resume with the mode, or 0 for Cancel.
    void answer(int mode) { answers_.push_back(mode); }
    bool run(MismatchReport& r) override
    {
        const auto d = r.disketteSector(), m = r.memorySector();
        shown.push_back({r.area, r.track, r.sector, r.offset, r.bytesPerSector, r.sectorsPerTrack, r.tracksPerDisk,
                         r.selectedHexLine(), r.selectedAsciiLine(), {d.begin(), d.end()}, {m.begin(), m.end()}});
        EXPECT_EQ(r.resumeMode, kResumeNextTrack) << "the dialog opens with Next Track";
        if (answers_.empty()) {
            ADD_FAILURE() << "unexpected mismatch at track " << r.track << " sector " << r.sector;
            return false;
        }
        const int mode = answers_.front();
        answers_.pop_front();
        r.resumeMode = mode;
        return mode != 0;
    }
    std::vector<Shown> shown;

private:
    std::deque<int> answers_;
};

class CompareEngineTest : public ::testing::Test {
protected:
    void SetUp() override { useImage(disks.formatted("image.img", "1.44M")); }

    // The image in memory, and a diskette in A: holding the same bytes.
    void useImage(const std::filesystem::path& image)
    {
        const auto bytes = test::readFile(image);
        std::copy(bytes.begin(), bytes.end(), world.doc.image().begin());
        const auto g = RawImageFile::recognise(bytes, bytes.size());
        ASSERT_TRUE(g);
        world.doc.setGeometry(*g);
        world.doc.TracksLoaded = static_cast<int>(g->totalSectors / g->sectorsPerTrack);
        target = disks / "target.img";
        test::writeFile(target, bytes);
        world.drives.insert(kA, target);
    }
    // Changes the diskette's byte at `offset` from the start.
    void change(std::size_t offset, std::uint8_t value = 0x5A)
    {
        auto bytes = test::readFile(target);
        bytes[offset] = value;
        test::writeFile(target, bytes);
    }
    void compare() { CompareEngine(world.context(), dialog).RunCompare(kA); }
    std::vector<std::uint32_t> readSectors() const
    {
        std::vector<std::uint32_t> out;
        for (const auto& r : world.requestsOf(K::Read))
            out.push_back(r.first);
        return out;
    }

    test::EngineWorld world;
    test::DiskImages disks;
    ScriptedMismatchDialog dialog;
    std::filesystem::path target;
};

TEST_F(CompareEngineTest, EqualDisketteIsSuccessfulAndOnlyLoadedTracksAreRead)
{
    world.doc.TracksLoaded = 6;
    change(6 * kTrack144 + 3); // beyond what memory holds
    compare();
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_EQ(world.doc.OperationState, kSuccessful);
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Successful");
    EXPECT_EQ(readSectors(), (std::vector<std::uint32_t>{0, 0, 18, 36, 54, 72, 90}));
    EXPECT_EQ(world.progress.caption(), "Comparing Diskette");
    EXPECT_EQ(world.requestsOf(K::Unlock).size(), 1u);
    EXPECT_EQ(world.requestsOf(K::Release).size(), 1u);
    EXPECT_FALSE(world.progress.isOpen());
}

TEST_F(CompareEngineTest, NextSectorWalksTheDifferencesOfATrackWithoutRereadingIt)
{
    change(0x1FF);       // last byte of the boot sector
    change(0x200);       // first byte of FAT 1
    change(0x200 + 40);  // same sector again: skipped by Next Sector
    change(3 * 512 + 7); // sector 4
    change(5 * kTrack144 + 2 * 512 + 100); // track 6, sector 3
    for (int i = 0; i < 4; ++i)
        dialog.answer(kResumeNextSector);
    compare();

    ASSERT_EQ(dialog.shown.size(), 4u);
    const auto& boot = dialog.shown[0];
    EXPECT_EQ(std::vector<std::string>({boot.area, boot.track, boot.sector, boot.offset}),
              (std::vector<std::string>{"Boot Sector", "1", "1", "511"}));
    EXPECT_EQ(boot.hexLine, 63u);
    EXPECT_EQ(boot.asciiLine, 31u);
    EXPECT_EQ(std::vector<std::string>({boot.bytesPerSector, boot.sectorsPerTrack, boot.tracksPerDisk}),
              (std::vector<std::string>{"512", "18", "160"}));
    const auto& fat = dialog.shown[1];
    EXPECT_EQ(std::vector<std::string>({fat.area, fat.track, fat.sector, fat.offset}),
              (std::vector<std::string>{"FAT 1", "1", "2", "0"}));
    EXPECT_EQ(fat.hexLine, 0u);
    EXPECT_EQ(fat.asciiLine, 0u);
    EXPECT_EQ(fat.disketteSector[0], 0x5A);
    EXPECT_EQ(fat.memorySector[0], test::patternByte(1, 0));
    EXPECT_EQ(std::vector<std::string>({dialog.shown[2].sector, dialog.shown[2].offset}),
              (std::vector<std::string>{"4", "7"}));
    const auto& later = dialog.shown[3];
    EXPECT_EQ(std::vector<std::string>({later.area, later.track, later.sector, later.offset}),
              (std::vector<std::string>{"Data Area", "6", "3", "100"}));
    // One read per track, plus the first read of track 0.
    EXPECT_EQ(readSectors().size(), 161u);
    EXPECT_EQ(world.doc.OperationState, kSuccessful) << "differences resumed past leave it successful";
    // The document keeps the last two sectors shown.
    EXPECT_EQ(world.doc.mismatch[0][100], 0x5A);
    EXPECT_EQ(world.doc.mismatch[1][100], test::patternByte(5 * 18 + 2, 100));
}

TEST_F(CompareEngineTest, NextTrackSkipsTheRestOfTheTrack)
{
    change(100);
    change(5 * 512);
    change(kTrack144 + 9);
    dialog.answer(kResumeNextTrack);
    dialog.answer(kResumeNextTrack);
    compare();
    ASSERT_EQ(dialog.shown.size(), 2u);
    EXPECT_EQ(dialog.shown[1].track, "2");
    EXPECT_EQ(dialog.shown[1].offset, "9");
    EXPECT_EQ(world.doc.OperationState, kSuccessful);
}

TEST_F(CompareEngineTest, NextSectorFromTheLastSectorAsksAboutTheNextTrack)
{
    change(17 * 512 + 1);
    change(kTrack144 + 17 * 512 + 1);
    change(2 * kTrack144);
    dialog.answer(kResumeNextSector);
    world.prompter.expect(kEndOfTrack, Buttons::YesNo, Icon::Question, Answer::Yes);
    dialog.answer(kResumeNextSector);
    world.prompter.expect(kEndOfTrack, Buttons::YesNo, Icon::Question, Answer::No);
    compare();
    ASSERT_EQ(dialog.shown.size(), 2u);
    EXPECT_EQ(dialog.shown[0].sector, "18");
    EXPECT_EQ(dialog.shown[1].track, "2");
    EXPECT_EQ(world.doc.OperationState, kUnsuccessful);
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Unsuccessful");
    EXPECT_EQ(readSectors().size(), 3u) << "no track after the No";
    EXPECT_EQ(world.requestsOf(K::Release).size(), 1u);
}

TEST_F(CompareEngineTest, CancelInTheDialogStopsUnsuccessful)
{
    change(kTrack144 * 3);
    dialog.answer(0);
    compare();
    EXPECT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(readSectors().size(), 5u);
    EXPECT_EQ(world.doc.OperationState, kUnsuccessful);
}

TEST_F(CompareEngineTest, DriverFailuresAskRetryOrCancel)
{
    const std::string media = CVLMDoc::statusText(kStatusMediaFailure);
    world.faults.failRequest(K::Read, 3, kStatusMediaFailure);
    world.faults.failRequest(K::Read, 4, kStatusMediaFailure);
    world.prompter.expect(media, Buttons::RetryCancel, Icon::Exclamation, Answer::Retry);
    world.prompter.expect(media, Buttons::RetryCancel, Icon::Exclamation, Answer::Cancel);
    compare();
    EXPECT_EQ(readSectors(), (std::vector<std::uint32_t>{0, 0, 18, 18}));
    EXPECT_EQ(world.doc.OperationState, kUnsuccessful);
    EXPECT_EQ(world.requestsOf(K::Release).size(), 1u);

    const std::string notReady = CVLMDoc::statusText(kStatusNotReady);
    const std::size_t readsBefore = readSectors().size();
    world.faults.failRequest(K::CheckMedia, 2, kStatusNotReady);
    world.prompter.expect(notReady, Buttons::RetryCancel, Icon::Exclamation, Answer::Cancel);
    world.doc.OperationState = kSuccessful;
    compare();
    EXPECT_EQ(readSectors().size(), readsBefore);
    EXPECT_EQ(world.doc.OperationState, kUnsuccessful);
}

TEST_F(CompareEngineTest, ConfirmedCancelStopsAsCancelled)
{
    world.progress.pressCancelAtPump(5);
    world.prompter.expect("Are you sure?", Buttons::YesNo, Icon::Question, Answer::Yes);
    compare();
    EXPECT_EQ(world.doc.OperationState, kCancelled);
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Cancelled by Operator");
    EXPECT_LT(readSectors().size(), 10u);
}

TEST_F(CompareEngineTest, TargetOfAnotherFormatIsComparedInItsOwnGeometry)
{
    test::writeFile(target, test::readFile(disks.formatted("small.img", "720K")));
    world.doc.TracksLoaded = 4;
    dialog.answer(kResumeNextTrack);
    compare();
    ASSERT_FALSE(dialog.shown.empty());
    EXPECT_EQ(dialog.shown[0].sectorsPerTrack, "9");
    EXPECT_EQ(dialog.shown[0].tracksPerDisk, "80");
    EXPECT_EQ(world.doc.geometry.MediaCode, 0x7F9u);
    EXPECT_EQ(world.doc.geometry.sectorsPerTrack, 9u);
    EXPECT_EQ(world.panel.memoryLine(), "  Memory Status:    720Kb       ");
    EXPECT_EQ(readSectors(), (std::vector<std::uint32_t>{0, 0, 9, 18, 27}));
}

TEST_F(CompareEngineTest, UnsupportedMediaCodeEndsWithoutTouchingThePanel)
{
    world.drives.setDeviceType(kA, 9); // 2.88 MB drive holding a 720 KB diskette: 0x9F9
    world.drives.insert(kA, disks.formatted("dd.img", "720K"));
    const std::string before = world.panel.statusLine();
    world.prompter.expect("Unsupported Media Type!", Buttons::Ok, Icon::None, Answer::Ok);
    compare();
    EXPECT_EQ(world.panel.statusLine(), before);
    EXPECT_TRUE(world.requestsOf(K::Read).empty());
}

TEST_F(CompareEngineTest, WithoutTheSectorDriverTheRunIsUnsuccessful)
{
    world.prompter.expect("TRAKDSK.VXD is not loaded!", Buttons::Ok, Icon::Information, Answer::Ok);
    CompareEngine(world.context(false), dialog).RunCompare(kA);
    EXPECT_EQ(world.doc.OperationState, kUnsuccessful);
    EXPECT_TRUE(world.requestsOf(K::Read).empty());
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Unsuccessful");
}

TEST_F(CompareEngineTest, ReportFileOfAKnownDifferenceMatchesTheExpectedFile)
{
    change(512 + 5);
    class SavingDialog : public MismatchDialog {
    public:
        explicit SavingDialog(std::filesystem::path to) : to_(std::move(to)) {}
        bool run(MismatchReport& r) override
        {
            MismatchPrintout::writeReport(to_, r.header(), r.disketteSector(), r.memorySector());
            return true;
        }

    private:
        std::filesystem::path to_;
    } saving(disks / "report.txt");
    CompareEngine(world.context(), saving).RunCompare(kA);
    EXPECT_EQ(test::readFile(disks / "report.txt"),
              test::readFile(std::filesystem::path(VELLUM_TEST_DATA) / "mismatch_report.txt"));
}

} // namespace
} // namespace vellum
