// vlm info, ls and convert, run as a user runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "tests/support/MtoolsImage.h"
#include "tests/support/ScopedTimeZone.h"
#include "tests/support/TempDir.h"
#include "tests/support/VlmRunner.h"

namespace vellum {
namespace {

using test::runVlm;
using test::VlmRun;

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

class ImageVerbs : public ::testing::Test {
protected:
    void SetUp() override
    {
        image.label("ARCHIVE");
        image.makeDirectories({"/DOCS", "/DOCS/Old Letters"});
        image.addFile("/README.TXT", "Read me first.\r\n");
        image.addFile("/DOCS/Report for 1998.txt", std::string(5000, 'r'));
        image.addFile("/DOCS/Old Letters/Grandma.txt", "Dear Grandma,");
        image.setAttributes("+r", "/README.TXT");
    }
    std::string quoted(const std::filesystem::path& p) const { return test::shellQuoted(p.string()); }

    test::ScopedTimeZone utc{"UTC"};
    test::MtoolsImage image{test::MtoolsImage::Maker::Mformat, "-f 1440"};
    test::TempDir dir;
};

TEST_F(ImageVerbs, LsAgreesWithMdirInEveryDirectory)
{
    for (const auto& [vlmPath, dosPath] : std::vector<std::pair<std::string, std::string>>{
             {"", "/"}, {"docs", "/DOCS"}, {"DOCS/old letters", "/DOCS/Old Letters"}}) {
        const VlmRun run = runVlm(dir, "ls " + quoted(image.path()) + " " + test::shellQuoted(vlmPath));
        ASSERT_EQ(run.status, 0) << run.err;
        const auto rows = lines(run.out);
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows[0].substr(0, 4), "Name");
        for (const auto& entry : image.mdir(dosPath)) {
            if (entry.shortName == ".")
                continue;
            const std::string name = entry.longName.empty() ? entry.shortName : entry.longName;
            const std::string size = entry.isDirectory ? "<dir>" : std::to_string(entry.size);
            const bool listed = std::any_of(rows.begin(), rows.end(), [&](const std::string& row) {
                return row.rfind(name, 0) == 0 && row.find(" " + size + " ") != std::string::npos;
            });
            EXPECT_TRUE(listed) << name << " " << size << " missing from\n" << run.out;
        }
    }
}

TEST_F(ImageVerbs, LsPathsGoUpWithDotDotAndFailPastTheDepthBound)
{
    std::vector<std::string> nested;
    std::string deep;
    for (int level = 1; level <= 9; ++level)
        nested.push_back(deep += "/L" + std::to_string(level));
    image.makeDirectories(nested);
    std::string upAndDown = "DOCS";
    for (int i = 0; i < 9; ++i)
        upAndDown += "/../DOCS";
    VlmRun run = runVlm(dir, "ls " + quoted(image.path()) + " " + test::shellQuoted(upAndDown));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Old Letters"), std::string::npos) << run.out;

    run = runVlm(dir, "ls " + quoted(image.path()) + " " + test::shellQuoted(deep.substr(1)));
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.err.find("Directories nest deeper than 8 levels"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}

TEST_F(ImageVerbs, LsShowsTheFiveColumnsAsTheFileListDoes)
{
    const VlmRun run = runVlm(dir, "ls " + quoted(image.path()));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = lines(run.out);
    EXPECT_EQ(rows[0], "Name        Alternate   Size  Attributes  Modified");
    const auto readme = std::find_if(rows.begin(), rows.end(), [](const std::string& r) { return r.rfind("README", 0) == 0; });
    ASSERT_NE(readme, rows.end()) << run.out;
    EXPECT_EQ(*readme, "README.TXT  README.TXT  16     r  a       1/07/00 (2:05p)") << run.out;
}

TEST_F(ImageVerbs, InfoNamesFormatLabelAndAreas)
{
    const VlmRun run = runVlm(dir, "info " + quoted(image.path()));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Format:          1.44Mb\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Media code:      0x7F0"), std::string::npos);
    EXPECT_NE(run.out.find("Volume label:    ARCHIVE\n"), std::string::npos);
    EXPECT_NE(run.out.find("Root Directory 0x002600, Data Area 0x004200"), std::string::npos);
}

TEST_F(ImageVerbs, SeveralImagesAreShownUnderHeadersAndABadOneDoesNotStopTheOthers)
{
    const auto copy = dir / "copy.img";
    std::filesystem::copy_file(image.path(), copy);
    test::writeFile(dir / "odd.img", std::vector<std::uint8_t>(1000));
    const std::string images = quoted(image.path()) + " " + quoted(dir / "odd.img") + " " + quoted(copy);

    VlmRun run = runVlm(dir, "info " + images);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind("==> " + image.path().string() + " <==\nFile:", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\n\n==> " + (dir / "odd.img").string() + " <==\n\n==> " + copy.string() + " <==\nFile:"),
              std::string::npos) << run.out;
    EXPECT_NE(run.err.find("the size of no diskette image"), std::string::npos) << run.err;

    // The last word is a folder of each image, as it is no file.
    run = runVlm(dir, "ls " + quoted(image.path()) + " " + quoted(copy) + " 'docs/old letters'");
    EXPECT_EQ(run.status, 0) << run.err;
    const auto rows = lines(run.out);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "==> " + copy.string() + " <=="), 1) << run.out;
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [](const std::string& r) { return r.rfind("Grandma.txt", 0) == 0; }), 2)
        << run.out;
}

