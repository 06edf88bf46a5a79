// Host files and folder trees added to the image in memory, judged by
// mcopy, mdir and fsck.fat; refusals leave every byte as it was.
#include <gtest/gtest.h>

#include "core/CVLMDoc.h"
#include "core/DosTime.h"
#include "core/Fat12Reader.h"
#include "core/RawImageFile.h"
#include "files/FileAdder.h"
#include "tests/support/MemoryProfile.h"
#include "tests/support/MtoolsImage.h"
#include "tests/support/ScriptedPrompter.h"
#include "tests/support/TempDir.h"

namespace vellum {
namespace {

using test::MtoolsImage;
using test::randomBytes;
using test::readFile;
namespace fs = std::filesystem;

const std::string kAccented = "Ünïcode naïve résumé, a name longer than any short one.txt";

class Adding {
public:
    explicit Adding(const std::string& formatArgs) : image(MtoolsImage::Maker::Mformat, formatArgs) { load(); }

    void load()
    {
        image.loadInto(doc);
        doc.ImageEmpty = 0;
        doc.imageChanged = false;
        Fat12Reader(doc, prompter).ReadDirectory();
    }
    std::size_t clusterBytes() const
    {
        return std::size_t{doc.geometry.sectorsPerCluster} * doc.geometry.bytesPerSector;
    }
    fs::path hostFile(const std::string& name, std::size_t size, unsigned seed = 7)
    {
        const fs::path path = host / name;
        fs::create_directories(path.parent_path());
        test::writeFile(path, randomBytes(size, seed));
        return path;
    }
    void writeBack() { ASSERT_TRUE(RawImageFile(doc, prompter).save(image.path())); }
    std::vector<std::uint8_t> bytes() const { return {doc.image().begin(), doc.image().end()}; }

    test::ScriptedPrompter prompter;
    test::MemoryProfile profile;
    CVLMDoc doc{profile, prompter};
    MtoolsImage image;
    test::TempDir host;
};

class AddEveryFormat : public ::testing::TestWithParam<const char*> {};

TEST_P(AddEveryFormat, McopyReadsBackEveryFileAndFreeSpaceDropsByTheClustersUsed)
{
    Adding a(GetParam());
    const std::size_t bpc = a.clusterBytes();
    const std::vector<std::pair<std::string, std::size_t>> files = {
        {"empty.txt", 0},
        {"ONE.BIN", bpc},
        {"several clusters.bin", 3 * bpc + 17},
        {kAccented, 100},
        {"Tree/Level 2/Level 3/deep.txt", 40},
        {"Tree/Level 2/middle.bin", bpc + 1},
    };
    for (std::size_t i = 0; i < files.size(); ++i)
        a.hostFile(files[i].first, files[i].second, static_cast<unsigned>(i));
    fs::last_write_time(a.host / "ONE.BIN",
                        std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(MtoolsImage::kStamp)));
    const std::size_t freeBefore = test::mdirFreeBytes(a.image.path());

    FileAdder adder(a.doc, a.prompter);
    ASSERT_TRUE(adder.add({a.host / "empty.txt", a.host / "ONE.BIN", a.host / "several clusters.bin",
                           a.host / kAccented, a.host / "Tree"}));
    EXPECT_EQ(adder.added(), 5);
    EXPECT_TRUE(a.doc.imageChanged);
    EXPECT_EQ(a.doc.directory.listing.size(), 5u) << "the list shows what was added";
    const auto [date, time] = DosTime::fromTime(MtoolsImage::kStamp);
    const auto& listing = a.doc.directory.listing;
    const auto one =
        std::find_if(listing.begin(), listing.end(), [](const ListingRecord& r) { return r.longName == "ONE.BIN"; });
    ASSERT_NE(one, listing.end());
    EXPECT_EQ(one->lastWriteTime, DosTime::toFileTime(date, time)) << "the host file's time";

