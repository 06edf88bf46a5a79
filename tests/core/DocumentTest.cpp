#include <gtest/gtest.h>

#include <stdexcept>

#include "core/Bpb.h"
#include "core/CVLMDoc.h"
#include "core/MediaTable.h"
#include "core/StandardFormats.h"
#include "tests/support/MemoryProfile.h"
#include "tests/support/ScriptedPrompter.h"

namespace vellum {
namespace {

DriveGeometry geometryOf(std::uint32_t mediaCode, std::uint32_t sectorsPerTrack = 18, std::uint16_t spf = 9)
{
    DriveGeometry g;
    g.MediaCode = mediaCode;
    g.sectorsPerTrack = sectorsPerTrack;
    g.sectorsPerFat = spf;
    g.setDmfFlags();
    return g;
}

TEST(MediaTable, RecognisesEveryFormatByMediaCode)
{
    EXPECT_EQ(FormatOf(geometryOf(0x0FD, 9, 2)), 0);
    EXPECT_EQ(FormatOf(geometryOf(0x1FD, 9, 2)), 0); // 360 KB in a 1.2 MB drive
    EXPECT_EQ(FormatOf(geometryOf(0x1F0, 15, 7)), 2);
    EXPECT_EQ(FormatOf(geometryOf(0x1F9, 15, 7)), 2);
    EXPECT_EQ(FormatOf(geometryOf(0x2F9, 9, 3)), 1);
    EXPECT_EQ(FormatOf(geometryOf(0x7F9, 9, 3)), 1); // 720 KB in a 1.44 MB drive
    EXPECT_EQ(FormatOf(geometryOf(0x7F0)), 3);
    EXPECT_EQ(FormatNames[*FormatOf(geometryOf(0x7F9, 9, 3))], "720Kb       ");
}

TEST(MediaTable, TwentyOneSectorsAreDmfOnlyWithThreeSectorFats)
{
    const DriveGeometry dmf = geometryOf(0x7F0, 21, 3);
    EXPECT_TRUE(dmf.DmfLargeClusters);
    EXPECT_FALSE(dmf.DmfOtherLayout);
    EXPECT_EQ(FormatNames[*FormatOf(dmf)], "1.68Mb (DMF)");
    EXPECT_EQ(findMedia(dmf)->sectorsPerCluster, 4);

    const DriveGeometry other = geometryOf(0x7F0, 21, 9);
    EXPECT_TRUE(other.DmfOtherLayout);
    EXPECT_EQ(FormatNames[*FormatOf(other)], "1.44Mb      ");
    EXPECT_EQ(findMedia(other)->systemSectors, 20);
}

TEST(MediaTable, TwoPointEightIsAcceptedWithoutAFormatAndOthersAreNot)
{
    const auto entry = findMedia(geometryOf(kMediaCode288, 36));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->lastFatEntryOffset, 4295);
    EXPECT_FALSE(FormatOf(geometryOf(kMediaCode288, 36)));
    EXPECT_FALSE(findMedia(geometryOf(0x7F8)));
    EXPECT_FALSE(FormatOf(geometryOf(0x3F0)));
}

TEST(StandardFormats, EveryLookupFindsTheOneRowAndAMissIsCaught)
{
    for (const StandardFormat& f : standardFormats()) {
        EXPECT_EQ(&standardFormat(f.formatCode), &f) << f.capacity;
        EXPECT_EQ(formatNamed(f.capacity), &f);
        EXPECT_EQ(formatBySize(f.imageBytes()), &f);
        EXPECT_EQ(formatFor(f.kind, f.sectorsPerTrack), &f);
        EXPECT_EQ(formatKeeping(f.geometry()), &f);
        EXPECT_EQ(f.bpb().cylinders(), f.cylinders());
    }
    EXPECT_THROW(standardFormat(1), std::out_of_range);
    EXPECT_EQ(formatNamed("1.44 MB"), nullptr) << "the user names a capacity, not a title";
    EXPECT_EQ(capacityList(), "360K, 720K, 1.2M, 1.44M, 1.68M or 2.88M");
}

TEST(MediaTable, EveryNameIsTwelveCharacters)
{
    for (const auto name : FormatNames)
        EXPECT_EQ(name.size(), 12u) << name;
}

TEST(Areas, FollowTheBootSectorValues)
{
    DriveGeometry g;
    g.bytesPerSector = 512;
    g.reservedSectors = 1;
    g.sectorsPerFat = 9;
    g.numberOfFats = 2;
    g.rootEntries = 224;
    const AreaPointers a = AreaPointers::from(g);
    EXPECT_EQ(a.fat1, 512u);
    EXPECT_EQ(a.fat2, 10u * 512);
    EXPECT_EQ(a.rootDirectory, 19u * 512);
    EXPECT_EQ(a.dataArea, 19u * 512 + 224 * 32);
}

TEST(Options, DefaultsAndCopyCountRule)
{
    test::MemoryProfile profile;
    Options o = Options::read(profile);
    EXPECT_FALSE(o.LoadEntireDiskette);
    EXPECT_FALSE(o.VerifyCopy);
    EXPECT_FALSE(o.ForceFormat);
    EXPECT_TRUE(o.KeepDirStructure);
    EXPECT_EQ(o.NumberCopies, 1);

    for (const int stored : {0, -5, 150, 100})
        EXPECT_EQ(Options::clampCopies(stored), 1) << stored;
    EXPECT_EQ(Options::clampCopies(99), 99);

    o.VerifyCopy = true;
    o.KeepDirStructure = false;
    o.NumberCopies = 42;
    o.write(profile);
    const Options back = Options::read(profile);
    EXPECT_TRUE(back.VerifyCopy);
    EXPECT_FALSE(back.KeepDirStructure);
    EXPECT_EQ(back.NumberCopies, 42);
    EXPECT_EQ(profile.readInt("Options", "NumberCopies", 0), 42);
}

TEST(Document, StartsEmptyWithAZeroedEvenStore)
{
    test::MemoryProfile profile;
    profile.writeInt("Options", "NumberCopies", 99);
    test::ScriptedPrompter prompter;
    CVLMDoc doc(profile, prompter);
    ASSERT_TRUE(doc.hasImage());
    EXPECT_EQ(doc.image().size(), 1'725'000u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(doc.image().data()) % 2, 0u);
    EXPECT_EQ(std::count(doc.image().begin(), doc.image().end(), 0), 1'725'000);
    EXPECT_EQ(doc.ImageEmpty, 1);
    EXPECT_EQ(doc.TracksLoaded, 0);
    EXPECT_EQ(doc.SelectedDrive, 0);
    EXPECT_EQ(doc.volumeLabelText(), "");
    EXPECT_EQ(doc.options.NumberCopies, 99);
}

TEST(Document, TrackSpansNeverLeaveTheStore)
{
    test::MemoryProfile profile;
    test::ScriptedPrompter prompter;
    CVLMDoc doc(profile, prompter);
    DriveGeometry g = geometryOf(kMediaCode288, 36);
    g.bytesPerSector = 512;
    doc.setGeometry(g);
    EXPECT_EQ(doc.track(92).size(), 18'432u); // 93 whole tracks fit
    EXPECT_TRUE(doc.track(93).empty());
    EXPECT_TRUE(doc.track(-1).empty());
    doc.TracksLoaded = 160;
    EXPECT_EQ(doc.loadedBytes(), 1'725'000u);
}

TEST(Document, VolumeLabelIsElevenCharactersAtMost)
{
    test::MemoryProfile profile;
    test::ScriptedPrompter prompter;
    CVLMDoc doc(profile, prompter);
    doc.setVolumeLabel("A VERY LONG LABEL");
    EXPECT_EQ(doc.volumeLabelText(), "A VERY LONG");
    EXPECT_EQ(doc.volumeLabel[11], '\0');
}

TEST(Document, StatusTexts)
{
    EXPECT_EQ(CVLMDoc::StatusMessages(28), "Unformatted media");
    EXPECT_EQ(CVLMDoc::StatusMessages(23), "Physical or logical device nonexistant");
    EXPECT_FALSE(CVLMDoc::StatusMessages(3));
    EXPECT_EQ(CVLMDoc::statusText(31), "Write protect error");
    EXPECT_EQ(CVLMDoc::statusText(99), "Unknown driver status 99");
    EXPECT_EQ(CVLMDoc::OperationNames(11), "Format DMF Diskette");
    EXPECT_EQ(CVLMDoc::OperationNames(12), "Rescue Diskette");
    EXPECT_FALSE(CVLMDoc::OperationNames(13));
}

} // namespace
} // namespace vellum
