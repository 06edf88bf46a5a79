#include <gtest/gtest.h>

#include "core/CVLMDoc.h"
#include "ops/StatusPanel.h"
#include "tests/support/MemoryProfile.h"
#include "tests/support/ScriptedPrompter.h"

namespace vellum {
namespace {

class CountingPanel : public StatusPanel {
public:
    int changes = 0;

protected:
    void changed() override { ++changes; }
};

TEST(StatusPanel, StartsWithTheEmptyTexts)
{
    const StatusPanel panel;
    EXPECT_EQ(panel.volumeLine(), "  Volume Label:   None");
    EXPECT_EQ(panel.memoryLine(), "  Memory Status:    Empty");
    EXPECT_EQ(panel.operationLine(), "  Last Operation:    None");
    EXPECT_EQ(panel.statusLine(), "  Last Operation Status:    N/A");
}

TEST(StatusPanel, StatusCodesAndTheNegativeCodeThatKeepsTheText)
{
    const std::pair<int, const char*> table[] = {
        {0, "  Last Operation Status:    Unsuccessful"},
        {1, "  Last Operation Status:    Successful"},
        {2, "  Last Operation Status:    In Progess"},
        {3, "  Last Operation Status:    Force Format"},
        {4, "  Last Operation Status:    Cancelled by Operator"},
        {5, "  Checking Media..."},
        {6, "  Last Operation Status:    Unknown"},
        {127, "  Last Operation Status:    Unknown"},
    };
    CountingPanel panel;
    for (const auto& [code, text] : table) {
        panel.ShowLastOperation(kOpLoadDiskette, code);
        EXPECT_EQ(panel.statusLine(), text) << "code " << code;
    }
    panel.ShowLastOperation(kOpCompareDiskette, kCancelled);
    panel.ShowLastOperation(kOpCopyDiskette, -1);
    EXPECT_EQ(panel.statusLine(), "  Last Operation Status:    Cancelled by Operator");
    EXPECT_EQ(panel.operationLine(), "  Last Operation:   Copy Diskette");
    EXPECT_EQ(panel.changes, 10);
}

TEST(StatusPanel, OperationNamesAreCutAtTwentyCharacters)
{
    EXPECT_EQ(StatusPanel::operationText(kOpLoadDiskette), "  Last Operation:   Load Diskette");
    EXPECT_EQ(StatusPanel::operationText(kOpQuickFormatSystem), "  Last Operation:   Quick Format with Sy");
    EXPECT_EQ(StatusPanel::operationText(kOpCopyVerifyDiskette), "  Last Operation:   Copy/Verify Diskette");
    EXPECT_EQ(StatusPanel::operationText(kOpRescueDiskette), "  Last Operation:   Rescue Diskette");
    EXPECT_EQ(StatusPanel::operationText(13), "  Last Operation:   Unknown");
    EXPECT_EQ(StatusPanel::operationText(-1), "  Last Operation:   Unknown");
}

TEST(StatusPanel, LabelWithoutANameShowsNone)
{
    EXPECT_EQ(StatusPanel::volumeText(std::string_view("NO NAME    ", 11)), "  Volume Label:    None       ");
    EXPECT_EQ(StatusPanel::volumeText(std::string_view("\0\0\0\0\0\0\0\0\0\0\0", 11)),
              "  Volume Label:    None   ");
    // Only the first seven characters are replaced.
    EXPECT_EQ(StatusPanel::volumeText("NO NAMEXYZW"), "  Volume Label:    None   XYZW");
    EXPECT_EQ(StatusPanel::volumeText("VELLUM     "), "  Volume Label:    VELLUM     ");
    EXPECT_EQ(StatusPanel::volumeText("NO NAM"), "  Volume Label:    NO NAM");
}

TEST(StatusPanel, MemoryStatusNamesTheFormatOfTheMediaCode)
{
    const std::pair<std::uint32_t, const char*> table[] = {
        {0x0FD, "360Kb       "}, {0x1FD, "360Kb       "}, {0x2F9, "720Kb       "}, {0x7F9, "720Kb       "},
        {0x1F0, "1.2Mb       "}, {0x1F9, "1.2Mb       "}, {0x7F0, "1.44Mb      "},
    };
    for (const auto& [code, name] : table) {
        DriveGeometry g;
        g.MediaCode = code;
        EXPECT_EQ(StatusPanel::memoryText(g), std::string("  Memory Status:    ") + name) << std::hex << code;
    }
    DriveGeometry dmf;
    dmf.MediaCode = 0x7F0;
    dmf.DmfLargeClusters = true;
    EXPECT_EQ(StatusPanel::memoryText(dmf), "  Memory Status:    1.68Mb (DMF)");
    DriveGeometry big;
    big.MediaCode = 0x9F0;
    EXPECT_EQ(StatusPanel::memoryText(big), "  Memory Status:    2.88Mb      ");
    DriveGeometry none;
    EXPECT_EQ(StatusPanel::memoryText(none), "  Memory Status:    Unknown");
}

TEST(StatusPanel, VolumeAndMemoryComeFromTheDocumentWithoutChangingIt)
{
    test::MemoryProfile profile;
    test::ScriptedPrompter prompter;
    CVLMDoc doc(profile, prompter);
    doc.setVolumeLabel("NO NAME");
    doc.geometry.MediaCode = 0x7F9;
    StatusPanel panel;
    panel.ShowVolumeAndMemoryStatus(doc);
    EXPECT_EQ(panel.volumeLine(), "  Volume Label:    None   ");
    EXPECT_EQ(panel.memoryLine(), "  Memory Status:    720Kb       ");
    EXPECT_EQ(doc.volumeLabelText(), "NO NAME");

    panel.ShowEmpty();
    EXPECT_EQ(panel.volumeLine(), "  Volume Label:   None");
    EXPECT_EQ(panel.memoryLine(), "  Memory Status:    Empty");
}

} // namespace
} // namespace vellum
