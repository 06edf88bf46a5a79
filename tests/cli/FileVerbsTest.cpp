// vlm extract, rm, mv and rename, run as a user runs them, with mtools and
// fsck.fat as the judges of what they wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <csignal>
#include <fcntl.h>
#include <random>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/support/MtoolsImage.h"
#include "tests/support/TempDir.h"
#include "tests/support/VlmRunner.h"

namespace vellum {
namespace {

using test::MtoolsImage;
using test::randomBytes;
using test::readFile;
using test::runVlm;
using test::VlmRun;
namespace fs = std::filesystem;

std::string q(const fs::path& p)
{
    return test::shellQuoted(p.string());
}

const std::vector<std::string> kFiles = {"/README.TXT", "/DOCS/Report for 1998.txt", "/DOCS/Old Letters/Grandma.txt",
                                         "/DOCS/Old Letters/EMPTY.TXT"};

void fill(MtoolsImage& image)
{
    image.makeDirectories({"/DOCS", "/DOCS/Old Letters"});
    for (std::size_t i = 0; i < kFiles.size(); ++i)
        image.addFile(kFiles[i], randomBytes(i == 3 ? 0 : 700 * i + 13, static_cast<unsigned>(i)));
}

class ExtractEveryFormat : public ::testing::TestWithParam<const char*> {};

TEST_P(ExtractEveryFormat, BytesEqualMcopys)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, GetParam());
    fill(image);
    test::TempDir dir;
    const VlmRun run = runVlm(dir, "extract " + q(image.path()) + " -o " + q(dir / "out"));
    ASSERT_EQ(run.status, 0) << run.err;
    for (const std::string& file : kFiles)
        EXPECT_EQ(readFile(dir.path() / ("out" + file)), image.extract(file)) << file;

    // Existing files are kept unless --overwrite; a folder named alone comes with its tree.
    const VlmRun again = runVlm(dir, "extract " + q(image.path()) + " docs -o " + q(dir / "out"));
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already exists; it is kept."), std::string::npos) << again.err;
    const VlmRun flat = runVlm(dir, "extract " + q(image.path()) + " docs --flat --overwrite -o " + q(dir / "out"));
    ASSERT_EQ(flat.status, 0) << flat.err;
    EXPECT_EQ(readFile(dir / "out/Grandma.txt"), image.extract("/DOCS/Old Letters/Grandma.txt"));

    // A file its clusters cannot hold is not saved, and --overwrite is no cure.
    auto bytes = readFile(image.path());
    const std::string entry = "README  TXT";
    const auto at = std::search(bytes.begin(), bytes.end(), entry.begin(), entry.end());
    ASSERT_NE(at, bytes.end());
    at[29] = 0x10; // 4 KB and more in one cluster
    test::writeFile(dir / "short.img", bytes);
    const VlmRun cut = runVlm(dir, "extract " + q(dir / "short.img") + " README.TXT -o " + q(dir / "cut"));
    EXPECT_EQ(cut.status, 1);
    EXPECT_NE(cut.err.find("1 file not extracted\n"), std::string::npos) << cut.err;
    EXPECT_FALSE(fs::exists(dir / "cut/README.TXT"));
}

INSTANTIATE_TEST_SUITE_P(Formats, ExtractEveryFormat,
                         ::testing::Values("-f 720", "-f 1200", "-f 1440", "-t 80 -h 2 -s 21 -c 4 -r 1 -m 0xF0"));

