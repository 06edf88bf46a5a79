#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive/DriveStatus.h"
#include "core/StandardFormats.h"
#include "drive/VirtualMedium.h"
#include "ops/CopyEngine.h"
#include "ops/CylinderFormatter.h"
#include "tests/drive/DiskImages.h"
#include "tests/ops/EngineWorld.h"
#include "tests/support/MtoolsImage.h"

namespace vellum {
namespace {

using test::kA;
using test::MtoolsImage;
using K = test::RequestKind;
using test::DriveRequest;

const std::string kUnformatted = "Media is unformatted - do you wish to format?";
const std::string kOtherSize = "Target Diskette must be the same size as source diskette!";
constexpr std::size_t kTrack144 = 18 * 512;

// Formats through the drive layer and counts how often it was asked.
class CountingFormatter : public DisketteFormatter {
public:
    CountingFormatter(CVLMDoc& doc, DriveBackend& drives, Prompter& prompter)
        : doc_(doc), real_(doc, drives, prompter) {}
    bool formatDiskette(int drive) override
    {
        ++calls;
        if (!succeeds)
            doc_.OperationState = stateOnFailure;
        return succeeds && real_.formatDiskette(drive);
    }
    int calls = 0;
    bool succeeds = true;
    std::int8_t stateOnFailure = kCancelled; // as a cancelled DMF format leaves it

private:
    CVLMDoc& doc_;
    CylinderFormatter real_;
};

class CopyEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        source.label("SOURCE");
        source.addFile("/DATA.BIN", std::vector<std::uint8_t>(40'000, 0xA5));
        source.loadInto(world.doc);
        world.doc.setVolumeLabel("SOURCE");
        world.doc.TracksLoaded = 6;
        target = disks.formatted("target.img", "1.44M");
        world.drives.insert(kA, target);
    }

    void copy(int copies = 1) { CopyEngine(world.context(), formatter).RunCopy(kA, copies); }
    void copyWithoutDriver() { CopyEngine(world.context(false), formatter).RunCopy(kA, 1); }

    std::vector<std::uint8_t> sourceBytes() const { return test::readFile(source.path()); }
    std::vector<std::uint8_t> targetBytes() const { return test::readFile(target); }
    // The first n tracks of the target equal the source's.
    bool tracksEqual(int n) const
    {
        const auto s = sourceBytes(), t = targetBytes();
        return std::equal(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n * kTrack144), t.begin());
    }
    void expectQuestion(const std::string& text, Buttons buttons, Icon icon, Answer answer)
    {
        world.prompter.expect(text, buttons, icon, answer);
    }
    // A single copy that did not end well offers another diskette; the user declines.
    void expectNoOtherDiskette(std::int8_t state)
    {
        expectQuestion(CopyEngine::nextDisketteText(0, 1, state), Buttons::OkCancel, Icon::Information,
                       Answer::Cancel);
    }

