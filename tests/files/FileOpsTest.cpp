// Saving files of an image to the host, and deleting, moving and renaming
// them in the image, checked against mtools and fsck.fat.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>

#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/Fat12Reader.h"
#include "core/Fat12Writer.h"
#include "core/LongName.h"
#include "core/RawImageFile.h"
#include "core/TextCodec.h"
#include "files/FileOps.h"
#include "files/FileSaver.h"
#include "tests/support/MemoryProfile.h"
#include "tests/support/MtoolsImage.h"
#include "tests/support/ScopedTimeZone.h"
#include "tests/support/ScriptedPrompter.h"
#include "tests/support/TempDir.h"

namespace vellum {
namespace {

using test::MtoolsImage;
using test::randomBytes;
using test::readFile;
namespace fs = std::filesystem;

constexpr std::size_t kNoEntry = 700; // past every entry of the directory

class FileOpsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        image.makeDirectories({"/DOCS", "/DOCS/Old Letters", "/EMPTY"});
        image.addFile("/README.TXT", "Read me first.\r\n");
        image.addFile("/DOCS/Report for 1998.txt", randomBytes(5000, 1));
        image.addFile("/DOCS/Old Letters/Grandma.txt", randomBytes(1024, 2)); // exactly 2 clusters
        image.addFile("/DOCS/README.TXT", "another readme");
        image.addFile("/SYSTEM.BIN", randomBytes(700, 3));
        image.addFile("/KEEP.TXT", "read-only, archived");
        image.addFile("/NOTHING.TXT", "");
        image.setAttributes("+r +h +s -a", "/SYSTEM.BIN");
        image.setAttributes("+r", "/KEEP.TXT");
        load();
    }

    void load()
    {
        image.loadInto(doc);
        doc.ImageEmpty = 0;
        Fat12Reader(doc, prompter).ReadDirectory();
    }
    // The image in memory written back over the mtools image, for the peers to check.
    void writeBack() { ASSERT_TRUE(RawImageFile(doc, prompter).save(image.path())); }
    void expectFsckClean()
    {
        writeBack();
        EXPECT_TRUE(test::fsckClean(image.path()));
    }
    const ListingRecord* listed(std::string_view longName) const
    {
        for (const ListingRecord& r : doc.directory.listing)
            if (r.longName.substr(0, r.longName.find_last_not_of(' ') + 1) == longName)
                return &r;
        return nullptr;
    }
    void enter(std::string_view longName) { Fat12Reader(doc, prompter).enterDirectory(listed(longName)->slot); }

    test::ScriptedPrompter prompter;
    test::MemoryProfile profile;
    CVLMDoc doc{profile, prompter};
    MtoolsImage image{MtoolsImage::Maker::Mformat, "-f 1440"};
    test::TempDir out;
};

TEST_F(FileOpsTest, TreeSaveMatchesMcopyAndFlatSaveAsksAboutTwins)
{
    FileSaver saver(doc, prompter);
    saver.saveTree(0, out.path(), true);
    for (const std::string path : {"README.TXT", "KEEP.TXT", "NOTHING.TXT", "DOCS/Report for 1998.txt",
                                   "DOCS/Old Letters/Grandma.txt", "DOCS/README.TXT"})
        EXPECT_EQ(readFile(out / path), image.extract("/" + path)) << path;
    EXPECT_FALSE(fs::exists(out / "SYSTEM.BIN")); // read-only, hidden, system, not archived
    EXPECT_TRUE(fs::is_directory(out / "EMPTY"));
    EXPECT_EQ(saver.tally().saved, 6);
    EXPECT_EQ(doc.directory.listing.size(), 6u) << "the root stays shown";

    const fs::path flat = out / "flat";
    fs::create_directory(flat);
    prompter.expect((flat / "README.TXT").string() + std::string(FileSaver::kExistsQuestion), Buttons::YesNo,
                    Icon::Question, Answer::No);
    FileSaver flatSaver(doc, prompter);
    flatSaver.saveTree(0, flat, false);
    EXPECT_EQ(readFile(flat / "Grandma.txt"), image.extract("/DOCS/Old Letters/Grandma.txt"));
    EXPECT_EQ(readFile(flat / "README.TXT"), image.extract("/README.TXT")) << "the twin was declined";
    EXPECT_FALSE(fs::exists(flat / "DOCS"));
    EXPECT_EQ(flatSaver.tally().skipped, 1);
}

