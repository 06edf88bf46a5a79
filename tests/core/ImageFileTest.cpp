#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "core/Bpb.h"
#include "core/Bytes.h"
#include "core/CVLMDoc.h"
#include "core/Crc16.h"
#include "core/ImageFile.h"
#include "core/Lzrw1Coder.h"
#include "core/MediaTable.h"
#include "core/PredictorCoder.h"
#include "core/RawImageFile.h"
#include "core/RunLengthCoder.h"
#include "core/StandardFormats.h"
#include "core/VlmFile.h"
#include "tests/support/MemoryProfile.h"
#include "tests/support/ScriptedPrompter.h"
#include "tests/support/TempDir.h"

namespace vellum {
namespace {

const std::string kCorrupted = "File may be corrupted! \nDo you wish to continue?";
constexpr std::uint8_t kDmfCode = 18;

struct World {
    test::MemoryProfile profile;
    test::ScriptedPrompter prompter;
    CVLMDoc doc{profile, prompter};
    test::TempDir dir;
};

// Fills the loaded tracks with content every coder wins somewhere on, and a
// boot sector whose BPB matches the format.
void fillImage(CVLMDoc& doc, const StandardFormat& format, int tracks, unsigned seed)
{
    doc.setGeometry(format.geometry());
    doc.MediaSizeKind = format.mediaSizeKind;
    doc.TracksLoaded = tracks;
    std::mt19937 random(seed);
    auto image = doc.image().first(doc.loadedBytes());
    for (std::size_t t = 0; t < static_cast<std::size_t>(tracks); ++t) {
        auto track = image.subspan(t * format.geometry().trackBytes(), format.geometry().trackBytes());
        for (std::size_t i = 0; i < track.size(); ++i) {
            switch (t % 4) {
            case 0: track[i] = 0; break;
            case 1: track[i] = static_cast<std::uint8_t>("Vellum keeps diskettes. "[i % 24]); break;
            case 2: track[i] = static_cast<std::uint8_t>(random()); break;
            default: track[i] = static_cast<std::uint8_t>(i / 700); break;
            }
        }
    }
    std::fill_n(image.begin(), 512, 0);
    format.bpb().writeTo(image);
    image[510] = 0x55;
    image[511] = 0xAA;
}

std::vector<std::uint8_t> loadedCopy(const CVLMDoc& doc)
{
    auto bytes = doc.image().first(doc.loadedBytes());
    return {bytes.begin(), bytes.end()};
}

TEST(VlmFile, RoundTripsEveryFormatThroughSaveAndOpen)
{
    for (const std::uint8_t code : {3, 4, 5, 6, 18}) {
        const StandardFormat& format = *formatByCode(code);
        World w;
        fillImage(w.doc, format, format.tracks(), code);
        w.doc.setVolumeLabel("ARCHIVE 98");
        const auto before = loadedCopy(w.doc);
        const auto path = w.dir / "disk.VLM";
        ASSERT_TRUE(ImageFile(w.doc, w.prompter).save(path, "Backup of my old diskette"));

        World back;
        ASSERT_TRUE(ImageFile(back.doc, back.prompter).open(path)) << int(code);
        EXPECT_EQ(loadedCopy(back.doc), before) << format.name;
        EXPECT_EQ(back.doc.geometry.MediaCode, format.mediaCode);
        EXPECT_EQ(back.doc.geometry.sectorsPerTrack, format.sectorsPerTrack);
        EXPECT_EQ(back.doc.geometry.DmfLargeClusters, code == kDmfCode);
        EXPECT_EQ(back.doc.TracksLoaded, format.tracks());
        EXPECT_EQ(back.doc.areas.rootDirectory, (1u + 2u * format.sectorsPerFat) * 512);
        EXPECT_EQ(back.doc.OperationState, kSuccessful);
        EXPECT_EQ(back.doc.CurrentOperation, kOpLoadFile);
        EXPECT_EQ(back.doc.LoadedFromFile, 1);
        EXPECT_EQ(back.doc.ImageEmpty, 0);
        EXPECT_EQ(back.doc.MediaSizeKind, format.mediaSizeKind);
        EXPECT_EQ(VlmFile::readDescription(path), "Backup of my old diskette");
    }
}

// Each block as the coders give it with all the room they want: the smallest
// result, the earlier coder on a tie, the track itself when nothing is smaller.
std::vector<std::uint8_t> referenceBlock(std::span<const std::uint8_t> track)
{
    std::vector<std::uint8_t> work(VlmFile::kWorkBufferSize);
    PredictorCoder predictor;
    std::vector<std::uint8_t> best(track.begin(), track.end());
    std::uint8_t type = 0;
    const auto offer = [&](std::uint8_t coder, std::size_t size) {
        if (size < best.size()) {
            best.assign(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(size));
            type = coder;
        }
    };
    offer(1, rle_encode(track, work));
    offer(2, predictor.predictor_encode(track, work));
    offer(3, lzrw1_encode(track, work));
    std::vector<std::uint8_t> block = {type, 0, 0, 0, 0};
    putLe16(block, 1, static_cast<std::uint16_t>(best.size()));
    putLe16(block, 3, crc16(track));
    block.insert(block.end(), best.begin(), best.end());
    return block;
}

TEST(VlmFile, EveryBlockIsTheSmallestCodingWhateverTheThreads)
{
    // Half the tracks go from all text to all noise; in the other half noise
    // grows byte by byte and then repeats from 4,000 bytes back, so LZRW1,
    // the predictor and the stored track pass each other a few bytes apart.
    World w;
    const StandardFormat& dmf = *formatByCode(kDmfCode);
    fillImage(w.doc, dmf, dmf.tracks(), 9);
    std::mt19937 random(15);
    const std::size_t trackBytes = dmf.geometry().trackBytes();
    const int half = dmf.tracks() / 2;
    for (int t = 1; t < dmf.tracks(); ++t) {
        const auto track = w.doc.track(t);
        const auto step = static_cast<std::size_t>(t % half);
        const std::size_t noisy = t < half ? trackBytes * step / static_cast<std::size_t>(half) : 9'200 + step;
        for (std::size_t i = 0; i < trackBytes; ++i) {
            if (t >= half)
                track[i] = i < noisy ? static_cast<std::uint8_t>(random()) : track[i - 4'000];
            else
                track[i] = i < noisy && random() % 4 != 0 ? static_cast<std::uint8_t>(random())
                                                          : static_cast<std::uint8_t>("DISKETTE image "[i % 15]);
        }
    }
    const auto path = w.dir / "mix.VLM";
    ASSERT_TRUE(ImageFile(w.doc, w.prompter).save(path, ""));

    std::vector<std::uint8_t> expected = test::readFile(path);
    expected.resize(VlmHeader::kSize);
    for (int t = 0; t < dmf.tracks(); ++t) {
        const auto block = referenceBlock(w.doc.track(t));
        expected.insert(expected.end(), block.begin(), block.end());
    }
    EXPECT_EQ(test::readFile(path), expected);
}

TEST(VlmFile, SampleDisketteIsSavedAgainByteForByte)
{
    World w;
    ASSERT_TRUE(ImageFile(w.doc, w.prompter).open(VELLUM_SAMPLE));
    const auto path = w.dir / "again.VLM";
    ASSERT_TRUE(ImageFile(w.doc, w.prompter).save(path, VlmFile::readDescription(VELLUM_SAMPLE)));
    EXPECT_EQ(test::readFile(path), test::readFile(VELLUM_SAMPLE));
}

TEST(VlmFile, HeaderAndBlocksAreLaidOutByteForByte)
{
    World w;
    const StandardFormat& format = *formatByCode(4);
    fillImage(w.doc, format, 4, 1);
    w.doc.setVolumeLabel("LABEL");
    const auto path = w.dir / "four.VLM";
    ASSERT_TRUE(ImageFile(w.doc, w.prompter).save(path, std::string(70, 'd')));
    const auto file = test::readFile(path);
    ASSERT_GE(file.size(), 128u);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.begin() + 4),
              (std::vector<std::uint8_t>{0x1A, 'V', 'L', 'M'}));
    EXPECT_EQ(std::count(file.begin() + 4, file.begin() + 64, 'd'), 60); // cut to 60
    EXPECT_EQ(file[64], 0);
    EXPECT_EQ(file[66], 4);
    EXPECT_EQ(file[110], 4);
    EXPECT_EQ(std::string(file.begin() + 111, file.begin() + 116), "LABEL");
    EXPECT_EQ(le32(file, 124), 0x7F9u);

