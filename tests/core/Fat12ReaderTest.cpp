#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <random>

#include "core/Bytes.h"
#include "core/CVLMDoc.h"
#include "core/DosTime.h"
#include "core/DirectoryEntry.h"
#include "core/Fat12Reader.h"
#include "core/MediaTable.h"
#include "core/Prompter.h"
#include "core/TextCodec.h"
#include "files/FileListText.h"
#include "tests/support/MemoryProfile.h"
#include "tests/support/MtoolsImage.h"
#include "tests/support/ScopedTimeZone.h"
#include "tests/support/ScriptedPrompter.h"

namespace vellum {
namespace {

using test::MtoolsImage;
using Maker = MtoolsImage::Maker;

constexpr std::uint64_t kTicks = 10'000'000;
constexpr std::uint64_t kSeconds1601To1970 = 11'644'473'600;

// Damaged images draw "Could not find file" at random; any answer will do.
class QuietPrompter : public Prompter {
public:
    Answer ask(const std::string&, Buttons, Icon) override { return Answer::Ok; }
};

std::vector<std::uint8_t> randomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> out(n);
    std::generate(out.begin(), out.end(), [&] { return static_cast<std::uint8_t>(rng()); });
    return out;
}

std::string rightTrimmed(std::string s)
{
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

std::string shown(const ListingRecord& r) { return rightTrimmed(TextCodec::cp850ToUtf8(r.shortName)); }

struct Volume {
    explicit Volume(const MtoolsImage& image)
    {
        image.loadInto(doc);
        const auto outcome = reader.ReadDirectory();
        EXPECT_TRUE(outcome.whole()) << outcome.warning;
    }

    // A file's bytes as its chain gives them, cut to the directory's size.
    std::vector<std::uint8_t> fileBytes(std::size_t slot)
    {
        const auto found = reader.followEntry(slot);
        if (!found)
            return {};
        EXPECT_TRUE(found->chain.whole()) << found->chain.warning;
        std::vector<std::uint8_t> out;
        for (const std::uint16_t c : doc.directory.chain) {
            if (c == 0)
                break;
            const auto data = reader.clusterData(c);
            out.insert(out.end(), data.begin(), data.end());
        }
        EXPECT_GE(out.size(), found->size) << slot;
        out.resize(found->size);
        return out;
    }

    Fat12Reader::Outcome enter(std::string_view name) { return reader.enterDirectory(*reader.lookup(name)); }

    std::vector<std::uint16_t> chainOf(const std::string& shortName)
    {
        reader.FindEntry(shortName);
        const auto& chain = doc.directory.chain;
        return {chain.begin(), std::find(chain.begin(), chain.end(), 0)};
    }

    void setFat(std::uint32_t cluster, std::uint16_t value)
    {
        const std::size_t at = doc.areas.fat1 + cluster * 3 / 2;
        const std::uint16_t word = le16(doc.image(), at);
        putLe16(doc.image(), at,
                static_cast<std::uint16_t>(cluster % 2 == 0 ? (word & 0xF000) | value : (word & 0x000F) | (value << 4)));
    }

    test::MemoryProfile profile;
    test::ScriptedPrompter prompter;
    CVLMDoc doc{profile, prompter};
    Fat12Reader reader{doc, prompter};
};

// Long and accented names, an empty hidden read-only file, a multi-cluster
// file, nested directories, a deleted file and a file fragmented around a
// spacer; sizes scale with the cluster so every format gets the same shapes.
void fillSample(MtoolsImage& image, std::size_t cluster)
{
    image.label("VELLUMTEST");
    image.addFile("/Café.txt", "café au lait\n");
    image.addFile("/A long file name.text", "long\n");
    image.addFile("/EMPTY.TXT", "");
    image.setAttributes("+r +h", "/EMPTY.TXT");
    image.addFile("/MULTI.BIN", randomBytes(cluster * 3 + 100, 1));
    image.makeDirectories({"/DOCS", "/DOCS/SUB"});
    image.addFile("/GONE.TXT", "gone");
    image.remove("/GONE.TXT");
    image.addFile("/DOCS/HOLE.BIN", randomBytes(cluster * 2, 2));
    image.addFile("/DOCS/SPACER.BIN", randomBytes(cluster, 3));
    image.remove("/DOCS/HOLE.BIN");
    image.addFile("/DOCS/FRAG.BIN", randomBytes(cluster * 4 + 7, 4));
    image.addFile("/DOCS/SUB/Ünïcode name.dat", randomBytes(cluster + 1, 5));
}

// Lists every directory through the reader's own navigation and checks it
// against mdir, and every file's chain against mcopy's bytes.
void expectTreeMatchesMtools(Volume& v, const MtoolsImage& image, const std::string& path)
{
    auto rows = image.mdir(path.empty() ? "/" : path);
    std::erase_if(rows, [](const auto& r) { return r.shortName == "."; });
    const std::vector<ListingRecord> listing = v.doc.directory.listing;
    ASSERT_EQ(listing.size(), rows.size()) << "in " << path;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(path + "/" + rows[i].shortName);
        EXPECT_EQ(shown(listing[i]), rows[i].shortName);
        EXPECT_EQ(rightTrimmed(listing[i].longName), rows[i].longName.empty() ? rows[i].shortName : rows[i].longName);
        EXPECT_EQ(listing[i].size, rows[i].size);
        EXPECT_EQ((listing[i].attributes & dirent::kDirectory) != 0, rows[i].isDirectory);
    }
    for (const ListingRecord& r : listing) {
        const std::string hostPath = path + "/" + rightTrimmed(r.longName);
        if (!(r.attributes & dirent::kDirectory)) {
            EXPECT_EQ(v.fileBytes(r.slot), image.extract(hostPath)) << hostPath;
        } else if (shown(r) != "..") {
            ASSERT_TRUE(v.reader.enterDirectory(r.slot).whole());
            expectTreeMatchesMtools(v, image, hostPath);
            ASSERT_TRUE(v.reader.leaveDirectory().whole());
        }
    }
}

struct Format {
    const char* name;
    Maker maker;
    const char* args;
    int formatIndex;
};

void PrintTo(const Format& f, std::ostream* os) { *os << f.name; }

class Fat12ReaderFormats : public testing::TestWithParam<Format> {};

TEST_P(Fat12ReaderFormats, ListsAndReadsEveryFileAsMtoolsDoes)
{
    MtoolsImage image(GetParam().maker, GetParam().args);
    {
        Volume blank(image); // only for the cluster size
        fillSample(image, blank.doc.geometry.sectorsPerCluster * blank.doc.geometry.bytesPerSector);
    }
    Volume v(image);
    EXPECT_EQ(FormatOf(v.doc.geometry), GetParam().formatIndex);
    EXPECT_EQ(v.doc.volumeLabelText(), "VELLUMTEST ");
    EXPECT_TRUE(v.doc.directory.volumeLabelFound);

    // The deleted entry is still there, and still not listed.
    const auto& copy = v.doc.directory.copy;
    bool sawDeleted = false;
    for (int i = 0; i < v.doc.directory.entryCount; ++i)
        sawDeleted |= copy[static_cast<std::size_t>(i) * kDirEntrySize] == 0xE5;
    EXPECT_TRUE(sawDeleted);

    const auto empty = std::find_if(v.doc.directory.listing.begin(), v.doc.directory.listing.end(),
                                    [](const auto& r) { return shown(r) == "EMPTY.TXT"; });
    ASSERT_NE(empty, v.doc.directory.listing.end());
    EXPECT_EQ(empty->attributes & 0x03, 0x03u);

    expectTreeMatchesMtools(v, image, "");
    EXPECT_EQ(v.doc.directory.depth, 0);

    ASSERT_TRUE(v.enter("DOCS").whole());
    const auto frag = v.chainOf("FRAG.BIN");
    ASSERT_GE(frag.size(), 2u);
    EXPECT_FALSE(std::adjacent_find(frag.begin(), frag.end(), [](auto a, auto b) { return b != a + 1; }) == frag.end())
        << "the sample file is not fragmented";
}

INSTANTIATE_TEST_SUITE_P(
    Diskettes, Fat12ReaderFormats,
    testing::Values(Format{"Mb144", Maker::Mformat, "-f 1440", 3}, Format{"Kb720", Maker::MkfsFat, "720", 1},
                    Format{"Kb360", Maker::Mformat, "-f 360", 0}, Format{"Mb12", Maker::Mformat, "-f 1200", 2},
                    Format{"Dmf", Maker::Mformat, "-t 80 -h 2 -s 21 -c 4 -r 1", 4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Fat12Reader, EmptyRootListsNothingAndClearsTheOldLabel)
{
    MtoolsImage image(Maker::Mformat, "-f 1440");
    Volume v(image);
    v.doc.setVolumeLabel("OLD");
    EXPECT_TRUE(v.reader.ReadDirectory().whole());
    EXPECT_EQ(v.doc.directory.entryCount, 0);
    EXPECT_EQ(v.doc.directory.endOffset, 0);
    EXPECT_TRUE(v.doc.directory.listing.empty());
    EXPECT_EQ(v.doc.volumeLabelText(), "");
}

TEST(Fat12Reader, LooksShortNamesUpWithCaseIgnored)
{
    MtoolsImage image(Maker::Mformat, "-f 1440");
    image.addFile("/ABCDEF.TXT", "1");
    image.addFile("/ABCDEF.TX", "22");
    image.addFile("/ABCDEFGH", "333");
    image.addFile("/ABCDEFGH.TXT", "4444");
    Volume v(image);
    EXPECT_EQ(v.reader.FindEntry("ABCDEF.TXT")->size, 1u);
    EXPECT_EQ(v.reader.FindEntry("ABCDEF.TX")->size, 2u);
    EXPECT_EQ(v.reader.FindEntry("ABCDEFGH")->size, 3u);
    EXPECT_EQ(v.reader.FindEntry("ABCDEFGH.TXT")->size, 4u);
    EXPECT_EQ(v.doc.directory.foundOffset, 3 * static_cast<int>(kDirEntrySize));
    EXPECT_EQ(v.reader.FindEntry("abcdef.tx")->size, 2u);

    // Too long for 8.3: found nowhere, not as a truncated neighbour.
    for (const char* name : {"ABCDEFGHI.TXT", "ABCDEF.TXTX", "ABCDEF"}) {
        v.prompter.expect("Could not find file", Buttons::Ok, Icon::Stop, Answer::Ok);
        EXPECT_FALSE(v.reader.FindEntry(name)) << name;
        EXPECT_TRUE(std::all_of(v.doc.directory.chain.begin(), v.doc.directory.chain.end(),
                                [](auto w) { return w == 0; }));
    }
}

TEST(Fat12Reader, ParentOfAFirstLevelDirectoryIsTheRootAndTheLabelSurvives)
{
    MtoolsImage image(Maker::Mformat, "-f 1440");
    image.label("KEEPME");
    image.makeDirectories({"/DOCS"});
    image.addFile("/DOCS/IN.TXT", "in");
    Volume v(image);
    const auto root = v.doc.directory.listing;

    ASSERT_TRUE(v.enter("DOCS    ").whole());
    EXPECT_EQ(v.doc.directory.depth, 1);
    EXPECT_EQ(v.doc.volumeLabelText(), "KEEPME     ");
    ASSERT_EQ(v.doc.directory.listing.size(), 2u); // ".." listed, "." not
    EXPECT_EQ(v.doc.directory.listing[0].shortName, "..      ");

    ASSERT_TRUE(v.reader.leaveDirectory().whole());
    EXPECT_EQ(v.doc.directory.chain[0], 0);
    EXPECT_EQ(v.doc.directory.depth, 0);
    ASSERT_EQ(v.doc.directory.listing.size(), root.size());
    EXPECT_EQ(v.doc.directory.listing[0].shortName, root[0].shortName);
}

TEST(Fat12Reader, LongNameRunWithoutALiveShortEntryListsNothing)
{
    MtoolsImage image(Maker::Mformat, "-f 1440");
    image.addFile("/A long file name.text", "long");
    image.addFile("/Café.txt", "café"); // entries 3 (its long name) and 4
    Volume v(image);
    ASSERT_EQ(v.doc.directory.listing.size(), 2u);
    const std::size_t cafeShortEntry = v.doc.areas.rootDirectory + 4 * kDirEntrySize;

    for (const std::uint8_t firstByte : {0xE5, 0x00}) { // deleted, then the end of the directory
        v.doc.image()[cafeShortEntry] = firstByte;
        EXPECT_TRUE(v.reader.ReadDirectory().whole());
        ASSERT_EQ(v.doc.directory.listing.size(), 1u) << int{firstByte};
        EXPECT_EQ(v.doc.directory.listing[0].longName, "A long file name.text");
    }
}

TEST(Fat12Reader, DamagedChainsStopAtTheBoundAndSaySo)
{
    MtoolsImage image(Maker::Mformat, "-f 1440");
    image.addFile("/MULTI.BIN", randomBytes(512 * 4, 7));
    Volume v(image);
    const auto chain = v.chainOf("MULTI.BIN");
    ASSERT_EQ(chain.size(), 4u);

    v.setFat(chain[2], chain[0]); // third cluster leads back to the first
    auto found = v.reader.FindEntry("MULTI.BIN");
    EXPECT_NE(found->chain.warning.find("cluster " + std::to_string(chain[0])), std::string::npos) << found->chain.warning;
    EXPECT_EQ(v.chainOf("MULTI.BIN").size(), 3u);

    v.setFat(chain[1], 4000); // beyond the 2,847 data clusters of a 1.44 MB volume
    found = v.reader.FindEntry("MULTI.BIN");
    EXPECT_NE(found->chain.warning.find("4000"), std::string::npos) << found->chain.warning;
    EXPECT_NE(found->chain.warning.find("2848"), std::string::npos) << found->chain.warning;
    EXPECT_EQ(v.chainOf("MULTI.BIN").size(), 2u);

    putLe16(v.doc.directory.copy, v.doc.directory.foundOffset + 26, 1); // first cluster 1
    EXPECT_FALSE(v.reader.FindEntry("MULTI.BIN")->chain.whole());
    EXPECT_TRUE(v.reader.clusterData(1).empty());
    EXPECT_TRUE(v.reader.clusterData(2849).empty());
}

TEST(Fat12Reader, AFolderStartingAtClusterZeroIsNotOpenedAsTheRoot)
{
    MtoolsImage image(Maker::Mformat, "-f 1440");
    image.makeDirectories({"/SUB", "/SUB/D"});
    Volume v(image);
    ASSERT_TRUE(v.enter("SUB").whole());
    ASSERT_TRUE(v.reader.FindEntry("D"));
    putLe16(v.doc.directory.copy, v.doc.directory.foundOffset + 26, 0);

    const auto outcome = v.enter("D");
    EXPECT_NE(outcome.warning.find("no cluster of its own"), std::string::npos) << outcome.warning;
    EXPECT_EQ(v.doc.directory.depth, 1);
    ASSERT_EQ(v.doc.directory.listing.size(), 2u); // still SUB's "..", D
    EXPECT_EQ(v.doc.directory.listing[1].shortName, "D       ");
}

TEST(Fat12Reader, ReadsNothingBeyondTheLoadedTracks)
{
    MtoolsImage image(Maker::Mformat, "-f 1440");
    image.addFile("/MULTI.BIN", randomBytes(512 * 4, 7)); // clusters 2 to 5
    Volume v(image);
    v.doc.TracksLoaded = 2; // one cylinder: 36 sectors, data clusters 2 to 4
    EXPECT_EQ(v.reader.fat().lastCluster(), 4u);
    const auto found = v.reader.FindEntry("MULTI.BIN");
    EXPECT_NE(found->chain.warning.find("Cluster 5 "), std::string::npos) << found->chain.warning;
    EXPECT_TRUE(v.reader.clusterData(5).empty());

    v.doc.TracksLoaded = 1; // the root directory starts in the second track
    EXPECT_FALSE(v.reader.ReadDirectory().whole());
    EXPECT_TRUE(v.doc.directory.listing.empty());
}

TEST(Fat12Reader, DirectoryOverTheCopyIsCutAt768Entries)
{
    MtoolsImage image(Maker::Mformat, "-f 1440");
    image.makeDirectories({"/MANY"});
    std::vector<std::string> names;
    for (int i = 0; i < 800; ++i)
        names.push_back("F" + std::string(3 - std::to_string(i).size(), '0') + std::to_string(i) + ".TXT");
    image.addEmptyFiles("/MANY", names);
    Volume v(image);

    const auto outcome = v.enter("MANY");
    EXPECT_NE(outcome.warning.find("768"), std::string::npos) << outcome.warning;
    EXPECT_EQ(v.doc.directory.entryCount, 768);
    ASSERT_EQ(v.doc.directory.listing.size(), 767u); // "..", then F000 to F765
    EXPECT_EQ(v.doc.directory.listing.back().shortName, "F765.TXT");

    // Entry 700 lies in the directory's 44th cluster, not after its first.
    const std::size_t offset = 700 * kDirEntrySize;
    const auto at = v.reader.entryAddress(offset);
    ASSERT_TRUE(at);
    EXPECT_TRUE(std::equal(v.doc.directory.copy.begin() + offset, v.doc.directory.copy.begin() + offset + kDirEntrySize,
                           v.doc.image().begin() + static_cast<std::ptrdiff_t>(*at)));
    EXPECT_FALSE(v.reader.entryAddress(kDirectoryCopyBytes));
}

TEST(Fat12Reader, StopsEnteringBelowEightLevels)
{
    MtoolsImage image(Maker::Mformat, "-f 1440");
    std::vector<std::string> paths;
    std::string path;
    for (int level = 1; level <= 9; ++level)
        paths.push_back(path += "/L" + std::to_string(level));
    image.makeDirectories(paths);
    Volume v(image);

    for (int level = 1; level <= 8; ++level)
        ASSERT_TRUE(v.enter("L" + std::to_string(level)).whole()) << level;
    EXPECT_EQ(v.doc.directory.depth, 8);
    const auto refused = v.enter("L9");
    EXPECT_NE(refused.warning.find("8 levels"), std::string::npos) << refused.warning;
    EXPECT_EQ(v.doc.directory.depth, 8);
    EXPECT_EQ(shown(v.doc.directory.listing.back()), "L9");

    for (int level = 8; level >= 1; --level)
        ASSERT_TRUE(v.reader.leaveDirectory().whole()) << level;
    EXPECT_EQ(v.doc.directory.depth, 0);
    EXPECT_EQ(shown(v.doc.directory.listing.front()), "L1");
}

TEST(Fat12Reader, FreeingAChainLeavesBothFatsAsMdelDoes)
{
    MtoolsImage image(Maker::Mformat, "-f 1440");
    fillSample(image, 512);
    Volume v(image);
    ASSERT_TRUE(v.enter("DOCS").whole());
    FatTable(v.doc).release(v.chainOf("FRAG.BIN"));

    image.remove("/DOCS/FRAG.BIN");
    const auto expected = test::readFile(image.path());
    const std::size_t fats = v.doc.areas.rootDirectory - v.doc.areas.fat1;
    const auto ours = v.doc.image().subspan(v.doc.areas.fat1, fats);
    EXPECT_TRUE(std::equal(ours.begin(), ours.end(), expected.begin() + static_cast<std::ptrdiff_t>(v.doc.areas.fat1)));
}

TEST(Fat12Reader, BytesPerSectorArgumentRecomputesTheAreas)
{
    MtoolsImage image(Maker::Mformat, "-f 720");
    image.addFile("/ONE.TXT", "one");
    Volume v(image);
    DriveGeometry g = v.doc.geometry;
    g.bytesPerSector = 256;
    v.doc.setGeometry(g);
    EXPECT_TRUE(v.reader.ReadDirectory(512).whole());
    ASSERT_EQ(v.doc.directory.listing.size(), 1u);
    EXPECT_EQ(v.fileBytes(*v.reader.lookup("ONE.TXT")), std::vector<std::uint8_t>({'o', 'n', 'e'}));
}

TEST(Fat12Reader, TimesAreLocalOnDisketteAndUtcInTheListing)
{
    constexpr std::time_t kJuly = 963'000'000; // 2000-07-07 20:00:00 UTC
    for (const char* zone : {"UTC", "CET-1CEST,M3.5.0,M10.5.0/3"}) {
        SCOPED_TRACE(zone);
        test::ScopedTimeZone tz(zone);
        MtoolsImage image(Maker::Mformat, "-f 1440");
        image.addFile("/JAN.TXT", "j");
        image.addFile("/JUL.TXT", randomBytes(1, 1), kJuly);
        Volume v(image);
        ASSERT_EQ(v.doc.directory.listing.size(), 2u);
        EXPECT_EQ(v.doc.directory.listing[0].lastWriteTime, (MtoolsImage::kStamp + kSeconds1601To1970) * kTicks);
        EXPECT_EQ(v.doc.directory.listing[1].lastWriteTime, (kJuly + kSeconds1601To1970) * kTicks);
    }
    test::ScopedTimeZone tz("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(FileListText::modifiedText((MtoolsImage::kStamp + kSeconds1601To1970) * kTicks), "1/07/00 (3:05p)");
}

TEST(DosTime, ImpossibleStampsGiveNoTime)
{
    test::ScopedTimeZone tz("UTC");
    const auto date = [](int y, int m, int d) { return static_cast<std::uint16_t>(((y - 1980) << 9) | (m << 5) | d); };
    const auto time = [](int h, int m, int s) { return static_cast<std::uint16_t>((h << 11) | (m << 5) | (s / 2)); };
    EXPECT_EQ(DosTime::toFileTime(date(2000, 1, 7), time(14, 5, 6)), (MtoolsImage::kStamp + kSeconds1601To1970) * kTicks);
    EXPECT_NE(DosTime::toFileTime(date(2000, 2, 29), time(0, 0, 0)), 0u);
    EXPECT_EQ(DosTime::toFileTime(date(2001, 2, 29), time(0, 0, 0)), 0u);
    EXPECT_EQ(DosTime::toFileTime(date(2000, 13, 1), time(0, 0, 0)), 0u);
    EXPECT_EQ(DosTime::toFileTime(date(2000, 1, 0), time(0, 0, 0)), 0u);
    EXPECT_EQ(DosTime::toFileTime(date(2000, 1, 1), time(24, 0, 0)), 0u);
    EXPECT_EQ(DosTime::toFileTime(date(2000, 1, 1), time(0, 60, 0)), 0u);
}

TEST(DosTime, StampsRoundTripAndClampToTheDosYears)
{
    test::ScopedTimeZone tz("UTC");
    std::tm t{};
    t.tm_year = 100, t.tm_mon = 0, t.tm_mday = 7, t.tm_hour = 14, t.tm_min = 5, t.tm_sec = 7;
    const DosStamp stamp = DosTime::fromTm(t);
    EXPECT_EQ(DosTime::toFileTime(stamp.date, stamp.time), (MtoolsImage::kStamp + kSeconds1601To1970) * kTicks);
    t.tm_year = 250; // 2150: past the 7-bit year, which must not wrap into the month
    EXPECT_EQ(DosTime::fromTm(t).date, (127 << 9) | (1 << 5) | 7);
}

TEST(TextCodec, DecodesCodePage850AndUtf16)
{
    EXPECT_EQ(TextCodec::cp850ToUtf8("CAF\x90 \x80\xE1\xFF~"), "CAFÉ Çß\u00A0~");
    const std::uint16_t units[] = {'a', 0x00E9, 0x20AC, 0xD83D, 0xDE00, 'z'};
    EXPECT_EQ(TextCodec::utf16ToUtf8(units), "aé€😀z");
    const std::uint16_t unpaired[] = {0xD83D, 'x', 0xDE00, 0xD83D};
    EXPECT_EQ(TextCodec::utf16ToUtf8(unpaired), "\uFFFDx\uFFFD\uFFFD");
}

// Random directory sectors, FATs and geometries: the reader must stay inside
// the image store whatever it meets (run under ASan).
TEST(Fat12Reader, SurvivesRandomDirectoriesAndGeometries)
{
    MtoolsImage image(Maker::Mformat, "-f 1440");
    test::MemoryProfile profile;
    QuietPrompter quiet;
    CVLMDoc doc(profile, quiet);
    Fat12Reader reader(doc, quiet);
    image.loadInto(doc);
    const DriveGeometry sound = doc.geometry;
    const std::int32_t soundTracks = doc.TracksLoaded;
    std::mt19937 rng(20240607);
    const auto pick = [&](std::uint32_t bound) { return static_cast<std::uint32_t>(rng() % bound); };
    constexpr std::uint8_t kAttributes[] = {0x00, 0x0F, 0x10, 0x20, 0x08, 0x01, 0x40};
    constexpr std::size_t kRandomFrom = 512, kRootAt = 19 * 512, kRandomTo = 33 * 512 + 128 * 512;

    for (int round = 0; round < 300; ++round) {
        DriveGeometry g = sound;
        doc.TracksLoaded = soundTracks;
        if (round % 3 == 2) {
            constexpr std::uint32_t kSectorSizes[] = {0, 1, 128, 512, 4096};
            g.bytesPerSector = kSectorSizes[pick(5)];
            g.sectorsPerCluster = pick(256);
            g.reservedSectors = pick(70'000);
            g.numberOfFats = pick(4);
            g.rootEntries = pick(65'536);
            g.sectorsPerFat = static_cast<std::uint16_t>(pick(65'536));
            g.totalSectors = static_cast<std::uint16_t>(pick(65'536));
            doc.TracksLoaded = static_cast<std::int32_t>(pick(200));
        }
        doc.setGeometry(g);
        // FATs, root and the first 128 clusters: entries of likely kinds
        // pointing at clusters likely to hold more of them.
        const auto store = doc.image();
        for (std::size_t i = kRandomFrom; i < kRandomTo; ++i)
            store[i] = static_cast<std::uint8_t>(rng());
        for (std::size_t e = kRootAt; e < kRandomTo; e += kDirEntrySize) {
            store[e + 11] = kAttributes[pick(sizeof kAttributes)];
            putLe16(store, e + 26, static_cast<std::uint16_t>(pick(140)));
        }
        doc.directory.chain.fill(0);
        doc.directory.depth = 0;
        reader.ReadDirectory();
        const auto listing = doc.directory.listing;
        ASSERT_LE(doc.directory.entryCount, static_cast<int>(kDirectoryCopyEntries));
        for (std::size_t i = 0; i < std::min<std::size_t>(listing.size(), 8); ++i) {
            reader.enterDirectory(listing[i].slot);
            if (!doc.directory.listing.empty())
                reader.enterDirectory(doc.directory.listing.back().slot);
            reader.leaveDirectory();
            reader.leaveDirectory();
            ASSERT_GE(doc.directory.depth, 0);
            ASSERT_LE(doc.directory.depth, static_cast<int>(kDirectoryLevels));
        }
        if (!listing.empty() && reader.followEntry(listing[0].slot)) {
            const auto& chain = doc.directory.chain;
            FatTable(doc).release(std::vector<std::uint16_t>(chain.begin(), std::find(chain.begin(), chain.end(), 0)));
        }
    }
}

} // namespace
} // namespace vellum