TEST_F(FileOpsTest, SavedFilesKeepTheDatesMtoolsGivesThem)
{
    // DOS times are local: a zone with summer time and an odd second show any slip.
    test::ScopedTimeZone zone("Europe/Berlin");
    const std::time_t summer = 1'058'447'229; // 2003-07-17 15:07:09 local
    const std::time_t winter = 946'684'799;   // 2000-01-01 00:59:59 local
    image.addFile("/DOCS/Summer.txt", randomBytes(10, 4), summer);
    image.addFile("/Winter.txt", randomBytes(20, 5), winter);
    load();
    FileSaver(doc, prompter).saveTree(0, out.path(), true);
    const fs::path peer = out / "peer";
    fs::create_directory(peer);
    for (const std::string path : {"DOCS/Summer.txt", "Winter.txt", "README.TXT"}) {
        image.extractTo("/" + path, peer / fs::path(path).filename());
        EXPECT_EQ(fs::last_write_time(out / path), fs::last_write_time(peer / fs::path(path).filename())) << path;
    }
    // As mdir shows a date: "2000-01-01   0:59", the hour padded with a blank.
    const auto shown = [](const fs::path& file) {
        const std::time_t t = std::chrono::system_clock::to_time_t(
            std::chrono::file_clock::to_sys(fs::last_write_time(file)));
        const std::tm local = *std::localtime(&t);
        char text[64];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d  %2d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                      local.tm_mday, local.tm_hour, local.tm_min);
        return std::string(text);
    };
    EXPECT_EQ(shown(out / "Winter.txt"), "2000-01-01   0:59");
    EXPECT_NE(image.mdirText("/DOCS").find(shown(out / "DOCS/Summer.txt")), std::string::npos);
    EXPECT_NE(image.mdirText("/").find(shown(out / "Winter.txt")), std::string::npos);
}

TEST_F(FileOpsTest, FailedLookupOrWriteCreatesNothing)
{
    prompter.expect("Could not find file", Buttons::Ok, Icon::Stop, Answer::Ok);
    FileSaver saver(doc, prompter);
    EXPECT_FALSE(saver.saveFile(kNoEntry, out / "missing.txt"));
    EXPECT_FALSE(fs::exists(out / "missing.txt"));

    // A file that exists is replaced only by a whole new one.
    test::writeFile(out / "README.TXT", std::vector<std::uint8_t>{'o', 'l', 'd'});
    FileSaver keeping(doc, prompter, FileSaver::Existing::Keep);
    prompter.expect("\"" + (out / "README.TXT").string() + "\" already exists; it is kept.", Buttons::Ok,
                    Icon::Exclamation, Answer::Ok);
    EXPECT_FALSE(keeping.saveFile(listed("README.TXT")->slot, out / "README.TXT"));
    EXPECT_EQ(readFile(out / "README.TXT"), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 1);
}

TEST_F(FileOpsTest, HostileNamesStayInsideTheFolder)
{
    EXPECT_EQ(FileSaver::hostName(".."), "__");
    EXPECT_EQ(FileSaver::hostName("a/b\\c\x01"), "a_b_c_");
    EXPECT_EQ(FileSaver::hostName(std::string("x\0y", 3)), "x_y");
    EXPECT_EQ(FileSaver::hostName(std::string(254, 'a') + "\xC3\xA9"), std::string(254, 'a'));

    // Long names the image may hold but no host may take as they are.
    Fat12Writer writer(doc, prompter);
    const std::vector<std::string> hostile = {"..", "../../escaped.txt", "a\\..\\b", "tab\tname",
                                              std::string(255, 'n')};
    for (std::size_t i = 0; i < hostile.size(); ++i) {
        const std::u16string name = TextCodec::utf8ToUtf16(hostile[i]);
        Fat12Writer::ShortName shortName;
        const std::string base = "EVIL" + std::to_string(i) + "   TXT";
        std::copy(base.begin(), base.end(), shortName.begin());
        const auto entries = LongName::entries(name, LongName::checksum(shortName));
        const auto at = writer.allocateSlots(entries.size() + 1);
        ASSERT_TRUE(at);
        for (std::size_t k = 0; k < entries.size(); ++k)
            writer.writeSlot(*at + k, entries[k]);
        Fat12Writer::Entry entry{};
        std::copy(shortName.begin(), shortName.end(), entry.begin());
        entry[dirent::kAttributeOffset] = dirent::kArchive; // empty file
        writer.writeSlot(*at + entries.size(), entry);
    }
    writer.relist();
    const fs::path inner = out / "a" / "b";
    fs::create_directories(inner);
    FileSaver saver(doc, prompter);
    saver.saveTree(0, inner, true);
    EXPECT_EQ(saver.tally().failed, 0);
    const auto count = [](const fs::path& p) { return std::distance(fs::directory_iterator(p), fs::directory_iterator()); };
    EXPECT_EQ(count(out.path()), 1);
    EXPECT_EQ(count(out / "a"), 1);
    EXPECT_EQ(count(inner), static_cast<long>(hostile.size() + 5)); // and the five of the root
    EXPECT_TRUE(fs::exists(inner / "__"));
    EXPECT_TRUE(fs::exists(inner / ".._.._escaped.txt"));
    EXPECT_TRUE(fs::exists(inner / "tab_name"));
    EXPECT_TRUE(fs::exists(inner / std::string(255, 'n')));
}