    // Track 0 is zeros apart from the boot sector; track 1 is text.
    std::size_t at = 128;
    for (int t = 0; t < 4; ++t) {
        const auto track = w.doc.track(t);
        EXPECT_LE(file[at], 3);
        EXPECT_EQ(le16(file, at + 3), crc16(track)) << t;
        at += 5 + le16(file, at + 1);
    }
    EXPECT_EQ(at, file.size());
    EXPECT_NE(file[128 + 5 + le16(file, 129)], 0) << "a track of repeated text is stored raw";
}

TEST(VlmFile, IncompressibleTrackIsStoredWithItsFullLength)
{
    World w;
    const StandardFormat& format = *formatByCode(6);
    fillImage(w.doc, format, 3, 7); // track 2 is random
    const auto path = w.dir / "r.VLM";
    ASSERT_TRUE(ImageFile(w.doc, w.prompter).save(path, ""));
    const auto file = test::readFile(path);
    std::size_t at = 128;
    for (int t = 0; t < 2; ++t)
        at += 5 + le16(file, at + 1);
    EXPECT_EQ(file[at], 0);
    EXPECT_EQ(le16(file, at + 1), 9216);
}

TEST(VlmFile, EmptyImageIsABareHeaderThatSetsTheGeometry)
{
    World w;
    w.doc.setGeometry(formatByCode(5)->geometry());
    const auto path = w.dir / "empty.VLM";
    ASSERT_TRUE(ImageFile(w.doc, w.prompter).save(path, ""));
    EXPECT_EQ(std::filesystem::file_size(path), 128u);
    World back;
    back.prompter.expect("The root directory reaches beyond the 0 bytes of loaded tracks; only the part loaded "
                         "is listed.",
                         Buttons::Ok, Icon::Exclamation, Answer::Ok);
    ASSERT_TRUE(ImageFile(back.doc, back.prompter).open(path));
    EXPECT_EQ(back.doc.geometry.sectorsPerTrack, 15u);
    EXPECT_EQ(back.doc.TracksLoaded, 0);
}

class Corruption : public ::testing::Test {
protected:
    void SetUp() override
    {
        fillImage(source.doc, *formatByCode(6), 8, 3);
        ASSERT_TRUE(ImageFile(source.doc, source.prompter).save(path, ""));
        bytes = test::readFile(path);
    }
    std::size_t blockAt(int index) const
    {
        std::size_t at = 128;
        for (int t = 0; t < index; ++t)
            at += 5 + le16(bytes, at + 1);
        return at;
    }
    void rewrite() { test::writeFile(path, bytes); }

