#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/Fat12Reader.h"
#include "core/ImageFile.h"
#include "ops/StatusPanel.h"
#include "ops/VolumeLabel.h"
#include "tests/support/MemoryProfile.h"
#include "tests/support/MtoolsImage.h"
#include "tests/support/RecordingViewSink.h"
#include "tests/support/ScriptedPrompter.h"

namespace vellum {
namespace {

using test::MtoolsImage;

// 2024-03-15 10:20:30 UTC.
constexpr std::time_t kNow = 1'710'498'030;
constexpr std::uint16_t kNowDosTime = (10 << 11) | (20 << 5) | 15;
constexpr std::uint16_t kNowDosDate = (44 << 9) | (3 << 5) | 15;

class VolumeLabelTest : public ::testing::Test {
protected:
    void load(const MtoolsImage& image)
    {
        image.loadInto(doc);
        Fat12Reader(doc, prompter).ReadDirectory();
    }
    bool apply(const std::string& text, bool remove = false, bool modify = false)
    {
        return VolumeLabel(doc, prompter, panel, view).apply(text, remove, modify, kNow);
    }
    std::string bootField() const
    {
        const auto b = doc.image().subspan(doc.areas.bootSector + VolumeLabel::kBootLabelOffset, 11);
        return {b.begin(), b.end()};
    }
    std::span<std::uint8_t> rootEntry(int index)
    {
        return doc.image().subspan(doc.areas.rootDirectory + static_cast<std::size_t>(index) * kDirEntrySize,
                                   kDirEntrySize);
    }
    std::vector<std::uint8_t> root()
    {
        const auto r = doc.image().subspan(doc.areas.rootDirectory, doc.geometry.rootEntries * kDirEntrySize);
        return {r.begin(), r.end()};
    }
    // The label as mlabel reads it from the image written back to its file.
    std::string mlabelOf(const MtoolsImage& image)
    {
        test::writeFile(image.path(), doc.image().first(doc.loadedBytes()));
        return test::runCommand("mlabel -s -i " + test::shellQuoted(image.path().string()) + " ::");
    }

    test::MemoryProfile profile;
    test::ScriptedPrompter prompter;
    CVLMDoc doc{profile, prompter};
    StatusPanel panel;
    test::RecordingViewSink view;
};

struct LabelCase {
    std::string typed;
    std::string stored; // 11 characters, blank-padded
};

class LabelLengths : public VolumeLabelTest, public ::testing::WithParamInterface<LabelCase> {};

TEST_P(LabelLengths, GoesIntoBootFieldEntryAndDocumentAsMlabelReadsIt)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
    image.label("OLDLABEL");
    image.addFile("/A.TXT", "a");
    load(image);
    const std::size_t labelEntry = doc.directory.volumeLabelEntry;

    ASSERT_TRUE(apply(GetParam().typed));

    const std::string& stored = GetParam().stored;
    EXPECT_EQ(bootField(), stored);
    const auto entry = doc.image().subspan(labelEntry, kDirEntrySize);
    EXPECT_EQ(std::string(entry.begin(), entry.begin() + 11), stored);
    const std::string bare = stored.substr(0, stored.find_last_not_of(' ') + 1);
    std::array<char, 12> expected{};
    std::copy(bare.begin(), bare.end(), expected.begin());
    EXPECT_EQ(doc.volumeLabel, expected);
    EXPECT_EQ(panel.volumeLine(), "  Volume Label:    " + bare);
    // A new label is a change of the image: leaving offers to save it.
    EXPECT_TRUE(doc.imageChanged);
    EXPECT_TRUE(panel.memoryLine().ends_with(" (changed)")) << panel.memoryLine();
    EXPECT_EQ(mlabelOf(image), " Volume label is " + stored + "\n");
}

INSTANTIATE_TEST_SUITE_P(VolumeLabel, LabelLengths,
                         ::testing::Values(LabelCase{"DISK5", "DISK5      "}, LabelCase{"ELEVENCHARS", "ELEVENCHARS"},
                                           LabelCase{"backup 7", "BACKUP 7   "}));

TEST_F(VolumeLabelTest, EmptyTextDeletesLikeTheCheckBoxAndANewLabelReusesTheEntry)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 720");
    image.label("OLDLABEL");
    load(image);
    const std::size_t labelEntry = doc.directory.volumeLabelEntry;