TEST_F(ImageVerbs, ConvertRoundTripsRawThroughVlmByteForByte)
{
    const auto vlmFile = dir / "backup"; // no dot: .VLM is appended
    VlmRun run = runVlm(dir, "convert " + quoted(image.path()) + " " + quoted(vlmFile) + " --description 'Old letters'");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_TRUE(std::filesystem::exists(dir / "backup.VLM"));
    EXPECT_LT(std::filesystem::file_size(dir / "backup.VLM"), 40'000u);

    run = runVlm(dir, "info " + quoted(dir / "backup.VLM"));
    EXPECT_NE(run.out.find("Description:     Old letters"), std::string::npos) << run.out;

    run = runVlm(dir, "convert " + quoted(dir / "backup.VLM") + " " + quoted(dir / "back.img"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(test::readFile(dir / "back.img"), test::readFile(image.path()));
    EXPECT_TRUE(test::fsckClean(dir / "back.img"));
}

TEST_F(ImageVerbs, BadInputEndsWithAMessageAndNonZeroStatus)
{
    VlmRun run = runVlm(dir, "ls " + quoted(image.path()) + " DOCS/NOWHERE");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no directory \"NOWHERE\""), std::string::npos) << run.err;

    test::writeFile(dir / "odd.img", std::vector<std::uint8_t>(1000));
    run = runVlm(dir, "info " + quoted(dir / "odd.img"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("the size of no diskette image"), std::string::npos) << run.err;

    run = runVlm(dir, "info");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("usage: vlm info IMAGE"), std::string::npos) << run.err;

    run = runVlm(dir, "convert a b --bogus");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("unknown option --bogus"), std::string::npos) << run.err;

    run = runVlm(dir, "convert " + quoted(image.path()) + " " + quoted(dir / "long.VLM") + " --description " +
                          std::string(61, 'd'));
    EXPECT_EQ(run.status, 2) << "a description is not cut short unseen";
    EXPECT_FALSE(std::filesystem::exists(dir / "long.VLM"));

    run = runVlm(dir, "ls " + quoted(image.path()) + " >/dev/full");
    EXPECT_EQ(run.status, 1) << "a listing that could not be written";
    EXPECT_NE(run.err.find("cannot write the output"), std::string::npos) << run.err;

    std::filesystem::create_directory(dir / "sub");
    run = runVlm(dir, "convert " + quoted(image.path()) + " " + quoted(dir / "sub") + "/");
    EXPECT_EQ(run.status, 2) << "a folder is no image file, nor a place for one named \".VLM\"";
    EXPECT_TRUE(std::filesystem::is_empty(dir / "sub"));

    for (const std::string words : {"ls --help", "help ls"}) {
        run = runVlm(dir, words);
        EXPECT_EQ(run.status, 0) << words;
        EXPECT_NE(run.out.find("usage: vlm ls IMAGE... [DIR]"), std::string::npos) << words;
    }
}