TEST(FileVerbs, RmMvAndRenameLeaveAVolumeMtoolsAndFsckAccept)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
    fill(image);
    test::TempDir dir;
    const std::size_t before = test::mdirFreeBytes(image.path());

    const VlmRun mv = runVlm(dir, "mv " + q(image.path()) + " 'docs/report for 1998.txt' -o " + q(dir.path()));
    ASSERT_EQ(mv.status, 0) << mv.err;
    EXPECT_EQ(readFile(dir / "Report for 1998.txt"), randomBytes(713, 1));
    EXPECT_EQ(test::mdirFreeBytes(image.path()), before + 2 * 512);
    const VlmRun onto = runVlm(dir, "mv " + q(image.path()) + " README.TXT --overwrite -o " + q(image.path()));
    EXPECT_EQ(onto.status, 2) << "a file moved onto its own image would be lost";
    EXPECT_EQ(test::mdirFreeBytes(image.path()), before + 2 * 512);

    const VlmRun rename = runVlm(dir, "rename " + q(image.path()) + " README.TXT 'A longer name, renamed.txt'");
    ASSERT_EQ(rename.status, 0) << rename.err;
    const VlmRun clash = runVlm(dir, "rename " + q(image.path()) + " DOCS 'a longer name, renamed.txt'");
    EXPECT_EQ(clash.status, 1);
    const VlmRun dots = runVlm(dir, "rename " + q(image.path()) + " DOCS ' . .'");
    EXPECT_EQ(dots.status, 2) << "a name of blanks and dots is refused out loud";
    EXPECT_NE(dots.err.find("is no name"), std::string::npos) << dots.err;
    const auto root = image.mdir("/");
    ASSERT_EQ(root.size(), 2u);
    EXPECT_EQ(root[1].longName, "A longer name, renamed.txt");
    EXPECT_EQ(root[1].shortName, "ALONGE~1.TXT");

    // One missing path leaves the image as it was, and nothing is told removed.
    const VlmRun missing = runVlm(dir, "rm " + q(image.path()) + " DOCS NOSUCH.TXT");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(image.mdir("/").size(), 2u);

    const VlmRun rm = runVlm(dir, "rm " + q(image.path()) + " DOCS");
    ASSERT_EQ(rm.status, 0) << rm.err;
    EXPECT_EQ(image.mdir("/").size(), 1u);
    EXPECT_EQ(test::mdirFreeBytes(image.path()), before + (2 + 2 + 3) * 512); // the report, two folders and Grandma's 1,413 bytes
    EXPECT_TRUE(test::fsckClean(image.path()));
}

TEST(FileVerbs, AVlmFileNamedWithoutVlmStaysOne)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
    fill(image);
    test::TempDir dir;
    ASSERT_EQ(runVlm(dir, "convert " + q(image.path()) + " " + q(dir / "kept.VLM") + " --description 'My disk'").status, 0);
    fs::rename(dir / "kept.VLM", dir / "kept");
    for (const std::string& words : {"label " + q(dir / "kept") + " NEWLABEL", "rm " + q(dir / "kept") + " README.TXT"}) {
        const VlmRun run = runVlm(dir, words);
        ASSERT_EQ(run.status, 0) << words << ": " << run.err;
    }
    const VlmRun info = runVlm(dir, "info " + q(dir / "kept"));
    const auto magic = readFile(dir / "kept");
    EXPECT_EQ(std::string(magic.begin() + 1, magic.begin() + 4), "VLM");
    EXPECT_NE(info.out.find("NEWLABEL"), std::string::npos) << info.out;
    ASSERT_EQ(runVlm(dir, "convert " + q(dir / "kept") + " " + q(dir / "back.img")).status, 0);
    EXPECT_EQ(runVlm(dir, "ls " + q(dir / "back.img")).out.find("README"), std::string::npos);
}