    for (const bool byCheckBox : {true, false}) {
        ASSERT_TRUE(apply(byCheckBox ? "IGNORED" : "", byCheckBox));
        EXPECT_EQ(bootField(), "NO NAME    ");
        EXPECT_EQ(doc.image()[labelEntry], dirent::kDeleted);
        EXPECT_EQ(doc.volumeLabelText(), "None");
        EXPECT_EQ(panel.volumeLine(), "  Volume Label:    None");
        EXPECT_EQ(mlabelOf(image), " Volume has no label\n");

        ASSERT_TRUE(apply("AGAIN"));
        EXPECT_EQ(doc.directory.volumeLabelEntry, labelEntry);
        EXPECT_EQ(mlabelOf(image), " Volume label is AGAIN      \n");
    }
}

TEST_F(VolumeLabelTest, ImageWithoutLabelGetsANewEntryAtTheRootsEnd)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
    image.addFile("/ONE.TXT", "1");
    image.addFile("/TWO.TXT", "2");
    load(image);
    ASSERT_FALSE(doc.directory.volumeLabelFound);
    ASSERT_EQ(doc.directory.endOffset, 2 * static_cast<int>(kDirEntrySize));

    ASSERT_TRUE(apply("fresh"));

    const auto entry = rootEntry(2);
    EXPECT_EQ(std::string(entry.begin(), entry.begin() + 11), "FRESH      ");
    EXPECT_EQ(entry[dirent::kAttributeOffset], 0x28);
    EXPECT_EQ(entry[12], 0);
    EXPECT_EQ(le16(entry, dirent::kTimeOffset), kNowDosTime);
    EXPECT_EQ(le16(entry, dirent::kDateOffset), kNowDosDate);
    EXPECT_EQ(rootEntry(3)[0], dirent::kEndOfDirectory);

    // A second change renames that entry instead of adding another.
    ASSERT_TRUE(apply("SECOND"));
    EXPECT_EQ(rootEntry(3)[0], dirent::kEndOfDirectory);
    EXPECT_EQ(mlabelOf(image), " Volume label is SECOND     \n");
    EXPECT_EQ(image.mdir("/").size(), 2u);
}

// The label entry of an image opened earlier must not carry over to the
// next image: the label would overwrite that image's first file.
TEST_F(VolumeLabelTest, OpeningAnUnlabelledImageAfterALabelledOneAddsANewEntry)
{
    MtoolsImage labelled(MtoolsImage::Maker::Mformat, "-f 1440");
    labelled.label("OLDLABEL");
    MtoolsImage plain(MtoolsImage::Maker::Mformat, "-f 1440");
    plain.addFile("/ONE.TXT", "1");
    const auto labelledFile = labelled.path().string() + ".vlm";
    const auto plainFile = plain.path().string() + ".vlm";
    load(labelled);
    ASSERT_TRUE(ImageFile(doc, prompter).save(labelledFile, ""));
    load(plain);
    ASSERT_TRUE(ImageFile(doc, prompter).save(plainFile, ""));

    ASSERT_TRUE(ImageFile(doc, prompter).open(labelledFile));
    ASSERT_TRUE(doc.directory.volumeLabelFound);
    ASSERT_TRUE(ImageFile(doc, prompter).open(plainFile));
    ASSERT_TRUE(apply("NEW"));

    EXPECT_EQ(std::string(rootEntry(0).begin(), rootEntry(0).begin() + 11), "ONE     TXT");
    EXPECT_EQ(std::string(rootEntry(1).begin(), rootEntry(1).begin() + 11), "NEW        ");
    EXPECT_EQ(rootEntry(1)[dirent::kAttributeOffset], 0x28);
    EXPECT_EQ(mlabelOf(plain), " Volume label is NEW        \n");
    EXPECT_EQ(plain.mdir("/").size(), 1u);
}

TEST_F(VolumeLabelTest, DeletingWithoutALabelEntryLeavesTheDirectoryAlone)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
    image.addFile("/ONE.TXT", "1");
    load(image);
    const auto before = root();
    ASSERT_TRUE(apply("", true));
    EXPECT_EQ(root(), before);
    EXPECT_EQ(bootField(), "NO NAME    ");
}

