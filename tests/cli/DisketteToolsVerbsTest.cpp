// vlm label and format-dmf, run as a user runs them.
#include <gtest/gtest.h>

#include "tests/support/MtoolsImage.h"
#include "tests/support/TempDir.h"
#include "tests/support/VlmRunner.h"

namespace vellum {
namespace {

using test::runVlm;
using test::shellQuoted;

class LabelVerb : public ::testing::Test {
protected:
    std::string q(const std::filesystem::path& p) const { return shellQuoted(p.string()); }
    std::string mlabel(const std::filesystem::path& p) const
    {
        return test::runCommand("mlabel -s -i " + q(p) + " ::");
    }

    test::MtoolsImage image{test::MtoolsImage::Maker::Mformat, "-f 1440"};
    test::TempDir dir;
};

TEST_F(LabelVerb, SetsAndDeletesTheLabelOfARawImageInPlace)
{
    image.addFile("/KEEP.TXT", "kept");
    auto run = runVlm(dir, "label " + q(image.path()) + " 'my disk'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(mlabel(image.path()), " Volume label is MY DISK    \n");
    EXPECT_EQ(image.extract("/KEEP.TXT"), (std::vector<std::uint8_t>{'k', 'e', 'p', 't'}));

    run = runVlm(dir, "label " + q(image.path()) + " --delete");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(mlabel(image.path()), " Volume has no label\n");

    // After "--" a label that looks like an option is still the label.
    run = runVlm(dir, "label " + q(image.path()) + " -- -X-");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(mlabel(image.path()), " Volume label is -X-        \n");
    EXPECT_TRUE(test::fsckClean(image.path()));
}

TEST_F(LabelVerb, VlmFileKeepsItsDescriptionAndShowsTheNewLabel)
{
    const auto vlm = dir / "disk.VLM";
    ASSERT_EQ(runVlm(dir, "convert " + q(image.path()) + " " + q(vlm) + " --description 'my notes'").status, 0);
    const auto run = runVlm(dir, "label " + q(vlm) + " NOTES");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto info = runVlm(dir, "info " + q(vlm));
    EXPECT_NE(info.out.find("Volume label:    NOTES\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Description:     my notes\n"), std::string::npos) << info.out;
}

TEST_F(LabelVerb, BadWordsAreUsageErrorsAndLeaveTheFileAlone)
{
    const auto before = test::readFile(image.path());
    for (const std::string words : {"TWELVECHARSX", "", "NAME --delete", "'caf\xc3\xa9'"}) {
        const auto run = runVlm(dir, "label " + q(image.path()) + " " + words);
        EXPECT_EQ(run.status, 2) << words;
        EXPECT_NE(run.err.find("usage: vlm label"), std::string::npos) << run.err;
    }
    EXPECT_EQ(test::readFile(image.path()), before);
}

TEST_F(LabelVerb, EveryVerbRefusesWhatFsckCallsAnInvalidLabelWithOneMessage)
{
    ASSERT_EQ(runVlm(dir, "drive blank A: 1.44M -o " + q(dir / "blank.img")).status, 0);
    const auto before = test::readFile(image.path());
    for (const char c : std::string("\"*+,./:;<=>?[\\]| ")) {
        const std::string text = c == ' ' ? " LEAD" : std::string("A") + c + "B";
        // One message, after each verb's "vlm VERB: ".
        const std::string message = ": \"" + text + "\" cannot be a volume label: it takes";
        for (const std::string& words : {"label " + q(image.path()) + " -- " + q(text),
                                         "new 1.44M -o " + q(dir / "new.img") + " --label " + q(text),
                                         "format-dmf A: --label " + q(text)}) {
            const auto run = runVlm(dir, words);
            EXPECT_EQ(run.status, 2) << words;
            EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        }
    }
    EXPECT_EQ(test::readFile(image.path()), before);
    EXPECT_FALSE(std::filesystem::exists(dir / "new.img"));

    // Without a label the volume is "NO NAME", which fsck.fat takes.
    ASSERT_EQ(runVlm(dir, "format-dmf A:").status, 0);
    EXPECT_TRUE(test::fsckClean(dir / "blank.img"));
    const auto dmf = test::readFile(dir / "blank.img");
    EXPECT_EQ(std::string(dmf.begin() + 43, dmf.begin() + 54), "NO NAME    ");
}

class FormatDmfVerb : public ::testing::Test {
protected:
    test::VlmRun vlm(const std::string& words) const { return runVlm(dir, words); }
    std::string path(const std::string& name) const { return shellQuoted((dir / name).string()); }

    test::TempDir dir;
};

TEST_F(FormatDmfVerb, FormatsABlankDisketteThatTheToolsAcceptWithItsLabel)
{
    ASSERT_EQ(vlm("drive blank A: 1.44M -o " + path("dmf.img")).status, 0);
    const auto run = vlm("format-dmf A: --label 'Ship Kit'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Format DMF Diskette\n  Last Operation Status:    Successful\n"), std::string::npos)
        << run.out;
    EXPECT_EQ(test::runCommand("fsck.fat -n " + path("dmf.img") + " >/dev/null; echo $?"), "0\n");
    EXPECT_EQ(test::runCommand("mlabel -s -i " + path("dmf.img") + " ::"), " Volume label is SHIP KIT   \n");

    // Now that it is DMF, a quick format asks nothing and keeps it so.
    const auto quick = vlm("format-dmf A: --quick --label again");
    ASSERT_EQ(quick.status, 0) << quick.err;
    EXPECT_EQ(test::runCommand("mlabel -s -i " + path("dmf.img") + " ::"), " Volume label is AGAIN      \n");
}

TEST_F(FormatDmfVerb, QuickFormatOfAnotherDisketteIsRefusedWithoutAnAnswer)
{
    ASSERT_EQ(vlm("drive blank A: 1.44M -o " + path("blank.img")).status, 0);
    const auto before = test::readFile(dir / "blank.img");
    const auto run = vlm("format-dmf A: --quick");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("must already be formatted as a DMF diskette"), std::string::npos) << run.err;
    EXPECT_EQ(test::readFile(dir / "blank.img"), before);
}

TEST_F(FormatDmfVerb, LabelTooLongIsAUsageError)
{
    const auto run = vlm("format-dmf A: --label TWELVECHARSX");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("at most 11"), std::string::npos) << run.err;
}

