#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "drive/DriveStatus.h"
#include "core/StandardFormats.h"
#include "drive/VirtualMedium.h"
#include "ops/DmfBootSector.h"
#include "ops/CopyEngine.h"
#include "ops/CopyFormatter.h"
#include "ops/DmfFormat.h"
#include "ops/StatusPanel.h"
#include "tests/drive/DiskImages.h"
#include "tests/ops/EngineWorld.h"
#include "tests/support/MtoolsImage.h"

namespace vellum {
namespace {

using K = test::RequestKind;
using test::kA;
using test::kB;

const std::string kAreYouSure = "Are you sure?";

std::string text(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t n)
{
    return {bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at + n)};
}

std::string sh(const std::filesystem::path& p)
{
    return test::shellQuoted(p.string());
}

// ---- The layout written: sector order, boot sector, system area ----

TEST(DmfSectorOrder, FollowsTheSkewTableAndRepeatsEverySevenCylinders)
{
    const std::vector<std::vector<int>> firstFour = {{6, 17, 7, 18},  {15, 5, 16, 6}, {3, 14, 4, 15}, {12, 2, 13, 3},
                                                     {21, 11, 1, 12}, {9, 20, 10, 21}, {18, 8, 19, 9}};
    const std::vector<int> slotOfOne = {11, 14, 17, 20, 2, 5, 8};
    for (int c = 0; c < 80; ++c) {
        const auto ids = DmfFormat::DmfSectorOrder(c);
        const auto& expected = firstFour[static_cast<std::size_t>(c % 7)];
        EXPECT_EQ(std::vector<int>(ids.begin(), ids.begin() + 4), expected) << "cylinder " << c;
        EXPECT_EQ(std::find(ids.begin(), ids.end(), 1) - ids.begin(), slotOfOne[static_cast<std::size_t>(c % 7)]);
        EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), 21u);
        EXPECT_EQ(*std::max_element(ids.begin(), ids.end()), 21);
    }
    const auto zero = DmfFormat::DmfSectorOrder(0);
    EXPECT_EQ(std::vector<int>(zero.begin(), zero.end()),
              (std::vector<int>{6, 17, 7, 18, 8, 19, 9, 20, 10, 21, 11, 1, 12, 2, 13, 3, 14, 4, 15, 5, 16}));
}

// The DMF boot sector written out field by field, independently of the builder.
std::vector<std::uint8_t> expectedBootSector(const std::string& label11, std::uint32_t serial)
{
    std::vector<std::uint8_t> s(512, 0);
    const std::vector<std::uint8_t> head = {0xEB, 0x3C, 0x90, 'P', 'E', 'L', 'L', 'O', 'R', 'A', ' ',
                                            0x00, 0x02, 4,    1,   0,   2,   16,  0,   0x20, 0x0D, 0xF0,
                                            3,    0,    21,   0,   2,   0};
    std::copy(head.begin(), head.end(), s.begin());
    s[38] = 0x29;
    putLe32(s, 39, serial);
    std::copy(label11.begin(), label11.end(), s.begin() + 43);
    const std::string fs = "FAT12   ";
    std::copy(fs.begin(), fs.end(), s.begin() + 54);
    const std::string message =
        "\r\nNon-System disk or disk error\r\nReplace and press any key when ready\r\n";
    std::copy(message.begin(), message.end(), s.begin() + 0x19E);
    const std::string names = "IO      SYSMSDOS   SYS";
    std::copy(names.begin(), names.end(), s.begin() + 486);
    s[510] = 0x55;
    s[511] = 0xAA;
    return s;
}