TEST_F(FileOpsTest, DeleteFreesClustersInBothFatsAndFolderDeleteFreesTheTree)
{
    const std::size_t before = test::mdirFreeBytes(image.path());
    const std::size_t fatBytes = std::size_t{doc.geometry.sectorsPerFat} * doc.geometry.bytesPerSector;
    FileOps ops(doc, prompter);
    ASSERT_TRUE(ops.remove(listed("README.TXT")->slot));
    EXPECT_EQ(listed("README.TXT"), nullptr);
    EXPECT_TRUE(doc.imageChanged);
    expectFsckClean();
    EXPECT_EQ(test::mdirFreeBytes(image.path()), before + 512);

    ASSERT_TRUE(ops.remove(listed("DOCS")->slot)); // 5000 + 1024 + 14 bytes and two folder clusters
    expectFsckClean();
    EXPECT_EQ(test::mdirFreeBytes(image.path()), before + 512 * (1 + 10 + 2 + 1 + 2));
    EXPECT_TRUE(std::equal(doc.image().begin() + static_cast<std::ptrdiff_t>(doc.areas.fat1),
                           doc.image().begin() + static_cast<std::ptrdiff_t>(doc.areas.fat1 + fatBytes),
                           doc.image().begin() + static_cast<std::ptrdiff_t>(doc.areas.fat2)));

    prompter.expect("Could not find file", Buttons::Ok, Icon::Stop, Answer::Ok);
    EXPECT_FALSE(ops.remove(kNoEntry));
}

TEST_F(FileOpsTest, AnEntryCrossLinkedIntoItsOwnFolderLeavesThatFolderWhole)
{
    // Damage as a bad write leaves it: "Old Letters" starts at DOCS's own cluster.
    enter("DOCS");
    const std::size_t letters = listed("Old Letters")->slot;
    const std::size_t docs = doc.directory.stack[0];
    const auto docsCluster = static_cast<std::uint16_t>((docs - doc.areas.dataArea) / 512 + 2);
    Fat12Reader reader(doc, prompter);
    ASSERT_TRUE(reader.followEntry(letters));
    const auto copyOffset = static_cast<std::size_t>(doc.directory.foundOffset);
    for (std::uint8_t* entry : {&doc.image()[*reader.entryAddress(copyOffset)], &doc.directory.copy[copyOffset]}) {
        entry[26] = static_cast<std::uint8_t>(docsCluster & 0xFF);
        entry[27] = static_cast<std::uint8_t>(docsCluster >> 8);
    }

    prompter.expectStart("\"Old Letters\" shares ", Icon::Exclamation, Answer::Ok);
    ASSERT_TRUE(FileOps(doc, prompter).remove(letters));
    EXPECT_EQ(listed("Old Letters"), nullptr);
    writeBack();
    EXPECT_EQ(image.extract("/DOCS/Report for 1998.txt"), randomBytes(5000, 1)) << "DOCS and its files stay";
    EXPECT_EQ(image.mdir("/DOCS").size(), 4u); // ., .., the report, README.TXT
}