TEST_F(VolumeLabelTest, LabelGoesToTheRootWhenASubdirectoryWasReadLast)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
    image.makeDirectories({"/SUB"});
    image.addFile("/SUB/A.TXT", "a");
    image.addFile("/SUB/B.TXT", "b");
    image.addFile("/SUB/C.TXT", "c");
    load(image);
    Fat12Reader reader(doc, prompter);
    ASSERT_TRUE(reader.enterDirectory(*reader.lookup("SUB")).whole());

    ASSERT_TRUE(apply("ROOTLABEL"));
    EXPECT_EQ(rootEntry(1)[dirent::kAttributeOffset], 0x28);
    EXPECT_EQ(mlabelOf(image), " Volume label is ROOTLABEL  \n");
    EXPECT_EQ(image.mdir("/SUB").size(), 5u); // ".", ".." and three files
}

TEST_F(VolumeLabelTest, FullRootIsToldAndNothingChanges)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 720");
    std::vector<std::string> names;
    for (int i = 0; i < 112; ++i)
        names.push_back("F" + std::to_string(i) + ".TXT");
    image.addEmptyFiles("/", names);
    load(image);
    const auto before = std::vector<std::uint8_t>(doc.image().begin(), doc.image().end());
    const auto labelBefore = doc.volumeLabel;

    prompter.expect("The root directory has no free entry for the volume label: all 112 entries are in use.\n\n"
                    "Delete a file from the root directory, then try again.",
                    Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_FALSE(apply("FULL"));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), doc.image().begin()));
    EXPECT_EQ(doc.volumeLabel, labelBefore);
}

TEST_F(VolumeLabelTest, ARootOfDeletedEntriesTakesTheLabelInTheFirstOne)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 720");
    image.addFile("/BIG.TXT", std::string(3000, 'x'));
    std::vector<std::string> names;
    for (int i = 1; i < 112; ++i)
        names.push_back("F" + std::to_string(i) + ".TXT");
    image.addEmptyFiles("/", names);
    image.remove("/*.TXT");
    load(image);
    ASSERT_TRUE(apply("REUSED"));
    EXPECT_EQ(mlabelOf(image), " Volume label is REUSED     \n");
    EXPECT_EQ(le32(rootEntry(0), 28), 0u); // the deleted file's size is gone
}

TEST_F(VolumeLabelTest, AnImageWithoutItsWholeRootIsNotLabelled)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
    load(image);
    doc.TracksLoaded = 1;
    const auto before = root();
    prompter.expect("The image holds only 1 tracks, fewer than its root directory spans, so a label would be lost.",
                    Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_FALSE(apply("LOST"));
    EXPECT_EQ(root(), before);
}

TEST_F(VolumeLabelTest, RedoQuestionAndShellLabelRequest)
{
    const std::string question =
        "Image Label was not updated because no label options were selected.\n\nDo you want to redo label operation?";
    prompter.expect(question, Buttons::YesNo, Icon::None, Answer::Yes);
    prompter.expect(question, Buttons::YesNo, Icon::None, Answer::No);
    VolumeLabel label(doc, prompter, panel, view);
    EXPECT_TRUE(label.askRedo());
    EXPECT_FALSE(label.askRedo());

    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
    load(image);
    ASSERT_TRUE(apply("X", false, true));
    EXPECT_EQ(view.messages, std::vector<ViewMessage>{ViewMessage::DisketteLabel});
    ASSERT_TRUE(apply("Y"));
    EXPECT_EQ(view.messages.size(), 1u);
}

TEST_F(VolumeLabelTest, ALabelDosRefusesIsToldAndChangesNothing)
{
    MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
    load(image);
    const auto before = root();
    for (const std::string text : {"TWELVECHARSX", "A.B[X]"}) {
        prompter.expect(VolumeLabel::refusal(text), Buttons::Ok, Icon::Exclamation, Answer::Ok);
        EXPECT_FALSE(apply(text));
    }
    EXPECT_EQ(bootField(), "NO NAME    ");
    EXPECT_EQ(root(), before);
    EXPECT_NE(VolumeLabel::refusal("TWELVECHARSX").find("at most 11"), std::string::npos);
}

} // namespace
} // namespace vellum