TEST(FileVerbs, NewImagesOfEveryFormatPassFsckAndAddPutsATreeOnOne)
{
    test::TempDir dir;
    for (const std::string format : {"360K", "720K", "1.2M", "1.44M", "DMF"}) {
        const fs::path img = dir / ("new-" + format + ".img");
        const VlmRun run = runVlm(dir, "new " + format + " -o " + q(img) + " --label 'My disk'");
        ASSERT_EQ(run.status, 0) << format << ": " << run.err;
        EXPECT_TRUE(test::fsckClean(img)) << format;
        EXPECT_NE(test::runCommand("mdir -i " + q(img) + " ::").find("Volume in drive : is MY DISK"), std::string::npos);
    }
    EXPECT_EQ(fs::file_size(dir / "new-DMF.img"), 1'720'320u);
    EXPECT_EQ(runVlm(dir, "new 1.44M -o " + q(dir / "new-DMF.img")).status, 1) << "an existing file is kept";
    EXPECT_EQ(runVlm(dir, "new 1.44M -o " + q(dir / "utf8.img") + " --label 'Café'").status, 2)
        << "a label is stored byte for byte, so only ASCII";
    EXPECT_FALSE(fs::exists(dir / "utf8.img"));

    // A .VLM stays one; a tree goes into the root, a file into a folder named with -d.
    const fs::path vlm = dir / "disk.VLM";
    ASSERT_EQ(runVlm(dir, "new DMF -o " + q(vlm)).status, 0);
    fs::create_directories(dir / "host/Tree/Level 2");
    test::writeFile(dir / "host/Tree/Level 2/deep.bin", randomBytes(5000, 4));
    test::writeFile(dir / "host/Notes for the road.txt", randomBytes(300, 5));
    const VlmRun add = runVlm(dir, "add " + q(vlm) + " " + q(dir / "host/Tree") + " " + q(dir / "host/Notes for the road.txt"));
    ASSERT_EQ(add.status, 0) << add.err;
    const VlmRun into = runVlm(dir, "add " + q(vlm) + " " + q(dir / "host/Notes for the road.txt") + " -d 'tree/level 2'");
    ASSERT_EQ(into.status, 0) << into.err;
    const VlmRun clash = runVlm(dir, "add " + q(vlm) + " " + q(dir / "host/Notes for the road.txt"));
    EXPECT_EQ(clash.status, 1);
    EXPECT_NE(clash.err.find("already"), std::string::npos) << clash.err;
    test::writeFile(dir / "host/Notes for the road.txt", randomBytes(100, 6));
    ASSERT_EQ(runVlm(dir, "add " + q(vlm) + " " + q(dir / "host/Notes for the road.txt") + " --overwrite").status, 0);

    const auto magic = readFile(vlm);
    EXPECT_EQ(std::string(magic.begin() + 1, magic.begin() + 4), "VLM");
    ASSERT_EQ(runVlm(dir, "convert " + q(vlm) + " " + q(dir / "back.img")).status, 0);
    EXPECT_TRUE(test::fsckClean(dir / "back.img"));
    const auto get = [&](const std::string& path) {
        return test::runCommand("mtype -i " + q(dir / "back.img") + " " + q("::" + path));
    };
    const auto text = [](const std::vector<std::uint8_t>& b) { return std::string(b.begin(), b.end()); };
    EXPECT_EQ(get("/Tree/Level 2/deep.bin"), text(randomBytes(5000, 4)));
    EXPECT_EQ(get("/Tree/Level 2/Notes for the road.txt"), text(randomBytes(300, 5)));
    EXPECT_EQ(get("/Notes for the road.txt"), text(randomBytes(100, 6)));
}

TEST(FileVerbs, AddGivesNamesFatTakesForOneUniqueEntriesOrRefusesThem)
{
    test::TempDir dir;
    const fs::path img = dir / "disk.img";
    ASSERT_EQ(runVlm(dir, "new 1.44M -o " + q(img)).status, 0);
    fs::create_directories(dir / "cased");
    test::writeFile(dir / "cased/a.txt", randomBytes(1, 1));
    test::writeFile(dir / "cased/A.TXT", randomBytes(1, 2));
    const auto before = readFile(img);
    const VlmRun cased = runVlm(dir, "add " + q(img) + " " + q(dir / "cased"));
    EXPECT_EQ(cased.status, 1);
    EXPECT_NE(cased.err.find("they are one name"), std::string::npos) << cased.err;
    EXPECT_EQ(readFile(img), before);

    // A long name whose short name is another file's own name, in a folder and given alone.
    fs::create_directories(dir / "tails");
    test::writeFile(dir / "tails/A long.txt", randomBytes(10, 3));
    test::writeFile(dir / "tails/ALONG~1.TXT", randomBytes(10, 4));
    for (const std::string& words : {"add " + q(img) + " " + q(dir / "tails"),
                                     "add " + q(img) + " " + q(dir / "tails/A long.txt") + " " +
                                         q(dir / "tails/ALONG~1.TXT"),
                                     "rm " + q(img) + " 'tails/a long.txt'"}) {
        const VlmRun run = runVlm(dir, words);
        ASSERT_EQ(run.status, 0) << words << ": " << run.err;
        EXPECT_TRUE(test::fsckClean(img)) << words;
    }
    const std::string root = test::runCommand("mdir -i " + q(img) + " ::");
    EXPECT_NE(root.find("ALONG~2  TXT        10"), std::string::npos) << root;
    EXPECT_EQ(test::runCommand("mtype -i " + q(img) + " ::tails/ALONG~1.TXT"),
              std::string(reinterpret_cast<const char*>(randomBytes(10, 4).data()), 10));
}

