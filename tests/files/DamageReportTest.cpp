// The damage report on images mkfs.fat and mtools made, with unread sectors
// filled as a rescue fills them; mshowfat says which clusters a file holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CVLMDoc.h"
#include "core/UnreadableSector.h"
#include "files/DamageReport.h"
#include "tests/support/MemoryProfile.h"
#include "tests/support/MtoolsImage.h"
#include "tests/support/ScriptedPrompter.h"

namespace vellum {
namespace {

using test::MtoolsImage;

constexpr std::uint32_t kFat1 = 1, kFat2 = 10, kLastRootSector = 32, kFirstDataSector = 33;

class Damage : public ::testing::Test {
protected:
    Damage()
    {
        image.makeDirectories({"/DOCS", "/EMPTY"});
        image.addFile("/DOCS/LONG LETTER.TXT", std::string(1500, 'x'));
    }
    // The sector of the n-th cluster of a file or folder, as mshowfat lists its clusters.
    std::uint32_t sectorOf(const std::string& path, std::uint32_t n = 0) const
    {
        const std::string chain = test::runCommand("mshowfat -i " + test::shellQuoted(image.path().string()) + " " +
                                                   test::shellQuoted("::" + path));
        return kFirstDataSector + static_cast<std::uint32_t>(std::stoul(chain.substr(chain.find('<') + 1))) - 2 + n;
    }
    DamageReport report(const std::vector<std::uint32_t>& bad)
    {
        image.loadInto(doc);
        for (const std::uint32_t s : bad)
            UnreadableSector::fill(doc.image().subspan(s * 512, 512));
        const std::vector<std::uint8_t> before(doc.image().begin(), doc.image().end());
        DamageReport r(doc, bad);
        EXPECT_TRUE(std::equal(before.begin(), before.end(), doc.image().begin())) << "the report only reads";
        return r;
    }

    MtoolsImage image{MtoolsImage::Maker::MkfsFat, "1440"};
    test::MemoryProfile profile;
    test::ScriptedPrompter prompter;
    CVLMDoc doc{profile, prompter};
};

TEST_F(Damage, NamesAreasFilesFoldersAndFreeSpaceFindingFilesThroughTheFatThatRead)
{
    const std::uint32_t letter = sectorOf("/DOCS/LONG LETTER.TXT", 2), folder = sectorOf("/EMPTY");
    const DamageReport r = report({folder, 2000, kFat1, 0, letter, kLastRootSector});
    const std::vector<std::pair<std::uint32_t, std::string>> expected = {
        {0, "Boot Sector"},
        {kFat1, "FAT 1"},
        {kLastRootSector, "Root Directory"},
        {folder, "/EMPTY/"},
        {letter, "/DOCS/LONG LETTER.TXT"},
        {2000, "Free Space"},
    };
    ASSERT_EQ(r.hits().size(), expected.size()) << r.text();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(r.hits()[i].sector, expected[i].first);
        EXPECT_EQ(r.hits()[i].places, std::vector<std::string>{expected[i].second}) << r.text();
    }
    EXPECT_NE(r.text().find("  sector 2000 (cylinder 55, head 1, sector 3): Free Space\n"), std::string::npos);
    EXPECT_NE(r.text().find("FAT 1 is damaged: files are found through FAT 2.\n"), std::string::npos) << r.text();
    EXPECT_NE(r.text().find("Directory sectors are unreadable"), std::string::npos) << r.text();
}

TEST_F(Damage, ASectorOfTheFatUnreadInBothCopiesMakesTheNamesUnreliable)
{
    const DamageReport r = report({kFat1, kFat2, sectorOf("/DOCS/LONG LETTER.TXT", 1)});
    EXPECT_NE(r.text().find("Both FATs are unreadable in the same place: the file names below are unreliable."),
              std::string::npos)
        << r.text();
    EXPECT_EQ(report({kFat1, kFat2 + 1}).notes().front(),
              "Both FATs are damaged, in different sectors: files are found through the sectors of each that read.");
}

} // namespace
} // namespace vellum
