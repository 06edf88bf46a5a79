// vlm rescue on virtual diskettes with fault files, checked against the
// peers: ddrescuelog reads the map, mshowfat says which file holds a sector,
// sha256sum hashes the image.
#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "core/UnreadableSector.h"
#include "tests/ops/EngineWorld.h"
#include "tests/support/MtoolsImage.h"
#include "tests/support/TempDir.h"
#include "tests/support/VlmRunner.h"

namespace vellum {
namespace {

using test::shellQuoted;

struct Format {
    const char* name;
    const char* make; // the command that makes an empty diskette at $IMG
};

void PrintTo(const Format& f, std::ostream* out)
{
    *out << f.name;
}

class RescueVerb : public ::testing::TestWithParam<Format> {
protected:
    test::VlmRun vlm(const std::string& words) const { return test::runVlm(dir, words); }
    std::string path(const std::string& name) const { return shellQuoted((dir / name).string()); }
    std::string shell(const std::string& command) const
    {
        return test::runCommand("cd " + shellQuoted(dir.path().string()) + " && " + command);
    }
    // The sector of the n-th sector of a file's first cluster, as mshowfat finds the cluster.
    std::uint32_t sectorIn(const std::string& file, std::uint32_t n) const
    {
        const std::string chain = shell("mshowfat -i src.img " + shellQuoted("::" + file));
        const auto l = test::Layout::of(test::readFile(dir / "src.img"));
        return l.dataStart +
               (static_cast<std::uint32_t>(std::stoul(chain.substr(chain.find('<') + 1))) - 2) * l.sectorsPerCluster +
               n;
    }
    std::string chs(std::uint32_t sector) const
    {
        const std::uint32_t perTrack = test::Layout::of(test::readFile(dir / "src.img")).sectorsPerTrack;
        const std::uint32_t track = sector / perTrack;
        return std::to_string(track / 2) + " " + std::to_string(track % 2) + " " +
               std::to_string(sector % perTrack + 1);
    }

    test::TempDir dir;
};

TEST_P(RescueVerb, MapsExactlyTheBadSectorsRecoversWeakOnesNamesTheFilesAndGoesOnFromTheMap)
{
    shell("IMG=src.img VLM=" + shellQuoted(VLM_PATH) + "; export VELLUM_CONFIG=make.conf; " + GetParam().make +
          " >/dev/null");
    test::writeFile(dir / "numbers.bin", test::randomBytes(120'000, 3));
    shell("mmd -i src.img ::DOCS && mcopy -i src.img numbers.bin ::NUMBERS.BIN && "
          "mcopy -i src.img numbers.bin '::DOCS/Long letter.txt' && cp src.img disk.img");
    const std::vector<std::pair<std::uint32_t, std::string>> bad = {
        {1, "FAT 1"},
        {sectorIn("/NUMBERS.BIN", 5), "/NUMBERS.BIN"},
        {sectorIn("/DOCS/Long letter.txt", 0), "/DOCS/Long letter.txt"}};
    const std::uint32_t weak = sectorIn("/NUMBERS.BIN", 40);
    std::ofstream faults(dir / "disk.img.faults");
    for (const auto& [s, place] : bad)
        faults << chs(s) << " bad\n";
    faults << chs(weak) << " weak 2\n" << chs(weak + 1) << " slow 1\n";
    faults.close();
    ASSERT_EQ(vlm("drive insert A: " + path("disk.img")).status, 0);

    const test::VlmRun first = vlm("rescue A: -o " + path("out.img") + " --report " + path("report.txt"));
    ASSERT_EQ(first.status, 3) << first.out << first.err;
    std::string listed;
    for (const auto& [s, place] : bad)
        listed += std::to_string(s) + "\n";
    EXPECT_EQ(shell("ddrescuelog -l- -b512 out.img.map"), listed);
    const auto source = test::readFile(dir / "src.img");
    const auto rescued = test::readFile(dir / "out.img");
    ASSERT_EQ(rescued.size(), source.size());
    std::set<std::uint32_t> badSectors;
    for (const auto& [s, place] : bad) {
        badSectors.insert(s);
        EXPECT_EQ(std::string(rescued.begin() + s * 512, rescued.begin() + s * 512 + 32), UnreadableSector::kMarker);
        EXPECT_NE(first.out.find("  sector " + std::to_string(s) + " (cylinder " + chs(s).substr(0, chs(s).find(' ')) +
                                 ", head "),
                  std::string::npos);
        EXPECT_NE(first.out.find("): " + place + "\n"), std::string::npos) << first.out;
    }
    for (std::uint32_t s = 0; s < source.size() / 512; ++s) {
        const bool same =
            std::equal(source.begin() + s * 512, source.begin() + (s + 1) * 512, rescued.begin() + s * 512);
        ASSERT_TRUE(same || badSectors.count(s)) << "sector " << s << (s == weak ? ", the weak one" : "");
    }
    EXPECT_NE(first.out.find("SHA-256 of the diskette image: " + shell("sha256sum out.img").substr(0, 64)),
              std::string::npos);
    EXPECT_NE(first.out.find("FAT 1 is damaged: files are found through FAT 2.\n"), std::string::npos);
    const auto report = test::readFile(dir / "report.txt");
    EXPECT_NE(first.out.find(std::string(report.begin(), report.end())), std::string::npos);

    // Whatever the good sectors hold now, a rescue from the map keeps them
    // from out.img, and reads the two bad sectors that read now.
    std::vector<std::uint8_t> disk(source.size()), expected = rescued;
    for (const std::uint32_t s : badSectors) {
        std::copy_n(source.begin() + s * 512, 512, disk.begin() + s * 512);
        if (s != 1)
            std::copy_n(source.begin() + s * 512, 512, expected.begin() + s * 512);
    }
    test::writeFile(dir / "disk.img", disk);
    std::ofstream(dir / "disk.img.faults") << chs(1) << " bad\n";
    const test::VlmRun second = vlm("rescue A: -o " + path("out.img"));
    EXPECT_EQ(second.status, 3) << second.err;
    EXPECT_EQ(test::readFile(dir / "out.img"), expected);
    EXPECT_EQ(shell("ddrescuelog -l- -b512 out.img.map"), "1\n");
}

INSTANTIATE_TEST_SUITE_P(Formats, RescueVerb,
                         ::testing::Values(Format{"F144", "mkfs.fat -C $IMG 1440"},
                                           Format{"F720", "mkfs.fat -C $IMG 720"},
                                           Format{"DMF", "$VLM new DMF -o $IMG"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vellum
