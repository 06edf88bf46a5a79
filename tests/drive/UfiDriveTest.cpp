#include <gtest/gtest.h>

#include <algorithm>

#include "core/CVLMDoc.h"
#include "drive/DriveStatus.h"
#include "drive/LinuxFloppyBackend.h"
#include "ops/CylinderFormatter.h"
#include "ops/DisketteShell.h"
#include "tests/drive/FakeSystemCalls.h"
#include "tests/support/MemoryProfile.h"
#include "tests/support/RecordingProgress.h"
#include "tests/support/RecordingShell.h"
#include "tests/support/ScriptedPrompter.h"

namespace vellum {
namespace {

using test::FakeSystemCalls;
using Bytes = std::vector<std::uint8_t>;

CylinderFormat inOrder(std::uint32_t cylinder, std::uint8_t sectors)
{
    CylinderFormat f;
    f.cylinder = cylinder;
    for (auto& ids : f.sectorIds)
        for (std::uint8_t id = 1; id <= sectors; ++id)
            ids.push_back(id);
    return f;
}

// A USB diskette drive on /dev/sdb answering UFI commands.
class UfiDrive : public ::testing::Test {
protected:
    UfiDrive()
    {
        sys.floppy = false;
        sys.scsi = true;
    }
    Bytes opcodes() const
    {
        Bytes codes;
        for (const auto& c : sys.scsiCommands)
            codes.push_back(c.block[0]);
        return codes;
    }

    FakeSystemCalls sys;
    LinuxFloppyBackend backend{sys, {"/dev/sdb", ""}};
};

TEST_F(UfiDrive, CommandBlocksAndFormatDescriptorsFollowTheUfiLayouts)
{
    ASSERT_EQ(backend.checkMedia(0), kStatusOk);
    ASSERT_EQ(backend.formatCylinder(0, inOrder(5, 18)), kStatusOk);
    ASSERT_EQ(backend.formatCylinder(0, inOrder(79, 9)), kStatusOk);
    ASSERT_EQ(sys.scsiCommands.size(), 7u);
    EXPECT_EQ(sys.scsiCommands[0].block, (Bytes{0x23, 0, 0, 0, 0, 0, 0, 0, 0xFC, 0, 0, 0}));
    EXPECT_EQ(sys.scsiCommands[1].block, (Bytes{0x5A, 0, 0x3F, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0}))
        << "write protection is asked before the format";
    // FORMAT UNIT: FmtData, defect list format 7, the track, a 12-byte parameter list.
    EXPECT_EQ(sys.scsiCommands[2].block, (Bytes{0x04, 0x17, 5, 0, 0, 0, 0, 0, 12, 0, 0, 0}));
    // FOV, DCRT and single track with the side; 8 descriptor bytes: 2880 blocks of 512.
    EXPECT_EQ(sys.scsiCommands[2].dataOut, (Bytes{0, 0xB0, 0, 8, 0, 0, 0x0B, 0x40, 0, 0, 0x02, 0}));
    EXPECT_EQ(sys.scsiCommands[3].dataOut, (Bytes{0, 0xB1, 0, 8, 0, 0, 0x0B, 0x40, 0, 0, 0x02, 0}));
    EXPECT_EQ(sys.scsiCommands[5].block[2], 79);
    EXPECT_EQ(sys.scsiCommands[6].dataOut, (Bytes{0, 0xB1, 0, 8, 0, 0, 0x05, 0xA0, 0, 0, 0x02, 0}))
        << "720K: 1440 blocks";
    EXPECT_EQ(backend.endFormat(0), kStatusOk);
    EXPECT_EQ(sys.closes, 1) << "opened again, the disk takes its new size";
}

TEST_F(UfiDrive, TheDriveTellsTheDisketteWithOrWithoutReadFormatCapacities)
{
    using D = FakeSystemCalls::Diskette;
    for (const bool capacities : {true, false}) {
        sys.formatCapacities = capacities;
        for (const auto& [diskette, bytes, status] :
             {std::tuple{D::Formatted, 1474560, kStatusOk}, {D::Formatted, 737280, kStatusOk},
              {D::Formatted, 1'000'000, kStatusWrongMedia}, {D::Unformatted, 1474560, kStatusUnformatted},
              {D::None, 1474560, kStatusNotReady}}) {
            sys.diskette = diskette;
            sys.medium.resize(static_cast<std::size_t>(bytes));
            sys.scsiCommands.clear();
            EXPECT_EQ(backend.checkMedia(0), status) << capacities << " " << bytes;
            EXPECT_EQ(opcodes(), (capacities ? Bytes{0x23} : Bytes{0x23, 0x25})) << "an ILLEGAL REQUEST falls back";
        }
    }
    EXPECT_FALSE(sys.asked(FakeSystemCalls::kRead)) << "the drive's answer is enough";
    sys.diskette = D::Formatted;
    EXPECT_EQ(backend.formatCylinder(0, inOrder(0, 15)), kStatusWrongMedia) << "no list holds a 1.2M format";
}

TEST_F(UfiDrive, RefusesWhatTheDiskettesTabOrAUfiDriveForbidsBeforeWriting)
{
    for (const std::uint8_t code : {kFormatCode720, kFormatCode144, kFormatCode12})
        EXPECT_EQ(backend.formatRefusal(0, standardFormat(code)), "");
    EXPECT_EQ(backend.formatCylinder(0, inOrder(0, 21)), kStatusInvalid);
    EXPECT_EQ(backend.formatCylinder(0, inOrder(0, 15)), kStatusWrongMedia) << "1.2M is not in the drive's list";
    sys.formattable.push_back(2400);
    EXPECT_EQ(backend.formatCylinder(0, inOrder(0, 15)), kStatusOk);

    sys.scsiCommands.clear();
    sys.writeProtectBit = true;
    EXPECT_EQ(backend.writeSectors(0, 0, Bytes(512, 1)), kStatusWriteProtect);
    EXPECT_EQ(backend.formatCylinder(0, inOrder(0, 18)), kStatusWriteProtect);
    EXPECT_EQ(sys.writes, 0);
    EXPECT_EQ(opcodes(), (Bytes{0x5A, 0x5A})) << "no FORMAT UNIT was sent";
}

TEST_F(UfiDrive, ACancelEndsTheFormatAtTheNextCylinderAndAnUnplugEndsItWithAMessage)
{
    test::MemoryProfile profile;
    test::ScriptedPrompter prompter;
    CVLMDoc doc(profile, prompter);
    doc.geometry = standardFormat(kFormatCode144).geometry();
    test::RecordingProgress progress(prompter);
    progress.pressCancelAtPump(4); // cylinder 0 shown, then a check and a show for cylinder 1
    prompter.expect("Are you sure?", Buttons::YesNo, Icon::Question, Answer::Yes);
    EXPECT_FALSE(CylinderFormatter(doc, backend, prompter, &progress).formatDiskette(0));
    const Bytes sent = opcodes();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 0x04), 4);
    EXPECT_EQ(sys.closes, 1) << "the format was ended";