TEST(FileVerbs, AnImageHeldInPartIsNeitherChangedNorCalledDamaged)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 2880");
    image.addFile("/NOTE.TXT", "note");
    image.addFile("/BIG.BIN", randomBytes(2'000'000, 9)); // past the tracks memory holds
    test::TempDir dir;
    test::writeFile(dir / "host.txt", randomBytes(10, 8));
    const auto before = readFile(image.path());
    for (const std::string& words : {"add " + q(image.path()) + " " + q(dir / "host.txt"),
                                     "rm " + q(image.path()) + " NOTE.TXT",
                                     "mv " + q(image.path()) + " NOTE.TXT -o " + q(dir / "moved.txt")}) {
        const VlmRun run = runVlm(dir, words);
        EXPECT_EQ(run.status, 1) << words;
        EXPECT_NE(run.err.find("cannot be saved whole"), std::string::npos) << words << ": " << run.err;
        EXPECT_EQ(run.err.find("no room"), std::string::npos) << words << ": " << run.err;
    }
    EXPECT_FALSE(fs::exists(dir / "moved.txt"));
    EXPECT_EQ(readFile(image.path()), before);

    const VlmRun extract = runVlm(dir, "extract " + q(image.path()) + " BIG.BIN -o " + q(dir / "out"));
    EXPECT_EQ(extract.status, 1);
    EXPECT_NE(extract.err.find("beyond the tracks of this diskette held in memory"), std::string::npos) << extract.err;
    EXPECT_EQ(extract.err.find("Check the diskette for errors"), std::string::npos) << extract.err;
}

TEST(FileVerbs, AFolderStartingAtClusterZeroIsNotTakenForTheRoot)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
    image.makeDirectories({"/D"});
    image.addFile("/ROOT.TXT", "in the root");
    auto bytes = readFile(image.path());
    const std::string entry = "D          ";
    const auto at = std::search(bytes.begin(), bytes.end(), entry.begin(), entry.end());
    ASSERT_NE(at, bytes.end());
    at[26] = at[27] = 0;
    test::TempDir dir;
    test::writeFile(dir / "d.img", bytes);
    test::writeFile(dir / "host.txt", randomBytes(10, 8));

    const VlmRun extract = runVlm(dir, "extract " + q(dir / "d.img") + " D -o " + q(dir / "out"));
    EXPECT_EQ(extract.status, 1);
    EXPECT_NE(extract.err.find("no cluster of its own"), std::string::npos) << extract.err;
    EXPECT_FALSE(fs::exists(dir / "out/D/ROOT.TXT"));
    // Neither that folder nor one whose cluster lies past the volume is taken for the root.
    for (const std::uint8_t high : {0x00, 0x0F}) {
        at[27] = high; // cluster 0, or 3840
        test::writeFile(dir / "d.img", bytes);
        const VlmRun add = runVlm(dir, "add " + q(dir / "d.img") + " " + q(dir / "host.txt") + " -d D");
        EXPECT_EQ(add.status, 1);
        EXPECT_NE(add.err.find("vlm: error: The folder \"D\" has no cluster"), std::string::npos) << add.err;
        EXPECT_EQ(readFile(dir / "d.img"), bytes);
    }
}

TEST(FileVerbs, AddTakesWhatTheHostHoldsAsDosAndMcopyWouldName)
{
    test::TempDir dir;
    const fs::path img = dir / "disk.img";
    ASSERT_EQ(runVlm(dir, "new 1.44M -o " + q(img)).status, 0);
    // Links fanning out from every level and back to the top: each folder is entered once.
    fs::create_directories(dir / "tree/level/deep");
    test::writeFile(dir / "tree/level/deep/leaf.txt", randomBytes(10, 1));
    for (int i = 0; i < 16; ++i) {
        fs::create_directory_symlink(dir / "tree/level", dir / ("tree/link" + std::to_string(i)));
        fs::create_directory_symlink(dir / "tree", dir / ("tree/level/deep/back" + std::to_string(i)));
    }
    test::runCommand("touch -d 2300-01-01 " + q(dir / "late.txt"));
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b/sub");
    test::writeFile(dir / "NUL.TXT", randomBytes(3, 2));
    test::writeFile(dir / "CON", randomBytes(3, 2));
    const std::string sources = q(dir / "tree") + " /proc/version " + q(dir / "late.txt") + " " + q(dir / "a/.") +
                                " " + q(dir / "b/sub/..") + " " + q(dir / "NUL.TXT") + " " + q(dir / "CON");
    const VlmRun add = runVlm(dir, "add " + q(img) + " " + sources);
    ASSERT_EQ(add.status, 0) << add.err;
    EXPECT_NE(add.err.find("vlm: warning: \"" + (dir / "tree/link0").string() + "\" leads to a folder added already"),
              std::string::npos)
        << add.err;

    const auto text = [&](const std::string& path) { return test::runCommand("mtype -i " + q(img) + " " + q("::" + path)); };
    EXPECT_EQ(test::runCommand("mdir -b -i " + q(img) + " ::/tree"), "::/tree/level/\n");
    std::ifstream proc("/proc/version");
    EXPECT_EQ(text("/version"), std::string(std::istreambuf_iterator<char>(proc), {})) << "read to its end";
    const std::string root = test::runCommand("mdir -i " + q(img) + " ::");
    for (const char* row : {"LATE     TXT         0 2107-12-31", "A            <DIR>", "B            <DIR>",
                            "NUL~1    TXT         3", "CON~1                3"})
        EXPECT_NE(root.find(row), std::string::npos) << row << "\n" << root;
    EXPECT_TRUE(test::fsckClean(img));
}