TEST_F(ImageVerbs, CorruptVlmQuestionTakesTheCautiousAnswerWithoutATerminal)
{
    ASSERT_EQ(runVlm(dir, "convert " + quoted(image.path()) + " " + quoted(dir / "c.VLM")).status, 0);
    auto bytes = test::readFile(dir / "c.VLM");
    bytes[0] = 0;
    test::writeFile(dir / "c.VLM", bytes);
    VlmRun run = runVlm(dir, "info " + quoted(dir / "c.VLM"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("File may be corrupted! Do you wish to continue?"), std::string::npos) << run.err;
}

TEST_F(ImageVerbs, OnlyRegularFilesAreReadOrReplacedAndALinkIsWrittenThrough)
{
    const auto fifo = dir / "fifo.img";
    ASSERT_EQ(test::runCommand("mkfifo " + quoted(fifo) + "; echo $?"), "0\n");
    for (const std::string& words : {"info " + quoted(fifo), "ls " + quoted(fifo),
                                    "convert " + quoted(image.path()) + " " + quoted(fifo)}) {
        const VlmRun run = runVlm(dir, words);
        EXPECT_EQ(run.status, 1) << words;
        EXPECT_NE(run.err.find("it is a FIFO"), std::string::npos) << run.err;
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));

    const auto readOnly = dir / "read-only.img";
    std::filesystem::copy_file(image.path(), readOnly);
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                               std::filesystem::perms::others_read);
    for (const std::string& words :
         {"label " + quoted(readOnly) + " NEW", "convert " + quoted(image.path()) + " " + quoted(readOnly)}) {
        const VlmRun run = runVlm(dir, words);
        EXPECT_EQ(run.status, 1) << words;
        EXPECT_NE(run.err.find("the file is read-only"), std::string::npos) << run.err;
    }
    EXPECT_EQ(test::readFile(readOnly), test::readFile(image.path()));

    std::filesystem::create_symlink("real.img", dir / "link.img");
    ASSERT_EQ(runVlm(dir, "convert " + quoted(image.path()) + " " + quoted(dir / "link.img")).status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.img"));
    EXPECT_EQ(test::readFile(dir / "real.img"), test::readFile(image.path()));
}

TEST_F(ImageVerbs, ControlCharactersFromAnImageArePrintedEscapedAndOemLettersAsUtf8)
{
    auto bytes = test::readFile(image.path());
    const std::string label = "ARCHIVE";
    for (auto at = std::search(bytes.begin(), bytes.end(), label.begin(), label.end()); at != bytes.end();
         at = std::search(at + 1, bytes.end(), label.begin(), label.end())) {
        at[1] = 0x1B; // "A\x1B\x90HIVE", 0x90 being "É" in code page 850
        at[2] = 0x90;
    }
    test::writeFile(dir / "hostile.img", bytes);
    const VlmRun run = runVlm(dir, "convert " + quoted(dir / "hostile.img") + " " + quoted(dir / "h.VLM") +
                                       " --description \"$(printf '\\033]0;owned\\007\\nforged')\"");
    ASSERT_EQ(run.status, 0) << run.err;
    const VlmRun info = runVlm(dir, "info " + quoted(dir / "h.VLM"));
    EXPECT_NE(info.out.find("Description:     \\x1B]0;owned\\x07\\x0Aforged\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Volume label:    A\\x1BÉHIVE\n"), std::string::npos) << info.out;
    EXPECT_EQ(info.out.find('\x1B'), std::string::npos);
}

} // namespace
} // namespace vellum
