// vlm on images that a bad write or an old DOS left damaged: entries that
// share an 8.3 name, long-name runs that are broken or stale, and clusters
// that two entries use. Each image is made by mtools and then damaged byte
// by byte; mtools and fsck.fat judge what vlm leaves.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/Bytes.h"
#include "core/LongName.h"
#include "tests/support/MtoolsImage.h"
#include "tests/support/TempDir.h"
#include "tests/support/VlmRunner.h"

namespace vellum {
namespace {

using test::MtoolsImage;
using test::runVlm;
using test::VlmRun;
namespace fs = std::filesystem;

std::string q(const fs::path& p)
{
    return test::shellQuoted(p.string());
}

std::vector<std::uint8_t> bytesOf(const std::string& text)
{
    return {text.begin(), text.end()};
}

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// The bytes of a 1.44 MB image, changed as damage would change them.
class Damage {
public:
    explicit Damage(const fs::path& image) : image_(image), bytes_(test::readFile(image)) {}
    ~Damage() { test::writeFile(image_, bytes_); }

    // The image offset of the entry holding an 11-byte name, in the root or the first folder cluster.
    std::size_t entry(std::string_view name) const
    {
        const auto at = std::search(bytes_.begin() + kRoot, bytes_.end(), name.begin(), name.end());
        EXPECT_NE(at, bytes_.end()) << name;
        return static_cast<std::size_t>(at - bytes_.begin());
    }
    std::uint8_t& at(std::size_t offset) { return bytes_[offset]; }
    std::uint16_t cluster(std::size_t entry) const { return le16(bytes_, entry + 26); }
    void setCluster(std::size_t entry, std::uint16_t cluster) { putLe16(bytes_, entry + 26, cluster); }
    // Sets a cluster's entry in both FATs.
    void setFat(std::uint16_t cluster, std::uint16_t value)
    {
        for (const std::size_t fat : {kFat1, kFat2}) {
            const std::size_t at = fat + cluster * 3 / 2;
            const std::uint16_t word = le16(bytes_, at);
            putLe16(bytes_, at,
                    static_cast<std::uint16_t>(cluster % 2 == 0 ? (word & 0xF000) | value
                                                                : (word & 0x000F) | (value << 4)));
        }
    }

private:
    static constexpr std::size_t kFat1 = 512, kFat2 = 10 * 512, kRoot = 19 * 512;
    fs::path image_;
    std::vector<std::uint8_t> bytes_;
};

class DamagedImage : public ::testing::Test {
protected:
    // Runs vlm, which must succeed and leave a volume fsck.fat finds sound.
    VlmRun vlm(const std::string& words)
    {
        VlmRun run = runVlm(dir, words);
        EXPECT_EQ(run.status, 0) << words << ": " << run.err;
        EXPECT_TRUE(test::fsckClean(image.path())) << words;
        return run;
    }
    std::string img() const { return q(image.path()); }

    MtoolsImage image{MtoolsImage::Maker::Mformat, "-f 1440"};
    test::TempDir dir;
};

TEST_F(DamagedImage, EntriesSharingAShortNameAreActedOnAsListed)
{
    image.addFile("/A.TXT", "first file A");
    image.addFile("/Second.txt", "the second file");
    {
        Damage damage(image.path()); // Second.txt's short entry takes A.TXT's 8.3 name, and its run follows
        const std::string shared = "A       TXT";
        const std::size_t second = damage.entry("SECOND  TXT");
        std::copy(shared.begin(), shared.end(), &damage.at(second));
        damage.at(second - 32 + 13) = LongName::checksum(bytesOf(shared));
    }
    ASSERT_EQ(runVlm(dir, "extract " + img() + " Second.txt -o " + q(dir / "out")).status, 0);
    EXPECT_EQ(test::readFile(dir / "out/Second.txt"), bytesOf("the second file"));

    EXPECT_EQ(vlm("rm " + img() + " second.TXT").out, "removed second.TXT\n");
    const auto rows = image.mdir("/");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].longName, "");
    EXPECT_EQ(image.extract("/A.TXT"), bytesOf("first file A"));