class CompareVerb : public ::testing::Test {
protected:
    void SetUp() override
    {
        image.addFile("/NOTES.TXT", std::string(3000, 'n'));
        disk = dir / "disk.img";
        test::writeFile(disk, test::readFile(image.path()));
        ASSERT_EQ(runVlm(dir, "drive insert A: " + shellQuoted(disk.string())).status, 0);
    }
    void change(std::size_t offset)
    {
        auto bytes = test::readFile(disk);
        bytes[offset] ^= 0xFF;
        test::writeFile(disk, bytes);
    }
    test::VlmRun compare(const std::string& extra = "") const
    {
        return runVlm(dir, "compare " + shellQuoted(image.path().string()) + " A: " + extra);
    }

    test::MtoolsImage image{test::MtoolsImage::Maker::Mformat, "-f 1440"};
    test::TempDir dir;
    std::filesystem::path disk;
};

TEST_F(CompareVerb, EqualDisketteExitsZeroAndNoDisketteIsNoMatch)
{
    const auto run = compare();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("0 differences\n  Last Operation:"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Successful"), std::string::npos) << run.out;

    ASSERT_EQ(runVlm(dir, "drive eject A:").status, 0);
    const auto none = compare();
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out.find("differences"), std::string::npos) << none.out;
    EXPECT_NE(none.out.find("Unsuccessful"), std::string::npos) << none.out;

    // A report nowhere to be written is refused before the diskette is read.
    const auto nowhere = compare("--report " + shellQuoted((dir / "no-such-folder/r.txt").string()));
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_NE(nowhere.err.find("there is no folder"), std::string::npos) << nowhere.err;
    EXPECT_EQ(nowhere.out, "");
}

TEST_F(CompareVerb, PrintsEveryDifferenceAndReportsTheFirst)
{
    change(17 * 512 + 4);            // last sector of track 1
    change(18 * 512 + 2 * 512 + 9);  // track 2, sector 3 (root directory)
    change(18 * 512 + 2 * 512 + 10); // same sector: skipped
    change(18 * 512 + 5 * 512);      // track 2, sector 6
    const auto report = dir / "first.txt";
    const auto run = compare("--report " + shellQuoted(report.string()));
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.out.find("Difference 1: FAT 2, track 1, sector 18, offset 4\n"
                           "Trk 1,Sec 18,Ofs 4        Diskette   Memory\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Difference 2: Root Directory, track 2, sector 3, offset 9\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Difference 3: Root Directory, track 2, sector 6, offset 0\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("3 differences\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("end of the track"), std::string::npos) << "never asked";
    const auto text = test::readFile(report);
    ASSERT_EQ(text.size(), 44u + 81 + 64 * 81);
    EXPECT_EQ(std::string(text.begin(), text.begin() + 44), "Trk 1,Sec 18,Ofs 4        Diskette   Memory\n");
}

} // namespace
} // namespace vellum