    test::EngineWorld world;
    test::DiskImages disks;
    MtoolsImage source{MtoolsImage::Maker::Mformat, "-f 1440"};
    std::filesystem::path target;
    CountingFormatter formatter{world.doc, world.faults, world.prompter};
};

TEST_F(CopyEngineTest, WritesTheLoadedTracksOnlyInDriverOrder)
{
    const auto before = targetBytes();
    copy();
    const std::vector<K> expected = {
        K::CheckMedia, K::Parameters, K::LockLevel, K::Lock, K::Prepare, K::Write, K::Write, K::Write,
        K::Write, K::Write, K::Write, K::EndTransfer, K::Unlock, K::Reset, K::Release,
    };
    EXPECT_EQ(world.kindsFrom(), expected);
    const auto writes = world.requestsOf(K::Write);
    for (std::size_t t = 0; t < writes.size(); ++t)
        EXPECT_EQ(writes[t], (DriveRequest{K::Write, kA, static_cast<std::uint32_t>(t * 18), 18}));
    EXPECT_TRUE(tracksEqual(6));
    const auto after = targetBytes();
    EXPECT_TRUE(std::equal(after.begin() + 6 * kTrack144, after.end(), before.begin() + 6 * kTrack144))
        << "tracks the image does not hold keep their old contents";
    EXPECT_EQ(world.doc.OperationState, kSuccessful);
    EXPECT_EQ(world.panel.operationLine(), "  Last Operation:   Copy Diskette");
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Successful");
    EXPECT_EQ(world.panel.volumeLine(), "  Volume Label:    SOURCE");
    EXPECT_EQ(world.view.messages, std::vector<ViewMessage>{ViewMessage::FillList});
    EXPECT_EQ(world.progress.caption(), "Copying Diskette");
    EXPECT_FALSE(world.progress.verifyShown());
    EXPECT_EQ(world.progress.statusLines().back(), "On Data Cylinder:  3 of 3 ( 100% )");
}

TEST_F(CopyEngineTest, VerifyReadsEveryTrackBack)
{
    world.doc.options.VerifyCopy = true;
    copy();
    const auto kinds = world.kindsFrom();
    const std::vector<K> firstTrack = {K::Prepare, K::Write, K::Read, K::Write, K::Read};
    EXPECT_TRUE(std::search(kinds.begin(), kinds.end(), firstTrack.begin(), firstTrack.end()) != kinds.end());
    EXPECT_EQ(world.requestsOf(K::Read).size(), 6u);
    EXPECT_EQ(world.progress.verifyPosition(), 4) << "stepped once past cylinder 3";
    EXPECT_EQ(world.progress.caption(), "Copying and Verifying Diskette");
    EXPECT_EQ(world.panel.operationLine(), "  Last Operation:   Copy/Verify Diskette");
    EXPECT_EQ(world.doc.OperationState, kSuccessful);
}

TEST_F(CopyEngineTest, VerifyMismatchStopsThatDisketteAtThatTrack)
{
    world.doc.options.VerifyCopy = true;
    // The read-back of the second track finds another diskette.
    world.faults.swapMedium(K::Read, 2, kA, disks.formatted("other.img", "1.44M"));
    expectQuestion("Diskettes do not match!", Buttons::Ok, Icon::Exclamation, Answer::Ok);
    expectNoOtherDiskette(kUnsuccessful);
    copy();
    EXPECT_EQ(world.requestsOf(K::Write).size(), 2u);
    EXPECT_TRUE(tracksEqual(1)) << "the track written before stays written";
    EXPECT_EQ(world.doc.OperationState, kUnsuccessful);
    EXPECT_EQ(world.kindsFrom(world.faults.requests().size() - 4),
              (std::vector<K>{K::EndTransfer, K::Unlock, K::Reset, K::Release}));
}

TEST_F(CopyEngineTest, WriteRetryUnlocksResetsLocksAndWritesTheSameTrack)
{
    world.faults.failRequest(K::Write, 2, kStatusMediaFailure);
    expectQuestion("Media failure", Buttons::RetryCancel, Icon::Exclamation, Answer::Retry);
    copy();
    const auto kinds = world.kindsFrom();
    const std::vector<K> retry = {K::Write, K::Unlock, K::Reset, K::Lock, K::Write};
    EXPECT_TRUE(std::search(kinds.begin(), kinds.end(), retry.begin(), retry.end()) != kinds.end());
    const auto writes = world.requestsOf(K::Write);
    ASSERT_EQ(writes.size(), 7u);
    EXPECT_EQ(writes[1], writes[2]);
    EXPECT_TRUE(tracksEqual(6));
    EXPECT_EQ(world.doc.OperationState, kSuccessful);
}

TEST_F(CopyEngineTest, EveryEndingAfterTheLockReleasesTheDrive)
{
    struct Ending {
        const char* name;
        K failing;
        int n;
        bool verify;
    };
    for (const Ending& e : {Ending{"write cancelled", K::Write, 3, false}, Ending{"read-back cancelled", K::Read, 1, true}}) {
        test::EngineWorld w;
        source.loadInto(w.doc);
        w.doc.TracksLoaded = 6;
        w.doc.options.VerifyCopy = e.verify;
        w.drives.insert(kA, disks.formatted(std::string("t-") + e.name, "1.44M"));
        w.faults.failRequest(e.failing, e.n, kStatusWriteProtect);
        w.prompter.expect("Write protect error", Buttons::RetryCancel, Icon::Exclamation, Answer::Cancel)
            .expect(CopyEngine::nextDisketteText(0, 1, kUnsuccessful), Buttons::OkCancel, Icon::Information,
                    Answer::Cancel);
        CountingFormatter f(w.doc, w.faults, w.prompter);
        CopyEngine(w.context(), f).RunCopy(kA, 1);
        EXPECT_EQ(w.doc.OperationState, kUnsuccessful) << e.name;
        EXPECT_EQ(w.kindsFrom(w.faults.requests().size() - 4),
                  (std::vector<K>{K::EndTransfer, K::Unlock, K::Reset, K::Release}))
            << e.name;
        EXPECT_EQ(w.panel.statusLine(), "  Last Operation Status:    Unsuccessful") << e.name;
    }
}

TEST_F(CopyEngineTest, ConfirmedCancelStopsAfterTheCurrentTrack)
{
    // Pumps: ShowCylinder, StepMain, CheckCancel after track 0, CheckCancel after track 1.
    world.progress.pressCancelAtPump(4);
    expectQuestion("Are you sure?", Buttons::YesNo, Icon::Question, Answer::Yes);
    expectNoOtherDiskette(kCancelled);
    copy();
    EXPECT_EQ(world.requestsOf(K::Write).size(), 2u);
    EXPECT_EQ(world.doc.OperationState, kCancelled);
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Cancelled by Operator");
    EXPECT_EQ(world.requestsOf(K::Release).size(), 1u);
}

TEST_F(CopyEngineTest, ThreeCopiesCancelledAtTheFirstPromptWriteOneDiskette)
{
    expectQuestion("1 of 3 diskettes completed.\nPlease insert the next diskette and press OK to continue.\n"
                   "Press Cancel to exit the Copy operation.",
                   Buttons::OkCancel, Icon::Information, Answer::Cancel);
    copy(3);
    EXPECT_EQ(world.requestsOf(K::CheckMedia).size(), 1u);
    EXPECT_EQ(world.requestsOf(K::Write).size(), 6u);
    EXPECT_EQ(world.doc.OperationState, kSuccessful);
    EXPECT_EQ(world.view.messages, std::vector<ViewMessage>{ViewMessage::FillList});
}

TEST_F(CopyEngineTest, TheNextDiskettePromptComesUpBeforeTheProgressWindowCloses)
{
    struct WindowWatcher : Prompter {
        explicit WindowWatcher(const test::RecordingProgress& p) : progress(p) {}
        Answer ask(const std::string&, Buttons, Icon) override
        {
            shownAtPrompt = progress.windowShown();
            return Answer::Cancel;
        }
        const test::RecordingProgress& progress;
        bool shownAtPrompt = false;
    } watcher(world.progress);
    EngineContext context = world.context();
    CopyEngine({context.doc, context.drives, context.driver, watcher, context.progress, context.panel, context.view},
               formatter)
        .RunCopy(kA, 2);
    EXPECT_TRUE(watcher.shownAtPrompt);
    EXPECT_FALSE(world.progress.windowShown());
}

TEST_F(CopyEngineTest, EachCopyGoesToTheDisketteThenInTheDrive)
{
    const auto second = disks.formatted("second.img", "1.44M");
    world.faults.swapMedium(K::CheckMedia, 2, kA, second);
    expectQuestion(CopyEngine::nextDisketteText(1, 2, kSuccessful), Buttons::OkCancel, Icon::Information, Answer::Ok);
    copy(2);
    EXPECT_EQ(world.requestsOf(K::Release).size(), 2u);
    target = second;
    EXPECT_TRUE(tracksEqual(6));
    EXPECT_EQ(world.doc.OperationState, kSuccessful);
}

TEST_F(CopyEngineTest, AFailedDisketteDoesNotCountAndAnotherTakesItsPlace)
{
    world.drives.setWriteProtected(kA, true);
    expectQuestion("Write protect error", Buttons::RetryCancel, Icon::Exclamation, Answer::Cancel);
    expectQuestion("The copy to this diskette failed.\n0 of 2 diskettes completed.\nPlease insert the next diskette "
                   "and press OK to continue.\nPress Cancel to exit the Copy operation.",
                   Buttons::OkCancel, Icon::Information, Answer::Ok);
    world.faults.swapMedium(K::CheckMedia, 2, kA, disks.formatted("second.img", "1.44M"));
    expectQuestion(CopyEngine::nextDisketteText(1, 2, kSuccessful), Buttons::OkCancel, Icon::Information,
                   Answer::Cancel);
    copy(2);
    EXPECT_EQ(world.requestsOf(K::Write).size(), 7u);
    EXPECT_EQ(world.doc.OperationState, kSuccessful) << "the state of the last diskette";
}

TEST_F(CopyEngineTest, UnformattedDisketteIsFormattedWhenTheUserAgrees)
{
    VirtualMedium::createBlank(disks / "blank.img", *formatNamed("1.44M"));
    world.drives.insert(kA, disks / "blank.img");
    target = disks / "blank.img";
    expectQuestion(kUnformatted, Buttons::YesNo, Icon::Exclamation, Answer::Yes);
    copy();
    EXPECT_EQ(formatter.calls, 1);
    EXPECT_EQ(world.requestsOf(K::Format).size(), 80u);
    EXPECT_EQ(world.drives.sectorIds(kA, 79, 1),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}));
    EXPECT_EQ(world.requestsOf(K::CheckMedia).size(), 2u);
    EXPECT_TRUE(tracksEqual(6));
    EXPECT_EQ(world.doc.OperationState, kSuccessful);
}