    sys.scsiCommands.clear();
    prompter.expect("Cannot format the diskette in A: cylinder 3: " + CVLMDoc::statusText(kStatusNoDevice),
                    Buttons::Ok, Icon::Exclamation, Answer::Ok);
    sys.unplugAfter = 3 * 3; // a MODE SENSE and two FORMAT UNITs for each of cylinders 0-2
    EXPECT_FALSE(CylinderFormatter(doc, backend, prompter).formatDiskette(0));
}

TEST_F(UfiDrive, DisketteFormatLaysEveryTrackThroughTheDriveThenTheFileSystem)
{
    test::RecordingShell shell;
    DisketteShell disk(shell, &backend);
    const DisketteShell::Target target{"/dev/sdb", true, 0};
    EXPECT_TRUE(disk.format(target, *formatNamed("720K"), true, "").ok());
    const Bytes sent = opcodes();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 0x04), 160);
    EXPECT_EQ(shell.lines, std::vector<std::string>{"mformat -i /dev/sdb -f 720 ::"});

    sys.scsiCommands.clear();
    for (const char* capacity : {"1.68M", "360K"}) {
        const std::string why = DisketteShell::reason(disk.format(target, *formatNamed(capacity), true, ""));
        EXPECT_NE(why.find("A USB diskette drive cannot lay a " + std::string(formatNamed(capacity)->name)),
                  std::string::npos);
    }
    EXPECT_TRUE(sys.scsiCommands.empty()) << "refused before anything is written";
    EXPECT_EQ(shell.lines.size(), 1u);
}

} // namespace
} // namespace vellum
