// Archive images (ImageDisk, Teledisk, CopyQM) and packed images, made by
// libdsk's dsktrans, gzip, xz and zip from mkfs.fat images and read by vlm.
#include <gtest/gtest.h>

#include <fstream>

#include "core/UnreadableSector.h"
#include "tests/support/MtoolsImage.h"
#include "tests/support/TempDir.h"
#include "tests/support/VlmRunner.h"

namespace vellum {
namespace {

using test::runCommand;
using test::runVlm;
using test::shellQuoted;
using test::VlmRun;

class ArchiveImages : public ::testing::Test {
protected:
    std::string q(const std::string& name) const { return shellQuoted((dir / name).string()); }
    // dsktrans from IN to OUT, of libdsk type TYPE, with any more options.
    void dsktrans(const std::string& in, const std::string& type, const std::string& out, const std::string& more = "")
    {
        runCommand("dsktrans -itype raw -otype " + type + " " + more + " " + in + " " + q(out) + " >/dev/null 2>&1");
    }
    std::vector<std::uint8_t> bytes(const std::string& name) const { return test::readFile(dir / name); }
    void write(const std::string& name, const std::vector<std::uint8_t>& data) const
    {
        std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }

    test::TempDir dir;
};

TEST_F(ArchiveImages, EveryArchiveFormatOpensAsTheRawImageItHolds)
{
    for (const std::string size : {"360", "720", "1200", "1440"}) {
        test::MtoolsImage image(test::MtoolsImage::Maker::MkfsFat, size);
        image.addFile("/LETTER.TXT", std::string(3000, 'L'));
        image.addFile("/DATA.BIN", test::randomBytes(9000, 7));
        for (const std::string type : {"imd", "tele", "copyqm"}) {
            SCOPED_TRACE(size + " KB " + type);
            dsktrans(shellQuoted(image.path().string()), type, "in." + type);
            const VlmRun convert = runVlm(dir, "convert " + q("in." + type) + " " + q("out.img"));
            ASSERT_EQ(convert.status, 0) << convert.err;
            EXPECT_EQ(bytes("out.img"), test::readFile(image.path()));
            const VlmRun ls = runVlm(dir, "ls " + q("in." + type));
            for (const auto& row : image.mdir("/")) {
                const auto at = ls.out.find("\n" + row.shortName + " ");
                EXPECT_LT(ls.out.find(" " + std::to_string(row.size) + " ", at), ls.out.find('\n', at + 1))
                    << row.shortName << " in\n" << ls.out;
            }
            const VlmRun extract = runVlm(dir, "extract " + q("in." + type) + " -o " + q("x" + type) + " --overwrite");
            ASSERT_EQ(extract.status, 0) << extract.err;
            EXPECT_EQ(test::readFile(dir / ("x" + type) / "DATA.BIN"), image.extract("/DATA.BIN"));
        }
    }
}

TEST_F(ArchiveImages, DmfAndTeledisksCommentAndAnImdVlmWroteReadBack)
{
    ASSERT_EQ(runVlm(dir, "new DMF -o " + q("dmf.img") + " --label DISTRIB").status, 0);
    dsktrans(q("dmf.img"), "tele", "dmf.td0", "-comment 'Setup disk 1'");
    const VlmRun info = runVlm(dir, "info " + q("dmf.td0"));
    EXPECT_NE(info.out.find("Setup disk 1"), std::string::npos) << info.out << info.err;
    EXPECT_NE(info.out.find("DISTRIB"), std::string::npos);
    // vlm writes the IMD, libdsk reads it back; the comment is the description.
    ASSERT_EQ(runVlm(dir, "convert " + q("dmf.td0") + " " + q("dmf.IMD")).status, 0);
    runCommand("dsktrans -itype imd -otype raw " + q("dmf.IMD") + " " + q("back.img") + " >/dev/null 2>&1");
    EXPECT_EQ(bytes("back.img"), bytes("dmf.img"));
    EXPECT_NE(runVlm(dir, "info " + q("dmf.IMD")).out.find("Setup disk 1"), std::string::npos);
}

TEST_F(ArchiveImages, ARescuedSectorIsKeptAsDataUnavailable)
{
    test::MtoolsImage image(test::MtoolsImage::Maker::MkfsFat, "720");
    std::vector<std::uint8_t> raw = test::readFile(image.path());
    UnreadableSector::fill(std::span(raw).subspan(std::size_t{9 + 4} * 512, 512)); // cylinder 0, head 1, sector 5
    write("rescued.img", raw);
    ASSERT_EQ(runVlm(dir, "convert " + q("rescued.img") + " " + q("rescued.IMD")).status, 0);
    const VlmRun back = runVlm(dir, "convert " + q("rescued.IMD") + " " + q("again.img"));
    EXPECT_NE(back.err.find("cylinder 0, head 1, sector 5 (unreadable)"), std::string::npos) << back.err;
    EXPECT_EQ(bytes("again.img"), raw);
}

TEST_F(ArchiveImages, PackedImagesOpenAndAZipOfSeveralNamesThem)
{
    test::MtoolsImage image(test::MtoolsImage::Maker::MkfsFat, "1440");
    image.addFile("/NOTE.TXT", "packed");
    const std::string raw = shellQuoted(image.path().string());
    runCommand("cp " + raw + " " + q("a.img") + " && cp " + raw + " " + q("b.img") + " && cd " +
               shellQuoted(dir.path().string()) + " && gzip -k a.img && xz -k b.img && zip -q one.zip a.img && " +
               "zip -q two.zip a.img b.img");
    for (const std::string packed : {"a.img.gz", "b.img.xz", "one.zip", "two.zip:b.img"}) {
        const VlmRun ls = runVlm(dir, "ls " + q(packed));
        EXPECT_EQ(ls.status, 0) << packed << ls.err;
        EXPECT_NE(ls.out.find("NOTE.TXT"), std::string::npos) << packed;
    }
    const VlmRun two = runVlm(dir, "ls " + q("two.zip"));
    EXPECT_NE(two.status, 0);
    EXPECT_NE(two.err.find("holds 2 diskette images (a.img, b.img)"), std::string::npos) << two.err;
    EXPECT_NE(runVlm(dir, "ls " + q("two.zip:c.img")).err.find("holds no file named \"c.img\""), std::string::npos);

    // A read-me and a folder beside the image are no images: the zip holds one.
    runCommand("cd " + shellQuoted(dir.path().string()) + " && mkdir -p docs && echo notes > docs/README.TXT && " +
               "zip -qr notes.zip docs a.img");
    const VlmRun notes = runVlm(dir, "ls " + q("notes.zip"));
    EXPECT_EQ(notes.status, 0) << notes.err;
    EXPECT_NE(notes.out.find("NOTE.TXT"), std::string::npos);
}

TEST_F(ArchiveImages, HostileFilesAreRefusedAndNothingIsWritten)
{
    test::MtoolsImage image(test::MtoolsImage::Maker::MkfsFat, "1440");
    const std::string raw = shellQuoted(image.path().string());
    dsktrans(raw, "imd", "ok.imd");
    dsktrans(raw, "tele", "ok.td0");
    dsktrans(raw, "copyqm", "ok.cqm");
    for (const std::string name : {"ok.imd", "ok.td0", "ok.cqm"}) {
        auto cut = bytes(name);
        cut.resize(cut.size() / 3);
        write("cut-" + name, cut);
    }
    // One track of one 1024-byte sector, all 0xE5.
    write("big.imd", {'I', 'M', 'D', ' ', '\r', '\n', 0x1A, 3, 0, 0, 1, 3, 1, 2, 0xE5});
    runCommand("cd " + shellQuoted(dir.path().string()) + " && head -c 20000000 /dev/zero > zeros.img && " +
               "zip -q bomb.zip zeros.img && cp " + raw + " c.img && gzip c.img && printf '\\001' | " +
               "dd of=c.img.gz bs=1 seek=$(($(stat -c %s c.img.gz) - 8)) conv=notrunc 2>/dev/null");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"cut-ok.imd", "cut short"}, {"cut-ok.td0", "could not be read"}, {"cut-ok.cqm", "could not be read"},
        {"big.imd", "1,024-byte sectors"}, {"bomb.zip", "more than 3,014,656 bytes"}, {"c.img.gz", "checksum"}};
    for (const auto& [name, words] : cases) {
        const VlmRun run = runVlm(dir, "convert " + q(name) + " " + q(name + ".out.img"));
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_NE(run.err.find(words), std::string::npos) << name << ": " << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir / (name + ".out.img"))) << name;
    }
}