TEST_F(CopyEngineTest, NoToFormattingEndsTheRunUnsuccessful)
{
    VirtualMedium::createBlank(disks / "blank.img", *formatNamed("1.44M"));
    world.drives.insert(kA, disks / "blank.img");
    world.doc.OperationState = kSuccessful;
    expectQuestion(kUnformatted, Buttons::YesNo, Icon::Exclamation, Answer::No);
    copy(3);
    EXPECT_EQ(formatter.calls, 0);
    EXPECT_TRUE(world.requestsOf(K::Write).empty());
    EXPECT_EQ(world.doc.OperationState, kUnsuccessful);
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Unsuccessful");
    EXPECT_EQ(world.requestsOf(K::Release).size(), 1u);
}

TEST_F(CopyEngineTest, FailedDmfFormatEndsTheRunAtOnce)
{
    const MtoolsImage dmf(MtoolsImage::Maker::Mformat, "-t 80 -h 2 -s 21 -c 4 -r 1");
    dmf.loadInto(world.doc);
    ASSERT_TRUE(world.doc.geometry.DmfLargeClusters);
    VirtualMedium::createBlank(disks / "blank.img", *formatNamed("1.44M"));
    world.drives.insert(kA, disks / "blank.img");
    formatter.succeeds = false;
    world.doc.OperationState = kSuccessful;
    expectQuestion(kUnformatted, Buttons::YesNo, Icon::Exclamation, Answer::Yes);
    copy();
    EXPECT_EQ(world.requestsOf(K::CheckMedia).size(), 1u);
    EXPECT_EQ(world.doc.OperationState, kCancelled) << "the state the format left";
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    N/A");
    EXPECT_TRUE(world.view.messages.empty());
}