    a.writeBack();
    EXPECT_TRUE(test::fsckClean(a.image.path()));
    for (const auto& [name, size] : files)
        EXPECT_EQ(a.image.extract("/" + name), readFile(a.host / name)) << name;
    bool accentedListed = false;
    for (const auto& row : a.image.mdir("/"))
        accentedListed |= row.longName == kAccented;
    EXPECT_TRUE(accentedListed);
    // Files: 0 + 1 + 4 + 1 + 1 + 2 clusters; folders Tree, Level 2 and Level 3 take one each.
    EXPECT_EQ(freeBefore - test::mdirFreeBytes(a.image.path()), (9 + 3) * bpc);
}

INSTANTIATE_TEST_SUITE_P(Formats, AddEveryFormat,
                         ::testing::Values("-f 360", "-f 720", "-f 1200", "-f 1440",
                                           "-t 80 -h 2 -s 21 -c 4 -r 1 -m 0xF0"));

TEST(FileAdder, FullDisketteFullRootAndTakenNamesAreRefusedWithTheImageUnchanged)
{
    Adding a("-f 720");
    a.image.addFile("/README.TXT", "old");
    a.load();
    const auto unchanged = a.bytes();
    const std::size_t freeBytes = test::mdirFreeBytes(a.image.path());

    const fs::path big = a.hostFile("big.bin", freeBytes + 1);
    a.prompter.expect("The diskette has no room for \"big.bin\": it needs " + std::to_string(freeBytes + 1024) +
                          " bytes, and " + std::to_string(freeBytes) + " bytes are free.",
                      Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_FALSE(FileAdder(a.doc, a.prompter).add({big, a.hostFile("small.txt", 10)}));

    const fs::path readme = a.hostFile("readme.txt", 5, 9);
    a.prompter.expect("This folder holds a file named \"readme.txt\" already.", Buttons::Ok, Icon::Exclamation,
                      Answer::Ok);
    EXPECT_FALSE(FileAdder(a.doc, a.prompter, FileAdder::Existing::Keep).add({readme}));
    // Trailing blanks and dots are dropped, as mcopy drops them.
    a.prompter.expect("This folder holds a file named \"readme.txt\" already.", Buttons::Ok, Icon::Exclamation,
                      Answer::Ok);
    EXPECT_FALSE(FileAdder(a.doc, a.prompter, FileAdder::Existing::Keep).add({a.hostFile("readme.txt. .", 5)}));
    const std::string question = "readme.txt" + std::string(FileSaver::kExistsQuestion);
    a.prompter.expect(question, Buttons::YesNo, Icon::Question, Answer::No);
    FileAdder declined(a.doc, a.prompter);
    EXPECT_TRUE(declined.add({readme}));
    EXPECT_EQ(declined.added(), 0);
    EXPECT_EQ(a.bytes(), unchanged);
    EXPECT_FALSE(a.doc.imageChanged);

    a.prompter.expect(question, Buttons::YesNo, Icon::Question, Answer::Yes);
    ASSERT_TRUE(FileAdder(a.doc, a.prompter).add({readme}));
    a.writeBack();
    EXPECT_EQ(a.image.extract("/readme.txt"), readFile(readme));
    EXPECT_TRUE(test::fsckClean(a.image.path()));

    // Of 112 root entries readme.txt takes two and 108 more files leave two, which a.txt takes.
    std::vector<std::string> names;
    for (int i = 0; i < 108; ++i)
        names.push_back("F" + std::to_string(i) + ".TXT");
    a.image.addEmptyFiles("/", names);
    a.load();
    const auto full = a.bytes();
    a.prompter.expect("The root folder has no room for \"b.txt\": it needs 2 directory entries, and 0 are free.",
                      Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_FALSE(FileAdder(a.doc, a.prompter).add({a.hostFile("a.txt", 1), a.hostFile("b.txt", 1)}));
    EXPECT_EQ(a.bytes(), full);
    EXPECT_FALSE(a.doc.imageChanged);
}

} // namespace
} // namespace vellum