TEST_F(ArchiveImages, AChangedImageDiskFileStaysOneAndAReadOnlyFormatIsLeftAlone)
{
    test::MtoolsImage image(test::MtoolsImage::Maker::MkfsFat, "1440");
    dsktrans(shellQuoted(image.path().string()), "imd", "in.imd", "-comment 'Kept comment'");
    dsktrans(shellQuoted(image.path().string()), "tele", "in.td0");
    const auto teledisk = bytes("in.td0");
    ASSERT_EQ(runVlm(dir, "label " + q("in.imd") + " RELABELLED").status, 0);
    EXPECT_NE(runVlm(dir, "label " + q("in.td0") + " RELABELLED").err.find("Teledisk image, which Vellum only reads"),
              std::string::npos);
    EXPECT_EQ(bytes("in.td0"), teledisk);
    runCommand("dsktrans -itype imd -otype raw " + q("in.imd") + " " + q("back.img") + " >/dev/null 2>&1");
    EXPECT_NE(runCommand("mlabel -s -i " + q("back.img") + " ::").find("RELABELLED"), std::string::npos);
    EXPECT_NE(runVlm(dir, "info " + q("in.imd")).out.find("Kept comment"), std::string::npos);
}

TEST_F(ArchiveImages, DriveInsertTakesAnArchiveWriteProtected)
{
    test::MtoolsImage image(test::MtoolsImage::Maker::MkfsFat, "720");
    dsktrans(shellQuoted(image.path().string()), "copyqm", "in.cqm");
    const VlmRun insert = runVlm(dir, "drive insert A: " + q("in.cqm"), "XDG_DATA_HOME=" + q("data"));
    ASSERT_EQ(insert.status, 0) << insert.err;
    EXPECT_NE(insert.out.find("720K diskette, formatted; write-protected"), std::string::npos) << insert.out;
    EXPECT_EQ(test::readFile(dir / "data/Orrindale/Vellum/in.cqm.img"), test::readFile(image.path()));
}

} // namespace
} // namespace vellum