TEST_F(FileOpsTest, AnEmptyFileCrossLinkedIntoAnotherFreesNothingOfIt)
{
    Fat12Reader reader(doc, prompter);
    ASSERT_TRUE(reader.followEntry(listed("README.TXT")->slot));
    const std::uint16_t readme = doc.directory.chain[0];
    const std::size_t nothing = listed("NOTHING.TXT")->slot;
    ASSERT_TRUE(reader.followEntry(nothing));
    const auto copyOffset = static_cast<std::size_t>(doc.directory.foundOffset);
    for (std::uint8_t* entry : {&doc.image()[*reader.entryAddress(copyOffset)], &doc.directory.copy[copyOffset]}) {
        entry[26] = static_cast<std::uint8_t>(readme & 0xFF);
        entry[27] = static_cast<std::uint8_t>(readme >> 8);
    }

    prompter.expect("\"NOTHING.TXT\" shares 1 cluster with other files or folders; they keep it. Check the "
                    "diskette for errors.",
                    Buttons::Ok, Icon::Exclamation, Answer::Ok);
    ASSERT_TRUE(FileOps(doc, prompter).remove(nothing));
    expectFsckClean(); // README.TXT keeps its cluster, and nothing is cross-linked any more
    const std::string text = "Read me first.\r\n";
    EXPECT_EQ(image.extract("/README.TXT"), std::vector<std::uint8_t>(text.begin(), text.end()));
}

TEST_F(FileOpsTest, MoveRemovesOnlyAfterAWholeSave)
{
    enter("DOCS");
    FileOps ops(doc, prompter);
    FileSaver saver(doc, prompter);
    const std::size_t report = listed("Report for 1998.txt")->slot;
    prompter.expect("Cannot create a file beside \"" + (out / "no such folder" / "r.txt").string() +
                        "\": No such file or directory.",
                    Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_FALSE(ops.move(report, out / "no such folder" / "r.txt", saver));
    EXPECT_NE(listed("Report for 1998.txt"), nullptr);
    EXPECT_FALSE(doc.imageChanged);

    ASSERT_TRUE(ops.move(report, out / "r.txt", saver));
    EXPECT_EQ(readFile(out / "r.txt"), image.extract("/DOCS/Report for 1998.txt"));
    EXPECT_EQ(listed("Report for 1998.txt"), nullptr);
    expectFsckClean();
    EXPECT_EQ(image.mdir("/DOCS").size(), 4u); // ., .., Old Letters, README.TXT
}

TEST_F(FileOpsTest, RenameWritesLongAndUniqueShortNames)
{
    enter("DOCS");
    FileOps ops(doc, prompter);
    ASSERT_TRUE(ops.rename(listed("Report for 1998.txt")->slot, "A much longer name for the 1998 report.txt"));
    ASSERT_TRUE(ops.rename(listed("README.TXT")->slot, "READ ME.TXT"));
    ASSERT_TRUE(ops.rename(listed("Old Letters")->slot, "LETTERS"));
    prompter.expect("This folder holds a file named \"letters\" already.", Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_FALSE(ops.rename(listed("READ ME.TXT")->slot, "letters"));
    EXPECT_TRUE(doc.imageChanged);
    expectFsckClean();

    const auto rows = image.mdir("/DOCS");
    const auto row = [&](const std::string& name) {
        for (const auto& r : rows)
            if (r.longName == name || (r.longName.empty() && r.shortName == name))
                return r;
        return MtoolsImage::DirRow{};
    };
    EXPECT_EQ(row("A much longer name for the 1998 report.txt").shortName, "AMUCHL~1.TXT");
    EXPECT_EQ(row("A much longer name for the 1998 report.txt").size, 5000u);
    EXPECT_EQ(row("READ ME.TXT").shortName, "README~1.TXT");
    EXPECT_TRUE(row("LETTERS").isDirectory);
    EXPECT_EQ(image.extract("/DOCS/LETTERS/Grandma.txt").size(), 1024u);
}

TEST_F(FileOpsTest, RenameRefusesWhenTheRootIsFull)
{
    std::vector<std::string> names;
    for (int i = 0; names.size() + 7 < 224; ++i)
        names.push_back("F" + std::to_string(i) + ".TXT");
    image.addEmptyFiles("/", names);
    load();
    prompter.expect("This folder has no room left for \"A name that needs more slots.txt\": it needs 4 directory "
                    "entries in a row, and 1 are free.",
                    Buttons::Ok, Icon::Exclamation, Answer::Ok);
    FileOps ops(doc, prompter);
    EXPECT_FALSE(ops.rename(listed("README.TXT")->slot, "A name that needs more slots.txt"));
    EXPECT_FALSE(doc.imageChanged);
    ASSERT_TRUE(ops.rename(listed("README.TXT")->slot, "NOTES.TXT")); // fits its own slot
    expectFsckClean();
    EXPECT_EQ(image.extract("/NOTES.TXT"), (std::vector<std::uint8_t>{'R', 'e', 'a', 'd', ' ', 'm', 'e', ' ', 'f',
                                                                      'i', 'r', 's', 't', '.', '\r', '\n'}));
}

} // namespace
} // namespace vellum
