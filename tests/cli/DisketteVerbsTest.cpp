// vlm load and vlm write on virtual drives, run as a user runs them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/MtoolsImage.h"
#include "tests/support/TempDir.h"
#include "tests/support/VlmRunner.h"

namespace vellum {
namespace {

using test::shellQuoted;

using test::VlmRun;

constexpr std::size_t kTrack144 = 18 * 512;

class DisketteVerbs : public ::testing::Test {
protected:
    VlmRun vlm(const std::string& words) const { return test::runVlm(dir, words); }
    std::string path(const std::string& name) const { return shellQuoted((dir / name).string()); }
    void insert(const std::filesystem::path& medium) const
    {
        ASSERT_EQ(vlm("drive insert A: " + shellQuoted(medium.string())).status, 0);
    }

    test::TempDir dir;
};

TEST_F(DisketteVerbs, LoadThenWriteToABlankDisketteGivesADisketteTheToolsAccept)
{
    test::MtoolsImage source(test::MtoolsImage::Maker::MkfsFat, "1440");
    source.label("ROUNDTRIP");
    source.makeDirectories({"/LETTERS"});
    source.addFile("/README.TXT", "Read me first.\r\n");
    source.addFile("/LETTERS/LONG LETTER.TXT", std::string(70'000, 'x'));
    insert(source.path());

    const VlmRun load = vlm("load A: -o " + path("copy.img"));
    ASSERT_EQ(load.status, 0) << load.err;
    EXPECT_NE(load.out.find("  Last Operation:   Load Diskette\n  Last Operation Status:    Successful\n"),
              std::string::npos)
        << load.out;

    ASSERT_EQ(vlm("drive eject A:").status, 0);
    ASSERT_EQ(vlm("drive blank A: 1.44M -o " + path("blank.img")).status, 0);
    const VlmRun write = vlm("write " + path("copy.img") + " A: --verify --yes");
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_NE(write.out.find("  Last Operation:   Copy/Verify Diskette\n  Last Operation Status:    Successful\n"),
              std::string::npos)
        << write.out;

    const auto original = test::readFile(source.path());
    const auto written = test::readFile(dir / "blank.img");
    ASSERT_EQ(written.size(), original.size());
    // The load read the cylinders in use; every one of them reached the new diskette.
    const auto count = load.out.rfind('(');
    ASSERT_NE(count, std::string::npos) << load.out;
    const std::size_t usedTracks = std::stoul(load.out.substr(count + 1));
    EXPECT_LT(usedTracks, 160u);
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + usedTracks * kTrack144, written.begin()));
    const std::string fsck = test::runCommand("fsck.fat -n " + path("blank.img") + " 2>&1");
    EXPECT_NE(fsck.find("blank.img"), std::string::npos) << fsck;
    const std::string listing = test::runCommand("mdir -/ -i " + path("blank.img") + " :: 2>&1");
    EXPECT_NE(listing.find("ROUNDTRIP"), std::string::npos) << listing;
    EXPECT_NE(listing.find("LONG LETTER.TXT"), std::string::npos) << listing;
    const std::string copied = test::runCommand("mtype -i " + path("blank.img") + " ::/README.TXT");
    EXPECT_EQ(copied, "Read me first.\r\n");
}

TEST_F(DisketteVerbs, LoadFromAnEmptyDriveFailsAndWritesNothing)
{
    const VlmRun run = vlm("load A: -o " + path("none.img"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("  Last Operation Status:    Unsuccessful"), std::string::npos) << run.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "none.img"));
}

TEST_F(DisketteVerbs, WriteToADisketteOfAnotherSizeFails)
{
    test::MtoolsImage small(test::MtoolsImage::Maker::Mformat, "-f 720");
    test::MtoolsImage big(test::MtoolsImage::Maker::Mformat, "-f 1440");
    insert(big.path());
    const auto before = test::readFile(big.path());
    const VlmRun run = vlm("write " + shellQuoted(small.path().string()) + " A:");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Target Diskette must be the same size as source diskette!"), std::string::npos) << run.err;
    EXPECT_EQ(test::readFile(big.path()), before);
}

TEST_F(DisketteVerbs, UnformattedDisketteIsLeftAloneWithoutConsent)
{
    test::MtoolsImage image(test::MtoolsImage::Maker::Mformat, "-f 1440");
    ASSERT_EQ(vlm("drive blank A: 1.44M -o " + path("blank.img")).status, 0);
    const VlmRun run = vlm("write " + shellQuoted(image.path().string()) + " A: --copies 2");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Media is unformatted - do you wish to format?"), std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "blank.img.unformatted"));
}

TEST_F(DisketteVerbs, BadWordsAreUsageErrors)
{
    EXPECT_EQ(vlm("write x.img A: --copies 0").status, 2);
    EXPECT_EQ(vlm("write x.img A: --copies 100").status, 2);
    EXPECT_EQ(vlm("write x.img C:").status, 2);
    EXPECT_EQ(vlm("load A:").status, 2) << "no -o";

    const VlmRun unknown = vlm("drive bogus A:");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown command \"bogus\""), std::string::npos) << unknown.err;
    const VlmRun empty = vlm("drive protect A:");
    EXPECT_EQ(empty.status, 1) << "no diskette to protect";
    EXPECT_NE(empty.err.find("There is no diskette in A: to protect"), std::string::npos) << empty.err;
}

TEST_F(DisketteVerbs, YesGivesUpOnAPersistentErrorInsteadOfRetryingForever)
{
    test::MtoolsImage source(test::MtoolsImage::Maker::MkfsFat, "1440");
    ASSERT_EQ(vlm("convert " + shellQuoted(source.path().string()) + " " + path("image.img")).status, 0);
    for (const std::string& words : {"load A: -o " + path("out.img") + " --yes", "write " + path("image.img") + " A: --yes",
                                    "compare " + path("image.img") + " A: --yes"}) {
        const VlmRun run = vlm(words);
        EXPECT_EQ(run.status, 1) << words;
        EXPECT_NE(run.err.find("-> Cancel (--yes gives up after 3 tries)"), std::string::npos) << run.err;
    }
}

TEST_F(DisketteVerbs, AnImageHeldInPartIsNeitherWrittenNorCompared)
{
    test::MtoolsImage source(test::MtoolsImage::Maker::MkfsFat, "2880");
    ASSERT_EQ(vlm("drive type A: 9").status, 0);
    ASSERT_EQ(vlm("drive blank A: 2.88M -o " + path("blank.img")).status, 0);
    const std::string image = shellQuoted(source.path().string());
    for (const std::string& words : {"write " + image + " A: --verify --format --yes", "compare " + image + " A:"}) {
        const VlmRun run = vlm(words);
        EXPECT_EQ(run.status, 1) << words;
        EXPECT_NE(run.out.find("Unsuccessful"), std::string::npos) << run.out;
        EXPECT_NE(run.err.find("Memory holds only the first 93 tracks"), std::string::npos) << run.err;
    }
}

TEST_F(DisketteVerbs, ADisketteWhoseLayoutNoImageKeepsIsNotLoaded)
{
    test::MtoolsImage source(test::MtoolsImage::Maker::MkfsFat, "1440");
    auto bytes = test::readFile(source.path());
    bytes[24] = 5; // sectors per track
    test::writeFile(dir / "odd.img", bytes);
    insert(dir / "odd.img");
    const VlmRun run = vlm("load A: -o " + path("odd.VLM"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("describes 5 sectors per track and 2,880 sectors in all, a layout no diskette image can "
                           "keep"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "odd.VLM"));
}

} // namespace
} // namespace vellum