    World source;
    test::TempDir dir;
    std::filesystem::path path = dir / "c.VLM";
    std::vector<std::uint8_t> bytes;
};

TEST_F(Corruption, WrongMagicAsksAndNoStops)
{
    bytes[1] = 'X';
    rewrite();
    World w;
    w.prompter.expect(kCorrupted, Buttons::YesNo, Icon::Question, Answer::No);
    EXPECT_FALSE(ImageFile(w.doc, w.prompter).open(path));
    EXPECT_EQ(w.doc.OperationState, kUnsuccessful);
    EXPECT_EQ(w.doc.TracksLoaded, 0);
}

TEST_F(Corruption, BadCrcAsksPerBlockAndYesToAllLoadsEverything)
{
    bytes[blockAt(2) + 3] ^= 0xFF;
    bytes[blockAt(5) + 4] ^= 0x01;
    rewrite();
    World w;
    w.prompter.expect(kCorrupted, Buttons::YesNo, Icon::Question, Answer::Yes)
        .expect(kCorrupted, Buttons::YesNo, Icon::Question, Answer::Yes);
    EXPECT_TRUE(ImageFile(w.doc, w.prompter).open(path));
    EXPECT_EQ(w.doc.OperationState, kSuccessful);
    EXPECT_EQ(loadedCopy(w.doc), loadedCopy(source.doc));
}

TEST_F(Corruption, NoAtABadBlockLeavesMemoryAsItWas)
{
    bytes[blockAt(3) + 3] ^= 0xFF;
    rewrite();
    World w;
    fillImage(w.doc, *formatNamed("720K"), 12, 9);
    const std::vector<std::uint8_t> before = loadedCopy(w.doc);
    w.prompter.expect(kCorrupted, Buttons::YesNo, Icon::Question, Answer::No);
    EXPECT_FALSE(ImageFile(w.doc, w.prompter).open(path));
    EXPECT_EQ(w.doc.OperationState, kUnsuccessful);
    EXPECT_EQ(w.doc.geometry.MediaCode, formatNamed("720K")->geometry().MediaCode);
    EXPECT_EQ(loadedCopy(w.doc), before);
}

TEST_F(Corruption, FileCutShortDecodesZerosAndAsks)
{
    bytes.resize(blockAt(6) + 20);
    rewrite();
    // Block 6 decodes from a partly zero payload; block 7 is all zeros, whose
    // CRC is 0 as its missing header says.
    World w;
    w.prompter.expect(kCorrupted, Buttons::YesNo, Icon::Question, Answer::Yes);
    EXPECT_TRUE(ImageFile(w.doc, w.prompter).open(path));
    const auto last = w.doc.track(7);
    EXPECT_TRUE(std::all_of(last.begin(), last.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(Corruption, FileCutAtABlockBoundaryAsksOnceAndZerosTheRest)
{
    bytes.resize(blockAt(5));
    rewrite();
    World w;
    w.prompter.expect(kCorrupted, Buttons::YesNo, Icon::Question, Answer::No);
    EXPECT_FALSE(ImageFile(w.doc, w.prompter).open(path));
    EXPECT_EQ(w.doc.OperationState, kUnsuccessful);

    std::fill(w.doc.image().begin(), w.doc.image().end(), std::uint8_t{0xEE});
    w.prompter.expect(kCorrupted, Buttons::YesNo, Icon::Question, Answer::Yes);
    EXPECT_TRUE(ImageFile(w.doc, w.prompter).open(path));
    for (int t = 5; t < 8; ++t) {
        const auto track = w.doc.track(t);
        EXPECT_TRUE(std::all_of(track.begin(), track.end(), [](std::uint8_t b) { return b == 0; })) << t;
    }
}

TEST_F(Corruption, BlockCountAboveTheFormatsTracksIsRefused)
{
    bytes[110] = 161;
    rewrite();
    World w;
    w.prompter.expect("\"" + path.string() + "\" holds 161 tracks, more than the 160 tracks of its diskette. "
                      "The file is damaged.",
                      Buttons::Ok, Icon::Stop, Answer::Ok);
    EXPECT_FALSE(ImageFile(w.doc, w.prompter).open(path));
}

TEST(VlmFile, DescriptionIsWindows1252CutAtSixtyCharacters)
{
    World w;
    fillImage(w.doc, *formatByCode(6), 2, 1);
    const auto path = w.dir / "d.VLM";
    const std::string sixty = "\xE2\x82\xAC na\xC3\xAFve \xE6\x97\xA5 " + std::string(50, 'x'); // "€ naïve 日 " + 50
    ASSERT_TRUE(ImageFile(w.doc, w.prompter).save(path, sixty + "cut"));
    const auto bytes = test::readFile(path);
    const std::string field(bytes.begin() + 4, bytes.begin() + 65);
    EXPECT_EQ(field, "\x80 na\xEFve ? " + std::string(50, 'x') + '\0');
    EXPECT_EQ(VlmFile::readDescription(path), "\xE2\x82\xAC na\xC3\xAFve ? " + std::string(50, 'x'));

    auto made = bytes; // as Windows 9x writes "résumé"
    const std::string resume = "r\xE9sum\xE9";
    std::fill(made.begin() + 4, made.begin() + 65, 0);
    std::copy(resume.begin(), resume.end(), made.begin() + 4);
    test::writeFile(path, made);
    EXPECT_EQ(VlmFile::readDescription(path), "r\xC3\xA9sum\xC3\xA9");
}

TEST_F(Corruption, PayloadLongerThanTheBufferIsRefused)
{
    putLe16(bytes, blockAt(1) + 1, 14'000);
    rewrite();
    World w;
    w.prompter.expect("Block 1 of \"" + path.string() +
                          "\" has a payload of 14,000 bytes, more than the 12,000-byte block buffer. "
                          "The file is damaged.",
                      Buttons::Ok, Icon::Stop, Answer::Ok);
    EXPECT_FALSE(ImageFile(w.doc, w.prompter).open(path));
    EXPECT_EQ(w.doc.OperationState, kUnsuccessful);
}

TEST_F(Corruption, StoredBlockLongerThanItsTrackIsRefused)
{
    const std::size_t at = blockAt(0);
    bytes[at] = 0;
    putLe16(bytes, at + 1, 9216 + 100);
    rewrite();
    World w;
    w.prompter.expect("Block 0 of \"" + path.string() + "\" does not decode into a track of 9,216 bytes. "
                      "The file is damaged.",
                      Buttons::Ok, Icon::Stop, Answer::Ok);
    EXPECT_FALSE(ImageFile(w.doc, w.prompter).open(path));
}

TEST_F(Corruption, BlockCountBeyondTheStoreIsRefusedBeforeAnythingIsRead)
{
    bytes[66] = kDmfCode;
    bytes[110] = 200; // 200 x 10,752 bytes
    rewrite();
    World w;
    w.prompter.expect("\"" + path.string() + "\" holds 200 tracks of 10,752 bytes (2,150,400 bytes), "
                      "more than the 1,725,000-byte image store.",
                      Buttons::Ok, Icon::Stop, Answer::Ok);
    EXPECT_FALSE(ImageFile(w.doc, w.prompter).open(path));
    EXPECT_EQ(w.doc.TracksLoaded, 0);
    EXPECT_EQ(w.doc.geometry.sectorsPerTrack, 0u);
}

TEST_F(Corruption, TwoPointEightFormatCodeIsRefused)
{
    bytes[66] = 7;
    rewrite();
    World w;
    w.prompter.expect("\"" + path.string() + "\" holds a 2.88 MB diskette, whose tracks of 18,432 bytes "
                      "exceed the 12,000-byte block buffer. The file cannot be opened.",
                      Buttons::Ok, Icon::Stop, Answer::Ok);
    EXPECT_FALSE(ImageFile(w.doc, w.prompter).open(path));
}

TEST_F(Corruption, UnknownFormatCodeKeepsTheGeometryInMemory)
{
    bytes[66] = 0;
    rewrite();
    World w;
    w.doc.setGeometry(formatByCode(6)->geometry());
    EXPECT_TRUE(ImageFile(w.doc, w.prompter).open(path));
    EXPECT_EQ(loadedCopy(w.doc), loadedCopy(source.doc));
}

TEST_F(Corruption, RandomDamageNeverEscapesTheBuffers)
{
    std::mt19937 random(42);
    const auto pristine = bytes;
    for (int round = 0; round < 60; ++round) {
        bytes = pristine;
        for (int n = 0; n < 12; ++n)
            bytes[128 + random() % (bytes.size() - 128)] = static_cast<std::uint8_t>(random());
        if (round % 3 == 0)
            bytes.resize(128 + random() % (bytes.size() - 128));
        rewrite();
        struct Yes : Prompter {
            Answer ask(const std::string&, Buttons b, Icon) override
            {
                return b == Buttons::YesNo ? Answer::Yes : Answer::Ok;
            }
        } yes;
        test::MemoryProfile profile;
        CVLMDoc doc(profile, yes);
        ImageFile(doc, yes).open(path); // the sanitizer build checks every access
    }
}

TEST(VlmFile, RefusesLayoutsItCannotRecord)
{
    World w;
    DriveGeometry other = formatByCode(kDmfCode)->geometry();
    other.sectorsPerFat = 9;
    other.setDmfFlags();
    w.doc.setGeometry(other);
    w.doc.TracksLoaded = 2;
    const auto path = w.dir / "other.VLM";
    w.prompter.expect("This 21-sector diskette has FATs of 9 sectors instead of 3, a layout a Vellum file "
                      "cannot record. Save it as a raw image (.img) instead.",
                      Buttons::Ok, Icon::Stop, Answer::Ok);
    EXPECT_FALSE(ImageFile(w.doc, w.prompter).save(path, ""));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(ImageFile(w.doc, w.prompter).save(w.dir / "other.img", ""));
}

TEST(VlmFile, FailedSaveLeavesTheExistingFileAlone)
{
    World w;
    fillImage(w.doc, *formatByCode(6), 4, 9);
    const auto path = w.dir / "keep.VLM";
    const std::vector<std::uint8_t> old = {1, 2, 3};
    test::writeFile(path, old);
    DriveGeometry huge = w.doc.geometry;
    huge.MediaCode = kMediaCode288;
    w.doc.setGeometry(huge);
    w.prompter.expect("A 2.88 MB diskette does not fit in a Vellum file; its tracks of 18,432 bytes exceed "
                      "the 12,000-byte block buffer.",
                      Buttons::Ok, Icon::Stop, Answer::Ok);
    EXPECT_FALSE(ImageFile(w.doc, w.prompter).save(path, ""));
    EXPECT_EQ(test::readFile(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(w.dir.path()), {}), 1);
}

TEST(ImageFileNames, VlmIsAppendedOnlyWhenTheFileNameHasNoDot)
{
    EXPECT_EQ(ImageFile::withDefaultExtension("/home/me/backup"), "/home/me/backup.VLM");
    EXPECT_EQ(ImageFile::withDefaultExtension("/home/me/my.dir/backup"), "/home/me/my.dir/backup.VLM");
    EXPECT_EQ(ImageFile::withDefaultExtension("./backup"), "./backup.VLM");
    EXPECT_EQ(ImageFile::withDefaultExtension("/dev/null"), "/dev/null") << "for the write to refuse";
    EXPECT_EQ(ImageFile::withDefaultExtension("disk.img"), "disk.img");
    EXPECT_TRUE(ImageFile::isVlmName("a/b.vlm"));
    EXPECT_TRUE(ImageFile::isVlmName("B.VLM"));
    EXPECT_FALSE(ImageFile::isVlmName("b.img"));
}

TEST(RawImageFile, RoundTripsAndRecognisesByBootSectorOrSize)
{
    for (const std::uint8_t code : {3, 4, 5, 6, 18}) {
        const StandardFormat& format = *formatByCode(code);
        World w;
        fillImage(w.doc, format, format.tracks(), code + 100);
        const auto path = w.dir / "disk.img";
        ASSERT_TRUE(ImageFile(w.doc, w.prompter).save(path, ""));
        EXPECT_EQ(std::filesystem::file_size(path), format.imageBytes());

        World back;
        ASSERT_TRUE(ImageFile(back.doc, back.prompter).open(path));
        EXPECT_EQ(loadedCopy(back.doc), loadedCopy(w.doc)) << format.name;
        EXPECT_EQ(back.doc.geometry.MediaCode, format.mediaCode);
        EXPECT_EQ(back.doc.geometry.DmfLargeClusters, code == kDmfCode);
    }
    // Without a boot sector the size alone tells the layout.
    std::vector<std::uint8_t> blank(formatByCode(5)->imageBytes(), 0);
    const auto geometry = RawImageFile::recognise(blank, blank.size());
    ASSERT_TRUE(geometry);
    EXPECT_EQ(geometry->sectorsPerTrack, 15u);
    EXPECT_EQ(geometry->sectorsPerFat, 7);
}

TEST(RawImageFile, BootSectorRefinesTheLayout)
{
    World w;
    fillImage(w.doc, *formatByCode(kDmfCode), 2, 1);
    auto boot = w.doc.image().first(512);
    putLe16(boot, 22, 9); // a 21-sector volume with long FATs
    const auto g = RawImageFile::recognise(boot, formatByCode(kDmfCode)->imageBytes());
    ASSERT_TRUE(g);
    EXPECT_TRUE(g->DmfOtherLayout);
    EXPECT_EQ(g->sectorsPerFat, 9);
    putLe16(boot, 19, 2880); // disagrees with the size: the size wins
    EXPECT_EQ(RawImageFile::recognise(boot, formatByCode(kDmfCode)->imageBytes())->sectorsPerFat, 3);
}

TEST(RawImageFile, SystemAreaOpenLeavesTheDataAreaUnreadUntilARangeIsAsked)
{
    World w;
    fillImage(w.doc, *formatByCode(6), 160, 8);
    const auto path = w.dir / "disk.img";
    ASSERT_TRUE(ImageFile(w.doc, w.prompter).save(path, ""));

    World back;
    ImageFile file(back.doc, back.prompter);
    ASSERT_TRUE(file.open(path, ImageExtent::SystemArea));
    EXPECT_TRUE(file.partial());
    const std::size_t data = back.doc.areas.dataArea;
    const auto image = back.doc.image();
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(data), w.doc.image().begin()));
    EXPECT_TRUE(std::all_of(image.begin() + static_cast<std::ptrdiff_t>(data), image.end(), [](std::uint8_t b) { return b == 0; }));

    const std::size_t at = 100'000;
    ASSERT_TRUE(RawImageFile(back.doc, back.prompter).readRange(path, at, 512));
    EXPECT_TRUE(std::equal(image.begin() + at, image.begin() + at + 512, w.doc.image().begin() + at));
    back.prompter.expect("The range of 512 bytes at 1,724,900 lies beyond the 1,725,000-byte image store.",
                         Buttons::Ok, Icon::Stop, Answer::Ok);
    EXPECT_FALSE(RawImageFile(back.doc, back.prompter).readRange(path, kImageStoreSize - 100, 512));
}

TEST(RawImageFile, PartialLoadIsSavedWholeWithZerosBeyond)
{
    World w;
    fillImage(w.doc, *formatByCode(6), 10, 5);
    const auto path = w.dir / "part.ima";
    ASSERT_TRUE(ImageFile(w.doc, w.prompter).save(path, ""));
    const auto file = test::readFile(path);
    ASSERT_EQ(file.size(), 1'474'560u);
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + 10 * 9216, w.doc.image().begin()));
    EXPECT_TRUE(std::all_of(file.begin() + 10 * 9216, file.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(RawImageFile, SizeOfNoDisketteIsRefused)
{
    World w;
    const auto path = w.dir / "odd.img";
    test::writeFile(path, std::vector<std::uint8_t>(1'000'000));
    w.prompter.expect("\"" + path.string() + "\" is 1,000,000 bytes long, the size of no diskette image Vellum "
                      "knows (360 KB, 720 KB, 1.2 MB, 1.44 MB, 1.68 MB DMF or 2.88 MB).",
                      Buttons::Ok, Icon::Stop, Answer::Ok);
    EXPECT_FALSE(ImageFile(w.doc, w.prompter).open(path));
    EXPECT_EQ(w.doc.OperationState, kUnsuccessful);
}

TEST(RawImageFile, TwoPointEightLoadsWhatFitsAndIsNeverSavedBack)
{
    World w;
    const auto path = w.dir / "big.img";
    std::vector<std::uint8_t> bytes(2'949'120);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i / 18432);
    test::writeFile(path, bytes);
    w.prompter.expect("Only the first 93 of the 160 tracks of this 2.88 MB image fit in memory.", Buttons::Ok,
                      Icon::Information, Answer::Ok);
    ASSERT_TRUE(ImageFile(w.doc, w.prompter).open(path));
    EXPECT_EQ(w.doc.TracksLoaded, 93);
    EXPECT_TRUE(w.doc.HeldInPart);
    EXPECT_EQ(w.doc.geometry.MediaCode, kMediaCode288);
    EXPECT_EQ(w.doc.geometry.sectorsPerCluster, 1u); // no boot sector: the format's own layout
    EXPECT_EQ(w.doc.track(92)[0], 92);

    w.prompter.expect("Only part of this 2.88 MB diskette is held in memory, so it cannot be saved whole.",
                      Buttons::Ok, Icon::Stop, Answer::Ok);
    EXPECT_FALSE(ImageFile(w.doc, w.prompter).save(path, ""));
    EXPECT_EQ(std::filesystem::file_size(path), 2'949'120u);
}

TEST(ImageFile, MissingFileIsReportedAndUnsuccessful)
{
    World w;
    const auto path = w.dir / "absent.VLM";
    w.prompter.expect("Cannot open \"" + path.string() + "\": No such file or directory.", Buttons::Ok, Icon::Stop,
                      Answer::Ok);
    EXPECT_FALSE(ImageFile(w.doc, w.prompter).open(path));
    EXPECT_EQ(w.doc.OperationState, kUnsuccessful);
    EXPECT_EQ(w.doc.ImageEmpty, 1);
}

} // namespace
} // namespace vellum