    // A blank inside a short name is part of it.
    image.addFile("/AB.TXT", "blank inside");
    {
        Damage damage(image.path());
        const std::size_t ab = damage.entry("AB      TXT");
        damage.at(ab + 1) = ' ';
        damage.at(ab + 2) = 'B';
    }
    EXPECT_EQ(count(vlm("ls " + img()).out, "A B.TXT"), 2u) << "as its name and its short name";
    const VlmRun all = vlm("extract " + img() + " --overwrite -o " + q(dir / "all"));
    EXPECT_EQ(all.out.substr(0, all.out.find(" to ")), "2 files extracted");
    EXPECT_EQ(test::readFile(dir / "all/A B.TXT"), bytesOf("blank inside"));
    EXPECT_EQ(test::readFile(dir / "all/A.TXT"), bytesOf("first file A"));
}

TEST_F(DamagedImage, ABrokenOrStaleLongNameHidesNothingAndNamesNothing)
{
    image.addFile("/Long name here.txt", "long");
    image.addFile("/B.TXT", "b");
    for (const std::uint8_t first : {0x5F, 0x01}) { // 31 pieces claimed, then the last piece out of order
        {
            Damage damage(image.path());
            damage.at(damage.entry("LONGNA~1TXT") - 64) = first;
        }
        const VlmRun ls = runVlm(dir, "ls " + img());
        EXPECT_EQ(count(ls.out, "LONGNA~1.TXT"), 2u) << ls.out;
        EXPECT_NE(ls.out.find("B.TXT"), std::string::npos) << ls.out;
    }

    // Deleted as DOS deletes: the short entry alone is marked and its cluster freed.
    {
        Damage damage(image.path());
        const std::size_t old = damage.entry("LONGNA~1TXT");
        damage.at(old - 64) = 0x42; // the run sound again, so only its short entry tells it is stale
        damage.at(old) = 0xE5;
        damage.setFat(damage.cluster(old), 0);
    }
    test::writeFile(dir / "NEW.TXT", bytesOf("new"));
    vlm("add " + img() + " " + q(dir / "NEW.TXT"));
    const VlmRun ls = vlm("ls " + img());
    EXPECT_EQ(ls.out.find("Long name"), std::string::npos) << ls.out;
    EXPECT_NE(ls.out.find("NEW.TXT"), std::string::npos) << ls.out;
    EXPECT_EQ(image.extract("/NEW.TXT"), bytesOf("new"));
}

TEST_F(DamagedImage, DeleteFreesOnlyClustersNoOtherEntryReaches)
{
    image.makeDirectories({"/D1", "/D2"});
    image.addFile("/D1/X.TXT", "in the shared folder");
    image.addFile("/A.TXT", "shared cluster");
    image.addFile("/B.TXT", "lost cluster..");
    image.addFile("/C.TXT", std::vector<std::uint8_t>(1024, 'c'));
    image.addFile("/E.TXT", "e");
    {
        Damage damage(image.path());
        const auto crossLink = [&](std::size_t entry, std::uint16_t into) {
            damage.setFat(damage.cluster(entry), 0);
            damage.setCluster(entry, into);
        };
        crossLink(damage.entry("B       TXT"), damage.cluster(damage.entry("A       TXT"))); // one first cluster
        crossLink(damage.entry("E       TXT"), damage.cluster(damage.entry("C       TXT")) + 1); // C's second
        crossLink(damage.entry("D2         "), damage.cluster(damage.entry("D1         "))); // one folder
    }
    for (const std::string doomed : {"A.TXT", "C.TXT", "D1"}) {
        const VlmRun rm = runVlm(dir, "rm " + img() + " " + doomed);
        EXPECT_EQ(rm.status, 0) << rm.err;
        EXPECT_NE(rm.err.find("\"" + doomed + "\" shares "), std::string::npos) << rm.err;
    }
    test::writeFile(dir / "NEW.TXT", std::vector<std::uint8_t>(4096, 'n'));
    vlm("add " + img() + " " + q(dir / "NEW.TXT"));
    EXPECT_EQ(image.extract("/B.TXT"), bytesOf("shared cluster"));
    EXPECT_EQ(image.extract("/E.TXT"), bytesOf("c"));
    EXPECT_EQ(image.extract("/D2/X.TXT"), bytesOf("in the shared folder"));
}

} // namespace
} // namespace vellum