TEST(DmfBootSector, MatchesTheLayoutOutsideTheBootCode)
{
    struct Case {
        std::string label, field;
        std::uint32_t serial;
    };
    for (const Case& c : {Case{"", "NO NAME    ", 0}, Case{"DISK5", "DISK5      ", 0x2D6F'5A21},
                          Case{"ELEVENCHARS", "ELEVENCHARS", 0x2D6F'5A21}}) {
        const auto sector = DmfBootSector::build(c.label, 0x5A21, 0x2D6F);
        auto expected = expectedBootSector(c.field, c.serial);
        // The instructions are our own; everything else is fixed.
        std::copy(sector.begin() + 62, sector.begin() + 0x19E, expected.begin() + 62);
        EXPECT_EQ(std::vector<std::uint8_t>(sector.begin(), sector.end()), expected) << c.label;
        // The code ends before its message and restarts through INT 19h.
        const auto code = std::vector<std::uint8_t>(sector.begin() + 62, sector.begin() + 0x19E);
        const auto last = std::find_if(code.rbegin(), code.rend(), [](std::uint8_t b) { return b != 0; });
        ASSERT_NE(last, code.rend());
        EXPECT_EQ(*last, 0x19);
        EXPECT_EQ(*(last + 1), 0xCD);
    }
}

TEST(DmfBootSector, SystemAreaHoldsEmptyFatsAndTheLabelEntry)
{
    const auto area = DmfBootSector::systemArea("MYDISK", 0x1234, 0x5678);
    std::vector<std::uint8_t> expected(4096, 0);
    const auto boot = DmfBootSector::build("MYDISK", 0x1234, 0x5678);
    std::copy(boot.begin(), boot.end(), expected.begin());
    for (std::size_t fat : {512u, 2048u}) {
        expected[fat] = 0xF0;
        expected[fat + 1] = 0xFF;
        expected[fat + 2] = 0xFF;
    }
    const std::string name = "MYDISK     ";
    std::copy(name.begin(), name.end(), expected.begin() + 3584);
    expected[3595] = 0x28;
    putLe16(expected, 3606, 0x1234);
    putLe16(expected, 3608, 0x5678);
    EXPECT_EQ(std::vector<std::uint8_t>(area.begin(), area.end()), expected);

    const auto unlabelled = DmfBootSector::systemArea("", 0x1234, 0x5678);
    EXPECT_TRUE(std::all_of(unlabelled.begin() + 3584, unlabelled.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(le32(unlabelled, 39), 0u);
}

// ---- The format on virtual drives ----

class DmfFormatTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        blank = disks.blank("blank.img", "1.44M");
        world.drives.insert(kA, blank);
    }
    int format(DmfFormatOptions options) { return DmfFormat(world.context()).FormatDmf(options); }
    DmfFormatOptions labelled(const std::string& label, int drive = kA)
    {
        DmfFormatOptions o;
        o.drive = drive;
        o.label = label;
        return o;
    }
    std::vector<std::uint32_t> formattedCylinders() const
    {
        std::vector<std::uint32_t> out;
        for (const auto& r : world.requestsOf(K::Format))
            out.push_back(r.first);
        return out;
    }
    std::string fsck(const std::filesystem::path& p) const
    {
        return test::runCommand("fsck.fat -n " + sh(p) + " >/dev/null 2>&1; echo $?");
    }
    // What fsck.fat finds wrong. The boot sector of an unlabelled DMF volume
    // carries 11 blanks as its label, which fsck.fat notes (and would only
    // drop), so that note is not counted.
    std::string fsckProblems(const std::filesystem::path& p) const
    {
        return test::runCommand("fsck.fat -n " + sh(p) + " 2>&1 | grep -v -e '^fsck.fat ' -e '^Leaving' "
                                "-e ' files, .*/838 clusters$' -e \"^Label '' stored\" "
                                "-e 'Auto-removing label' -e '^$' || true");
    }

    test::EngineWorld world;
    test::DiskImages disks;
    std::filesystem::path blank;
};

TEST_F(DmfFormatTest, FullFormatMakesAVolumeThatFsckMdirAndMcopyAccept)
{
    ASSERT_EQ(format(labelled("dmf disk")), 1);

    EXPECT_EQ(world.doc.OperationState, kSuccessful);
    EXPECT_EQ(world.panel.operationLine(), StatusPanel::operationText(kOpFormatDmf));
    EXPECT_EQ(std::filesystem::file_size(blank), 3360u * 512);
    EXPECT_EQ(fsck(blank), "0\n");
    EXPECT_NE(test::runCommand("mdir -i " + sh(blank) + " ::").find("Volume in drive : is DMF DISK"),
              std::string::npos);
    const auto local = disks / "HELLO.TXT";
    test::writeFile(local, std::vector<std::uint8_t>(5000, 'h'));
    test::runCommand("mcopy -i " + sh(blank) + " " + sh(local) + " ::HELLO.TXT");
    EXPECT_EQ(test::runCommand("mtype -i " + sh(blank) + " ::HELLO.TXT"), std::string(5000, 'h'));
    EXPECT_EQ(fsck(blank), "0\n");

    // Label stamp: the serial is the label entry's time and date.
    const auto bytes = test::readFile(blank);
    EXPECT_EQ(le32(bytes, 39), static_cast<std::uint32_t>(le16(bytes, 3608)) << 16 | le16(bytes, 3606));
    EXPECT_NE(le32(bytes, 39), 0u);
    // The test sector at cylinder 79, head 1, sector 21: the medium's last.
    EXPECT_TRUE(std::all_of(bytes.end() - 512, bytes.end(), [](std::uint8_t b) { return b == 0xF8; }));
}

TEST_F(DmfFormatTest, RequestsFollowTheLockMediaFormatUnlockOrder)
{
    ASSERT_EQ(format(labelled("")), 1);
    const auto kinds = world.kindsFrom();
    const std::vector<K> opening = {K::LockLevel, K::Lock, K::Lock, K::Reset, K::CheckMedia, K::Reset, K::Reset};
    ASSERT_GE(kinds.size(), opening.size());
    EXPECT_EQ(std::vector<K>(kinds.begin(), kinds.begin() + 7), opening);
    std::vector<std::uint32_t> expected = {0, 79};
    for (std::uint32_t c = 0; c < 80; ++c)
        expected.push_back(c);
    EXPECT_EQ(formattedCylinders(), expected);
    EXPECT_EQ(world.requestsOf(K::Unlock).size(), 2u);
    EXPECT_EQ(world.requestsOf(K::EndFormat).size(), 2u) << "after each system-area write";
    EXPECT_EQ(world.requestsOf(K::Prepare).size(), 2u);
    EXPECT_EQ(world.requestsOf(K::EndTransfer).size(), 2u);
    // No label: serial 0, "NO NAME", empty root.
    const auto bytes = test::readFile(blank);
    EXPECT_EQ(le32(bytes, 39), 0u);
    EXPECT_EQ(text(bytes, 43, 11), "NO NAME    ");
    EXPECT_TRUE(std::all_of(bytes.begin() + 3584, bytes.begin() + 4096, [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(fsckProblems(blank), "");
}

TEST_F(DmfFormatTest, EveryCylinderOfTheFirstEightGetsItsSkewedOrderOnBothHeads)
{
    ASSERT_EQ(format(labelled("")), 1);
    for (std::uint32_t c = 0; c < 8; ++c)
        for (int head = 0; head < 2; ++head) {
            const auto ids = DmfFormat::DmfSectorOrder(static_cast<int>(c));
            EXPECT_EQ(world.drives.sectorIds(kA, c, head), std::vector<std::uint8_t>(ids.begin(), ids.end()));
        }
    EXPECT_EQ(world.drives.sectorIds(kA, 7, 0), world.drives.sectorIds(kA, 0, 1));
}

TEST_F(DmfFormatTest, CancelledPassStillWritesTheSystemArea)
{
    // Pumps: one per ShowCylinder, StepMain and CheckCancel, so cylinder 3's check is the 12th.
    world.progress.pressCancelAtPump(12);
    world.prompter.expect(kAreYouSure, Buttons::YesNo, Icon::Question, Answer::Yes);
    EXPECT_EQ(format(labelled("half")), 0);

    EXPECT_EQ(formattedCylinders(), (std::vector<std::uint32_t>{0, 79, 0, 1, 2, 3}));
    EXPECT_EQ(world.doc.OperationState, kCancelled);
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Cancelled by Operator");
    EXPECT_EQ(fsck(blank), "0\n");
    EXPECT_NE(test::runCommand("mdir -i " + sh(blank) + " ::").find("is HALF"), std::string::npos);
    EXPECT_EQ(world.requestsOf(K::Unlock).size(), 2u);
    EXPECT_FALSE(world.progress.isOpen());
}

TEST_F(DmfFormatTest, CancelNotConfirmedGoesOn)
{
    world.progress.pressCancelAtPump(3);
    world.prompter.expect(kAreYouSure, Buttons::YesNo, Icon::Question, Answer::No);
    EXPECT_EQ(format(labelled("")), 1);
    EXPECT_EQ(formattedCylinders().size(), 82u);
    EXPECT_EQ(world.doc.OperationState, kSuccessful);
}

TEST_F(DmfFormatTest, QuickFormatOfANonDmfDisketteAsksForAFullOne)
{
    world.drives.insert(kA, disks.formatted("hd.img", "1.44M"));
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        world.prompter.expect(std::string(DmfFormat::kNotDmfQuestion), Buttons::YesNo, Icon::Question, answer);
        DmfFormatOptions options = labelled("");
        options.fullFormat = false;
        DmfFormat dmf(world.context());
        const bool go = dmf.confirmQuickFormat(options);
        EXPECT_EQ(go, answer == Answer::Yes);
        EXPECT_EQ(options.fullFormat, answer == Answer::Yes);
    }
}

TEST_F(DmfFormatTest, QuickFormatOfADmfDisketteLaysDownOnlyTheOuterCylinders)
{
    ASSERT_EQ(format(labelled("")), 1);
    const auto local = disks / "OLD.TXT";
    test::writeFile(local, std::vector<std::uint8_t>(100, 'o'));
    test::runCommand("mcopy -i " + sh(blank) + " " + sh(local) + " ::OLD.TXT");
    const std::size_t before = world.requestsOf(K::Format).size();

    DmfFormatOptions options = labelled("quick");
    options.fullFormat = false;
    DmfFormat dmf(world.context());
    ASSERT_TRUE(dmf.confirmQuickFormat(options));
    ASSERT_FALSE(options.fullFormat);
    ASSERT_EQ(dmf.FormatDmf(options), 1);

    const auto cylinders = formattedCylinders();
    EXPECT_EQ(std::vector<std::uint32_t>(cylinders.begin() + static_cast<std::ptrdiff_t>(before), cylinders.end()),
              (std::vector<std::uint32_t>{0, 79}));
    EXPECT_EQ(world.progress.statusLine(), "Writing System Area...");
    EXPECT_EQ(fsck(blank), "0\n");
    const std::string listing = test::runCommand("mdir -i " + sh(blank) + " ::");
    EXPECT_NE(listing.find("is QUICK"), std::string::npos);
    EXPECT_EQ(listing.find("OLD"), std::string::npos) << listing;
}

TEST_F(DmfFormatTest, CheckMediaFailureRetriesThenCancelsUnsuccessful)
{
    world.faults.failRequest(K::CheckMedia, 1, kStatusNotReady);
    world.faults.failRequest(K::CheckMedia, 2, kStatusNotReady);
    const std::string notReady = CVLMDoc::statusText(kStatusNotReady);
    world.prompter.expect(notReady, Buttons::RetryCancel, Icon::Exclamation, Answer::Retry);
    world.prompter.expect(notReady, Buttons::RetryCancel, Icon::Exclamation, Answer::Cancel);
    EXPECT_EQ(format(labelled("x")), 0);
    EXPECT_EQ(world.doc.OperationState, kUnsuccessful);
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Unsuccessful");
    EXPECT_TRUE(world.requestsOf(K::Format).empty());
    EXPECT_TRUE(world.requestsOf(K::Write).empty());
    EXPECT_EQ(world.requestsOf(K::Unlock).size(), 2u);
    EXPECT_FALSE(world.progress.isOpen());
}

TEST_F(DmfFormatTest, SystemAreaWriteCancelledLeavesUnsuccessfulAndFinishes)
{
    // The first system-area write (before the pass) fails twice; the user retries, then cancels.
    world.faults.failRequest(K::Write, 1, kStatusMediaFailure);
    world.faults.failRequest(K::Write, 2, kStatusMediaFailure);
    const std::string failure = CVLMDoc::statusText(kStatusMediaFailure);
    world.prompter.expect(failure, Buttons::RetryCancel, Icon::Exclamation, Answer::Retry);
    world.prompter.expect(failure, Buttons::RetryCancel, Icon::Exclamation, Answer::Cancel);
    EXPECT_EQ(format(labelled("")), 1);
    EXPECT_EQ(world.doc.OperationState, kUnsuccessful);
    EXPECT_EQ(formattedCylinders().size(), 82u);
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Unsuccessful");
    EXPECT_EQ(fsckProblems(blank), "") << "the final write went through";
}

TEST_F(DmfFormatTest, DriveBIsAddressedWhenChosen)
{
    world.drives.setDeviceType(kB, 7);
    world.drives.insert(kB, disks.blank("b.img", "1.44M"));
    ASSERT_EQ(format(labelled("", kB)), 1);
    for (const auto& r : world.faults.requests())
        EXPECT_EQ(r.drive, kB) << static_cast<int>(r.kind);
    EXPECT_EQ(fsckProblems(disks / "b.img"), "");
}

TEST_F(DmfFormatTest, DriveCheckNeedsAHighDensityThreeAndAHalfInchDrive)
{
    DmfFormat dmf(world.context());
    world.drives.setDeviceType(kB, 1);
    EXPECT_EQ(dmf.capableDrives(), (std::array<bool, 2>{true, false}));
    EXPECT_TRUE(dmf.checkDrive(kA));
    world.prompter.expect("Drive B: cannot format DMF diskettes: a DMF format needs a 3.5-inch high density drive. "
                          "Choose drive A: instead.",
                          Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_FALSE(dmf.checkDrive(kB));

    world.drives.setDeviceType(kA, 2); // 1.2 MB, 5.25-inch
    world.prompter.expect(std::string(DmfFormat::kNoCapableDrive), Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_FALSE(dmf.checkDrive(kA));
}

TEST_F(DmfFormatTest, WithoutTheSectorDriverNothingIsTouched)
{
    world.prompter.expect("TRAKDSK.VXD is not loaded!", Buttons::Ok, Icon::Information, Answer::Ok);
    EXPECT_EQ(DmfFormat(world.context(false)).FormatDmf(labelled("")), 0);
    EXPECT_TRUE(world.faults.requests().empty());
    world.prompter.expectStart("\"TWELVECHARSX\" cannot be a volume label", Icon::Exclamation, Answer::Ok);
    EXPECT_EQ(format(labelled("TWELVECHARSX")), 0);
    EXPECT_TRUE(world.faults.requests().empty());
}

// ---- The copy's unformatted-target path ----

TEST_F(DmfFormatTest, CopyOfADmfImageFormatsTheTargetDmfWithoutALabel)
{
    test::MtoolsImage source(test::MtoolsImage::Maker::Mformat, "-t 80 -h 2 -s 21 -c 4 -r 1");
    source.label("SOURCE");
    source.addFile("/DATA.BIN", std::vector<std::uint8_t>(30'000, 0x5A));
    source.loadInto(world.doc);
    ASSERT_TRUE(world.doc.geometry.DmfLargeClusters);
    world.prompter.expect("Media is unformatted - do you wish to format?", Buttons::YesNo, Icon::Exclamation,
                          Answer::Yes);
    CopyFormatter formatter(world.context());
    CopyEngine(world.context(), formatter).RunCopy(kA, 1);

    EXPECT_EQ(world.doc.OperationState, kSuccessful);
    EXPECT_EQ(formattedCylinders().size(), 82u);
    const auto ids = DmfFormat::DmfSectorOrder(5);
    EXPECT_EQ(world.drives.sectorIds(kA, 5, 1), std::vector<std::uint8_t>(ids.begin(), ids.end()));
    EXPECT_EQ(test::readFile(blank), test::readFile(source.path()));
}

TEST_F(DmfFormatTest, NoLabelOptionWritesNoLabelWhateverTheText)
{
    DmfFormatOptions options = labelled("IGNORED");
    options.noLabel = true;
    ASSERT_EQ(format(options), 1);
    const auto bytes = test::readFile(blank);
    EXPECT_EQ(le32(bytes, 39), 0u);
    EXPECT_EQ(text(bytes, 43, 11), "NO NAME    ");
    EXPECT_EQ(bytes[3584], 0);
}

TEST_F(DmfFormatTest, CopyOfAnyOtherImageFormatsItsOwnLayoutInOrder)
{
    test::MtoolsImage source(test::MtoolsImage::Maker::Mformat, "-f 1440");
    source.loadInto(world.doc);
    world.prompter.expect("Media is unformatted - do you wish to format?", Buttons::YesNo, Icon::Exclamation,
                          Answer::Yes);
    CopyFormatter formatter(world.context());
    CopyEngine(world.context(), formatter).RunCopy(kA, 1);
    EXPECT_EQ(world.doc.OperationState, kSuccessful);
    EXPECT_EQ(formattedCylinders().size(), 80u);
    EXPECT_EQ(world.drives.sectorIds(kA, 0, 0)->front(), 1);
    EXPECT_EQ(test::readFile(blank), test::readFile(source.path()));
}

TEST_F(DmfFormatTest, CancelledDmfFormatEndsTheCopy)
{
    test::MtoolsImage source(test::MtoolsImage::Maker::Mformat, "-t 80 -h 2 -s 21 -c 4 -r 1");
    source.loadInto(world.doc);
    world.prompter.expect("Media is unformatted - do you wish to format?", Buttons::YesNo, Icon::Exclamation,
                          Answer::Yes);
    world.progress.pressCancelAtPump(3);
    world.prompter.expect(kAreYouSure, Buttons::YesNo, Icon::Question, Answer::Yes);
    CopyFormatter formatter(world.context());
    CopyEngine(world.context(), formatter).RunCopy(kA, 1);
    EXPECT_EQ(world.doc.OperationState, kCancelled) << "as the format left it";
    EXPECT_EQ(world.requestsOf(K::Write).size(), 4u) << "the format's system area and test sector, twice";
}

} // namespace
} // namespace vellum