TEST(FileVerbs, AddAndRenameMeetAFullDisketteAndAnImageHeldShort)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
    image.makeDirectories({"/SUB"});
    std::vector<std::string> names;
    for (int i = 1; i <= 14; ++i) // with "." and "..", one cluster of entries
        names.push_back("F" + std::to_string(i) + ".TXT");
    image.addEmptyFiles("/SUB", names);
    image.addFile("/FILLER.BIN", randomBytes(test::mdirFreeBytes(image.path()) - 512, 3));
    test::TempDir dir;
    test::writeFile(dir / "one.txt", randomBytes(1, 4));
    const auto before = readFile(image.path());
    const VlmRun full = runVlm(dir, "add " + q(image.path()) + " " + q(dir / "one.txt") + " -d SUB");
    EXPECT_EQ(full.err.rfind("vlm: error: The diskette is full", 0), 0u) << full.err;
    EXPECT_EQ(readFile(image.path()), before);
    // Rename grows the folder by the last cluster, as add would.
    ASSERT_EQ(runVlm(dir, "rename " + q(image.path()) + " SUB/F1.TXT 'Renamed with a long name.txt'").status, 0);
    EXPECT_NE(test::runCommand("mdir -i " + q(image.path()) + " ::/SUB").find("Renamed with a"), std::string::npos);
    EXPECT_TRUE(test::fsckClean(image.path()));

    // A .VLM of the cylinders in use takes files on the rest of the diskette.
    ASSERT_EQ(runVlm(dir, "new 1.44M -o " + q(dir / "blank.img")).status, 0);
    ASSERT_EQ(runVlm(dir, "drive insert A: " + q(dir / "blank.img")).status, 0);
    ASSERT_EQ(runVlm(dir, "load A: -o " + q(dir / "part.VLM")).status, 0);
    EXPECT_EQ(runVlm(dir, "info " + q(dir / "part.VLM")).out.find("160 loaded"), std::string::npos);
    test::writeFile(dir / "big.bin", randomBytes(100'000, 5));
    ASSERT_EQ(runVlm(dir, "add " + q(dir / "part.VLM") + " " + q(dir / "big.bin")).status, 0);
    ASSERT_EQ(runVlm(dir, "convert " + q(dir / "part.VLM") + " " + q(dir / "whole.img")).status, 0);
    EXPECT_EQ(test::runCommand("mtype -i " + q(dir / "whole.img") + " ::/big.bin").size(), 100'000u);
    EXPECT_TRUE(test::fsckClean(dir / "whole.img"));
}

TEST(FileVerbs, MessagesArePlainSentencesAndNamesShowAsDosShowsThem)
{
    test::TempDir dir;
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
    test::writeFile(dir / "\xC3\x95x.txt", randomBytes(2, 6)); // "Õx.txt": mcopy stores 0xE5 as 0x05
    test::runCommand("mcopy -i " + q(image.path()) + " " + q(dir / "\xC3\x95x.txt") + " ::/");
    EXPECT_NE(runVlm(dir, "ls " + q(image.path())).out.find("\xC3\x95X.TXT"), std::string::npos);

    const VlmRun newline = runVlm(dir, "add " + q(image.path()) + " " + q(dir / "no\nsuch"));
    EXPECT_NE(newline.err.find("no\\x0Asuch"), std::string::npos) << newline.err;
    const VlmRun folder = runVlm(dir, "split " + q(dir / "no\nsuch") + " -o " + q(image.path() / "sub"));
    EXPECT_EQ(folder.err.rfind("vlm: error: Cannot make the folder", 0), 0u) << folder.err;

    // The .VLM rule reads the file's own name; a FIFO is refused, not given a .VLM beside it.
    fs::create_directory(dir / "my.dir");
    ASSERT_EQ(runVlm(dir, "convert " + q(image.path()) + " " + q(dir / "my.dir/backup")).status, 0);
    EXPECT_TRUE(fs::exists(dir / "my.dir/backup.VLM"));
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_NE(runVlm(dir, "convert " + q(image.path()) + " " + q(dir / "pipe")).err.find("it is a FIFO"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "pipe.VLM"));
}

TEST(FileVerbs, TwoAddsAtOnceBothLandOnTheImage)
{
    test::TempDir dir;
    const fs::path img = dir / "disk.img";
    ASSERT_EQ(runVlm(dir, "new 1.44M -o " + q(img)).status, 0);
    // Held here while both start, the image makes each add wait; released, the
    // two run one after the other, the second reading what the first wrote.
    const int held = open(img.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    std::vector<FILE*> adds;
    for (const std::string name : {"first.txt", "second.txt"}) {
        test::writeFile(dir / name, randomBytes(3000, 1));
        const std::string add = "VELLUM_CONFIG=" + q(dir / "vellum.conf") + " " + q(VLM_PATH) + " add " + q(img) + " ";
        adds.push_back(popen((add + q(dir / name) + " 2>&1").c_str(), "r"));
        char line[512];
        ASSERT_NE(fgets(line, sizeof line, adds.back()), nullptr);
        EXPECT_NE(std::string(line).find("waiting until it is done"), std::string::npos) << line;
    }
    close(held);
    for (FILE* add : adds) {
        while (fgetc(add) != EOF) {
        }
        EXPECT_EQ(pclose(add), 0);
    }
    const std::string listing = test::runCommand("mdir -i " + q(img) + " ::");
    EXPECT_TRUE(listing.find("first.txt") != std::string::npos && listing.find("second.txt") != std::string::npos);
    EXPECT_TRUE(test::fsckClean(img));
}

TEST(SplitVerb, AFileOfAPiecesNameIsKeptUnlessOverwrite)
{
    test::TempDir dir;
    test::writeFile(dir / "data.bin", randomBytes(2500, 3));
    fs::create_directory(dir / "out");
    test::writeFile(dir / "out/data.002", randomBytes(5, 4));
    const std::string split = "split " + q(dir / "data.bin") + " -o " + q(dir / "out") + " --size 1K";
    const VlmRun kept = runVlm(dir, split);
    EXPECT_EQ(kept.status, 1);
    EXPECT_NE(kept.err.find("\"data.002\" exists already in"), std::string::npos) << kept.err;
    EXPECT_EQ(readFile(dir / "out/data.002"), randomBytes(5, 4));
    EXPECT_FALSE(fs::exists(dir / "out/data.001")) << "nothing is written before the question is settled";

    ASSERT_EQ(runVlm(dir, split + " --overwrite").status, 0);
    EXPECT_EQ(fs::file_size(dir / "out/data.002"), 268u + 1024);
}

TEST(SplitVerb, CtrlCTakesBackEveryPieceWritten)
{
    test::TempDir dir;
    test::writeFile(dir / "data.bin", randomBytes(3 * 1024, 7));
    fs::create_directory(dir / "out");
    // vlm's stderr is a full pipe: it stops at its first piece's name until
    // the pipe is read, so it cannot be done before Ctrl-C comes.
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    fcntl(pipeEnds[1], F_SETFL, O_NONBLOCK);
    while (write(pipeEnds[1], "-", 1) == 1) {
    }
    fcntl(pipeEnds[1], F_SETFL, 0);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_adddup2(&files, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&files, pipeEnds[0]);
    const std::string data = (dir / "data.bin").string(), out = (dir / "out").string();
    std::vector<const char*> argv{VLM_PATH, "split", data.c_str(), "-o", out.c_str(), "--size", "1K", nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, VLM_PATH, &files, nullptr, const_cast<char* const*>(argv.data()), environ), 0);
    posix_spawn_file_actions_destroy(&files);
    close(pipeEnds[1]);
    // The first piece's file is made once Ctrl-C is caught.
    for (int i = 0; i < 10'000 && fs::is_empty(dir / "out"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    kill(pid, SIGINT);
    std::string err;
    char buffer[4096];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        err.append(buffer, static_cast<std::size_t>(got));
    close(pipeEnds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal";
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(err.find("the split was cancelled"), std::string::npos) << err;
    EXPECT_TRUE(fs::is_empty(dir / "out"));
}

} // namespace
} // namespace vellum
