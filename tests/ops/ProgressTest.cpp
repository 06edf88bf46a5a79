#include <gtest/gtest.h>

#include "core/CVLMDoc.h"
#include "ops/Progress.h"
#include "tests/support/MemoryProfile.h"
#include "tests/support/RecordingProgress.h"
#include "tests/support/ScriptedPrompter.h"

namespace vellum {
namespace {

using test::RecordingProgress;
using test::ScriptedPrompter;

class ProgressTest : public ::testing::Test {
protected:
    test::MemoryProfile profile;
    ScriptedPrompter docPrompter;
    CVLMDoc doc{profile, docPrompter};
    ScriptedPrompter prompter;
    RecordingProgress progress{prompter};

    void expectAreYouSure(Answer answer)
    {
        prompter.expect("Are you sure?", Buttons::YesNo, Icon::Question, answer);
    }
};

TEST(ProgressText, CylinderLineTruncatesThePercentage)
{
    EXPECT_EQ(Progress::cylinderText(7, 80), "On Data Cylinder:  7 of 80 ( 8% )");
    EXPECT_EQ(Progress::cylinderText(1, 80), "On Data Cylinder:  1 of 80 ( 1% )");
    EXPECT_EQ(Progress::cylinderText(79, 80), "On Data Cylinder:  79 of 80 ( 98% )");
    EXPECT_EQ(Progress::cylinderText(80, 80), "On Data Cylinder:  80 of 80 ( 100% )");
    // Large counts neither overflow the product nor get cut short.
    EXPECT_EQ(Progress::cylinderText(2'000'000'000, 2'000'000'000),
              "On Data Cylinder:  2000000000 of 2000000000 ( 100% )");
}

TEST(ProgressText, ZeroTotalShowsNoPercentInsteadOfDividing)
{
    EXPECT_EQ(Progress::cylinderText(3, 0), "On Data Cylinder:  3 of 0 ( 0% )");
}

TEST_F(ProgressTest, KindsSetTheCaptionExceptTheSystemAreaLine)
{
    ASSERT_TRUE(progress.Create(doc));
    EXPECT_EQ(progress.statusLine(), "Initializing...   Please Wait...");
    const std::pair<int, const char*> captions[] = {
        {kProgressLoading, "Loading Diskette Image"},         {kProgressCopying, "Copying Diskette"},
        {kProgressComparing, "Comparing Diskette"},           {kProgressFormatting, "Formatting Diskette"},
        {kProgressFormattingDmf, "Formatting DMF Diskette"},  {kProgressSavingFiles, "Saving Files"},
        {kProgressRescuing, "Rescuing Diskette"},
        {kProgressCopyingVerifying, "Copying and Verifying Diskette"},
    };
    for (const auto& [kind, text] : captions) {
        progress.SetOperationCaption(kind);
        EXPECT_EQ(progress.caption(), text);
        EXPECT_EQ(progress.statusLine(), "Initializing...   Please Wait...");
    }
    progress.SetOperationCaption(kProgressWritingSystemArea);
    EXPECT_EQ(progress.statusLine(), "Writing System Area...");
    EXPECT_EQ(progress.caption(), "Copying and Verifying Diskette");

    progress.SetOperationCaption(0);
    progress.SetOperationCaption(10);
    EXPECT_EQ(progress.caption(), "Copying and Verifying Diskette");
    EXPECT_EQ(progress.statusLine(), "Writing System Area...");
}

TEST_F(ProgressTest, VerifyBarOnlyForACopyWithVerify)
{
    doc.options.VerifyCopy = true;
    for (const int op : {kOpLoadDiskette, kOpCompareDiskette, kOpFormatDmf}) {
        doc.CurrentOperation = static_cast<std::uint8_t>(op);
        progress.Create(doc);
        EXPECT_FALSE(progress.verifyShown()) << "operation " << op;
        progress.Destroy();
    }
    doc.CurrentOperation = kOpCopyDiskette;
    progress.Create(doc);
    EXPECT_TRUE(progress.verifyShown());
    progress.Destroy();
    EXPECT_FALSE(progress.verifyShown());

    doc.options.VerifyCopy = false;
    progress.Create(doc);
    EXPECT_FALSE(progress.verifyShown());
}

TEST_F(ProgressTest, CallerPatternFillsTheMainBarAndLeavesVerifyToStepVerify)
{
    doc.options.VerifyCopy = true;
    doc.CurrentOperation = kOpCopyDiskette;
    constexpr int cylinders = 40;
    progress.Create(doc);
    progress.SetBarRange(0, cylinders + 1);
    for (int t = 0; t < cylinders * 2; ++t) {
        if (t % 2 == 0) {
            progress.ShowCylinder(t / 2 + 1, cylinders);
            progress.StepMain();
            EXPECT_EQ(progress.mainPosition(), t / 2 + 2);
        }
        EXPECT_FALSE(progress.CheckCancel());
    }
    EXPECT_EQ(progress.mainPosition(), progress.high());
    EXPECT_EQ(progress.verifyPosition(), 0);
    EXPECT_EQ(progress.statusLines().back(), "On Data Cylinder:  40 of 40 ( 100% )");

    progress.StepVerify(5);
    EXPECT_EQ(progress.verifyPosition(), 6);
    EXPECT_EQ(progress.mainPosition(), progress.high());
}

TEST_F(ProgressTest, BarsStayInsideTheirRange)
{
    progress.Create(doc);
    progress.SetBarRange(0, 3);
    progress.ShowCylinder(9, 3);
    EXPECT_EQ(progress.mainPosition(), 3);
    progress.StepMain();
    EXPECT_EQ(progress.mainPosition(), 3);
    progress.StepVerify(-4);
    EXPECT_EQ(progress.verifyPosition(), 1);
}

TEST_F(ProgressTest, CancelPressesBetweenChecksGiveOneQuestion)
{
    progress.Create(doc);
    progress.requestCancel();
    progress.requestCancel();
    progress.requestCancel();
    expectAreYouSure(Answer::No);
    EXPECT_FALSE(progress.CheckCancel());
    // No cleared the request: the next check asks nothing.
    EXPECT_FALSE(progress.cancelRequested());
    EXPECT_FALSE(progress.CheckCancel());

    progress.requestCancel();
    expectAreYouSure(Answer::Yes);
    EXPECT_TRUE(progress.CheckCancel());
}

TEST_F(ProgressTest, ACancelConfirmedAlreadyStopsTheNextCheckWithoutAsking)
{
    progress.Create(doc);
    progress.cancelConfirmed();
    EXPECT_TRUE(progress.CheckCancel());
    EXPECT_FALSE(progress.CheckCancel());
    // A new diskette's window starts without one.
    progress.cancelConfirmed();
    progress.Create(doc);
    EXPECT_FALSE(progress.CheckCancel());
}

TEST_F(ProgressTest, CancelPressedWhileTheOperationPumpsIsSeenAtTheNextCheck)
{
    progress.Create(doc);
    progress.pressCancelAtPump(2);
    progress.ShowCylinder(1, 80); // pump 1
    progress.StepMain();          // pump 2: the user presses Cancel
    expectAreYouSure(Answer::Yes);
    EXPECT_TRUE(progress.CheckCancel());
    EXPECT_EQ(progress.pumps(), 3);
}

TEST_F(ProgressTest, AWindowThatCouldNotOpenNeverCancels)
{
    progress.failToOpen();
    EXPECT_FALSE(progress.Create(doc));
    progress.SetOperationCaption(kProgressLoading);
    progress.ShowCylinder(1, 80);
    progress.requestCancel();
    EXPECT_FALSE(progress.CheckCancel()); // no question asked
    EXPECT_EQ(progress.pumps(), 0);
    EXPECT_TRUE(progress.statusLines().empty());
}

TEST_F(ProgressTest, CreateStartsEachDisketteAfresh)
{
    progress.Create(doc);
    progress.SetOperationCaption(kProgressCopying);
    progress.SetBarRange(0, 81);
    progress.ShowCylinder(30, 80);
    progress.requestCancel();
    progress.Destroy();
    EXPECT_FALSE(progress.windowShown());

    progress.Create(doc);
    EXPECT_TRUE(progress.windowShown());
    EXPECT_FALSE(progress.cancelRequested());
    EXPECT_EQ(progress.high(), Progress::kDefaultHigh);
    EXPECT_EQ(progress.mainPosition(), 0);
    EXPECT_EQ(progress.statusLine(), "Initializing...   Please Wait...");
}

} // namespace
} // namespace vellum