TEST_F(CopyEngineTest, DisketteOfAnotherKindIsRefusedWithTheSizeMessage)
{
    // Same capacity class and drive, another layout; and a 720K diskette.
    for (const char* other : {"720K", "1.68M"}) {
        world.drives.insert(kA, disks.formatted(std::string("other-") + other, other));
        world.doc.OperationState = kSuccessful;
        expectQuestion(kOtherSize, Buttons::Ok, Icon::None, Answer::Ok);
        copy();
        EXPECT_TRUE(world.requestsOf(K::Write).empty()) << other;
        EXPECT_EQ(world.doc.OperationState, kUnsuccessful) << other;
        EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    N/A") << other;
    }
}

TEST_F(CopyEngineTest, MediaCheckCancelReportsTheCopyAndEnds)
{
    world.drives.eject(kA);
    world.doc.options.VerifyCopy = true;
    const std::string empty = CVLMDoc::statusText(world.faults.checkMedia(kA));
    expectQuestion(empty, Buttons::RetryCancel, Icon::Exclamation, Answer::Cancel);
    copy();
    EXPECT_EQ(world.panel.operationLine(), "  Last Operation:   Copy/Verify Diskette");
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Unsuccessful");
    EXPECT_TRUE(world.view.messages.empty());
    EXPECT_FALSE(world.progress.windowShown());
}

TEST_F(CopyEngineTest, WithoutTheSectorDriverTheDisketteIsSkipped)
{
    expectQuestion("TRAKDSK.VXD is not loaded!", Buttons::Ok, Icon::Information, Answer::Ok);
    expectNoOtherDiskette(kUnsuccessful);
    copyWithoutDriver();
    EXPECT_TRUE(world.requestsOf(K::Write).empty());
    EXPECT_EQ(world.doc.OperationState, kUnsuccessful);
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Unsuccessful");
}

} // namespace
} // namespace vellum
