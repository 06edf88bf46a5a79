#include <gtest/gtest.h>

#include "splitjoin/FileSplitter.h"
#include "tests/splitjoin/SplitJoinFakes.h"
#include "tests/support/ScriptedPrompter.h"

namespace vellum {
namespace {

using Status = FileSplitter::Status;
namespace fs = std::filesystem;

constexpr std::uint32_t k144Payload = 1'457'396;
constexpr std::uint32_t kSmallPayload = 110 * 1024; // the list's smallest entry
const std::string kExchange = "The selected removable media does not contain \nenough free space.  Please "
                              "exchange media and \npress OK button when ready. \n";
const std::string kInsertNext = "Please insert next removable media and  \npress OK button when ready. \n";

class FileSplitterTest : public ::testing::Test {
protected:
    FileSplitterTest() { fs::create_directory(out()); }

    fs::path out() const { return dir / "out"; }

    std::vector<std::uint8_t> makeSource(const std::string& name, std::size_t size)
    {
        const auto bytes = test::randomBytes(size, static_cast<unsigned>(size));
        test::writeFile(dir / name, bytes);
        settings.m_strSource = (dir / name).string();
        settings.m_strDest = out().string();
        return bytes;
    }

    std::vector<std::string> filesInOut() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(out()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    FileSplitter::Outcome split(ExistingFiles existing = ExistingFiles::Refuse)
    {
        return FileSplitter(prompter, volume, progress, existing).split(settings);
    }

    test::TempDir dir;
    test::ScriptedPrompter prompter;
    test::FakeVolume volume;
    test::CopyRecorder progress;
    SplitSettings settings;
};

TEST_F(FileSplitterTest, TwoFullPiecesAndOneOf269Bytes)
{
    const auto source = makeSource("REPORT.DOC", 2 * k144Payload + 1);
    settings.recompute(prompter);
    const auto outcome = split();

    EXPECT_EQ(outcome.status, Status::Completed);
    const std::vector<std::string> names{"REPORT.001", "REPORT.002", "REPORT.003"};
    EXPECT_EQ(outcome.created, names);
    EXPECT_EQ(progress.createdPieces, names);
    EXPECT_EQ(filesInOut(), names);
    EXPECT_EQ(settings.m_nPieces, names.size()); // the count shown is the count written
    EXPECT_EQ(fs::file_size(out() / "REPORT.001"), 1'457'664u);
    EXPECT_EQ(fs::file_size(out() / "REPORT.002"), 1'457'664u);
    EXPECT_EQ(fs::file_size(out() / "REPORT.003"), 269u);

    const auto third = test::readFile(out() / "REPORT.003");
    const SplitHeader h = SplitHeader::decode(std::span(third).first<SplitHeader::kSize>());
    EXPECT_EQ(h.sourcePath, settings.m_strSource);
    EXPECT_EQ(h.sourceSize, 2 * k144Payload + 1);
    EXPECT_EQ(h.pieceNumber, 3);
    EXPECT_EQ(h.pieceCount, 3);
    EXPECT_EQ(third.back(), source.back());

    ASSERT_FALSE(progress.percents.empty());
    EXPECT_TRUE(std::is_sorted(progress.percents.begin(), progress.percents.end()));
    EXPECT_EQ(progress.percents.back(), 100);
    EXPECT_EQ(progress.endings, 1);
}

TEST_F(FileSplitterTest, PathTooLongForTheHeaderStoresTheFileName)
{
    const std::string folder = std::string(100, 'a') + "/" + std::string(100, 'b') + "/" + std::string(60, 'c');
    fs::create_directories(dir / folder);
    makeSource(folder + "/report.txt", 10);
    ASSERT_GT(settings.m_strSource.size(), SplitHeader::kPathSize);
    EXPECT_EQ(split().status, Status::Completed);
    const auto piece = test::readFile(out() / "report.001");
    EXPECT_EQ(SplitHeader::decode(std::span(piece).first<SplitHeader::kSize>()).sourcePath, "report.txt");
}

TEST_F(FileSplitterTest, EmptyFileWritesNoPieces)
{
    makeSource("empty.bin", 0);
    settings.recompute(prompter);
    EXPECT_EQ(settings.m_nPieces, 0u);
    const auto outcome = split();
    EXPECT_EQ(outcome.status, Status::Completed);
    EXPECT_TRUE(outcome.created.empty());
    EXPECT_TRUE(filesInOut().empty());
}

TEST_F(FileSplitterTest, MissingSourceIsToldAndNothingWritten)
{
    prompter.expect("Please enter a file to split!", Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_EQ(split().status, Status::Refused);

    settings.m_strSource = (dir / "gone.txt").string();
    settings.m_strDest = out().string();
    prompter.expect("Cannot open \"" + settings.m_strSource + "\": No such file or directory.", Buttons::Ok,
                    Icon::Exclamation, Answer::Ok);
    EXPECT_EQ(split().status, Status::Failed);
    EXPECT_TRUE(filesInOut().empty());
}

TEST_F(FileSplitterTest, UncreatablePieceNamesItsPath)
{
    makeSource("data.bin", 10);
    settings.m_strDest = (dir / "no-such-folder").string();
    prompter.expect("Cannot create a file beside \"" + (dir / "no-such-folder" / "data.001").string() +
                        "\": No such file or directory.",
                    Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_EQ(split(ExistingFiles::Replace).status, Status::Failed);
    EXPECT_EQ(progress.endings, 1);
}

TEST_F(FileSplitterTest, RemovableDestinationAsksForMediaBetweenPiecesButNotAfterTheLast)
{
    makeSource("data.bin", 2 * kSmallPayload + 5);
    settings.chooseListEntry("110K");
    volume.removable = true;
    volume.free = {kSmallPayload - 1'025, kSmallPayload - 1'024}; // full, then just enough
    prompter.expect(kExchange, Buttons::OkCancel, Icon::Information, Answer::Ok)
        .expect(kInsertNext, Buttons::Ok, Icon::Information, Answer::Ok)
        .expect(kInsertNext, Buttons::Ok, Icon::Information, Answer::Ok);

    const auto outcome = split();
    EXPECT_EQ(outcome.status, Status::Completed);
    EXPECT_EQ(outcome.created.size(), 3u);
    EXPECT_EQ(fs::file_size(out() / "data.003"), SplitHeader::kSize + 5);
    EXPECT_EQ(volume.freeQueries, 4);
}

TEST_F(FileSplitterTest, CancelledMediaExchangeEndsWithThePiecesWrittenSoFar)
{
    makeSource("data.bin", 2 * kSmallPayload + 5);
    settings.chooseListEntry("110K");
    volume.removable = true;
    volume.free = {kSmallPayload, 0};
    prompter.expect(kInsertNext, Buttons::Ok, Icon::Information, Answer::Ok)
        .expect(kExchange, Buttons::OkCancel, Icon::Information, Answer::Cancel);

    const auto outcome = split();
    EXPECT_EQ(outcome.status, Status::Cancelled);
    EXPECT_EQ(outcome.created, std::vector<std::string>{"data.001"});
    EXPECT_EQ(filesInOut(), std::vector<std::string>{"data.001"});
    EXPECT_EQ(progress.endings, 1);
}

TEST_F(FileSplitterTest, CancelInTheSecondPieceRemovesEveryPieceOfTheSplit)
{
    makeSource("data.bin", 2 * kSmallPayload + 5);
    settings.chooseListEntry("110K");
    progress.onStarted = [&](const std::string& piece) { progress.cancel = piece == "data.002"; };

    const auto outcome = split();
    EXPECT_EQ(outcome.status, Status::Cancelled);
    EXPECT_TRUE(outcome.created.empty());
    EXPECT_TRUE(filesInOut().empty());
    EXPECT_EQ(progress.endings, 1);
}

TEST_F(FileSplitterTest, SourceShrinkingMidwayFailsAndLeavesNoCutOffPieceNorLosesTheFileItWasToReplace)
{
    makeSource("data.bin", 2 * kSmallPayload);
    test::writeFile(out() / "data.002", std::vector<std::uint8_t>{'o', 'l', 'd'});
    settings.chooseListEntry("110K");
    progress.onStarted = [&](const std::string& piece) {
        if (piece == "data.002")
            fs::resize_file(settings.m_strSource, kSmallPayload + 100);
    };
    prompter.expect("\"" + settings.m_strSource + "\" ended after 112740 of its 225280 bytes; it was changed while "
                    "being split.",
                    Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_EQ(split(ExistingFiles::Replace).status, Status::Failed);
    EXPECT_EQ(filesInOut(), (std::vector<std::string>{"data.001", "data.002"}));
    EXPECT_EQ(test::readFile(out() / "data.002"), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
}

TEST_F(FileSplitterTest, FixedDiskIsNeverAskedForSpace)
{
    makeSource("data.bin", 2 * kSmallPayload);
    settings.chooseListEntry("110K");
    EXPECT_EQ(split().status, Status::Completed);
    EXPECT_EQ(volume.freeQueries, 0);
    EXPECT_EQ(filesInOut().size(), 2u);
}

TEST_F(FileSplitterTest, SetsTheHeaderCannotDescribeAreRefusedBeforeWriting)
{
    makeSource("many.bin", 0);
    fs::resize_file(settings.m_strSource, 255ull * kSmallPayload + 1);
    settings.chooseListEntry("110K");
    prompter.expect("\"" + settings.m_strSource + "\" would need 256 pieces of 112640 bytes; a split set holds at "
                    "most 255 pieces. Choose a larger piece size.",
                    Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_EQ(split().status, Status::Refused);

    fs::resize_file(settings.m_strSource, 255ull * kSmallPayload);
    EXPECT_EQ(split().status, Status::Completed);
    EXPECT_EQ(filesInOut().size(), 255u);
    EXPECT_EQ(filesInOut().back(), "many.255");

    // Only the size field stops this one: 4 GB in 1.44M pieces would be 2,948.
    fs::remove_all(out());
    fs::create_directory(out());
    fs::resize_file(settings.m_strSource, 1ull << 32);
    settings.chooseRadio(kSize144);
    prompter.expect("\"" + settings.m_strSource + "\" holds 4294967296 bytes; a file to split must be smaller than "
                    "4294967296 bytes.",
                    Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_EQ(split().status, Status::Refused);
    EXPECT_TRUE(filesInOut().empty());
}

TEST_F(FileSplitterTest, PieceThatWouldOverwriteTheSourceIsRefused)
{
    const auto source = makeSource("archive.001", 2 * kSmallPayload);
    settings.chooseListEntry("110K");
    settings.m_strDest = dir.path().string();
    prompter.expect("Piece \"" + (dir / "archive.001").string() +
                        "\" would overwrite the file being split; choose another destination folder.",
                    Buttons::Ok, Icon::Exclamation, Answer::Ok);
    EXPECT_EQ(split().status, Status::Refused);
    EXPECT_EQ(test::readFile(dir / "archive.001"), source);
    EXPECT_FALSE(fs::exists(dir / "archive.002"));
}

TEST_F(FileSplitterTest, ASourcePathTooLongForTheHeaderKeepsTheFileName)
{
    const fs::path deep = dir / std::string(250, 'f');
    fs::create_directory(deep);
    test::writeFile(deep / "report.txt", test::randomBytes(10, 1));
    settings.m_strSource = (deep / "report.txt").string();
    settings.m_strDest = out().string();
    ASSERT_EQ(split().status, Status::Completed);
    const auto piece = test::readFile(out() / "report.001");
    EXPECT_EQ(SplitHeader::decode(std::span(piece).first<SplitHeader::kSize>()).sourcePath, "report.txt");
}

} // namespace
} // namespace vellum
