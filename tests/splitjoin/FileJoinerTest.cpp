#include <gtest/gtest.h>

#include "splitjoin/FileJoiner.h"
#include "splitjoin/FileSplitter.h"
#include "tests/splitjoin/SplitJoinFakes.h"
#include "tests/support/ScriptedPrompter.h"

namespace vellum {
namespace {

using Status = FileJoiner::Status;
namespace fs = std::filesystem;

const std::string kCorrupted = "File is corrupted or is not a member of the split set";

class FileJoinerTest : public ::testing::Test {
protected:
    FileJoinerTest() { fs::create_directory(target()); }

    fs::path target() const { return dir / "target"; }

    // A three-piece set of "/home/u/notes.txt" holding 10 + 10 + 4 bytes.
    std::vector<fs::path> makeSet(const std::string& stem = "notes")
    {
        const auto bytes = test::randomBytes(24, 7);
        std::vector<fs::path> pieces;
        for (std::uint8_t n = 1; n <= 3; ++n) {
            pieces.push_back(dir / (stem + ".00" + std::to_string(n)));
            const auto payload = std::span(bytes).subspan((n - 1) * 10u, n == 3 ? 4u : 10u);
            test::writePieceFile(pieces.back(), SplitHeader{"/home/u/notes.txt", 24, n, 3}, payload);
        }
        joined = bytes;
        return pieces;
    }

    // One piece that is a whole set, naming `stored` as its source.
    fs::path makeSinglePiece(const std::string& stored)
    {
        const auto bytes = test::randomBytes(5, 3);
        test::writePieceFile(dir / "one.001", SplitHeader{stored, 5, 1, 1}, bytes);
        joined = bytes;
        return dir / "one.001";
    }

    FileJoiner::Outcome join(const std::vector<fs::path>& pieces, bool overwrite = false)
    {
        const auto existing = overwrite ? ExistingFiles::Replace : ExistingFiles::Refuse;
        return FileJoiner(prompter, progress, existing).join(pieces, target().string());
    }

    void expectRefusal(const std::string& text)
    {
        prompter.expect(text, Buttons::Ok, Icon::Exclamation, Answer::Ok);
    }

    test::TempDir dir;
    test::ScriptedPrompter prompter;
    test::CopyRecorder progress;
    std::vector<std::uint8_t> joined;
};

TEST_F(FileJoinerTest, MultiMegabyteFileSurvivesSplitAndJoin)
{
    const auto source = test::randomBytes(3'000'000, 42);
    test::writeFile(dir / "data.bin", source);
    SplitSettings settings;
    settings.m_strSource = (dir / "data.bin").string();
    settings.m_strDest = dir.path().string();
    settings.chooseRadio(kSize720);
    test::FakeVolume volume;
    const auto split = FileSplitter(prompter, volume, progress).split(settings);
    ASSERT_EQ(split.created.size(), 5u);

    std::vector<fs::path> pieces;
    for (const auto& name : split.created)
        pieces.push_back(dir / name);
    const auto outcome = join(pieces);
    EXPECT_EQ(outcome.status, Status::Completed);
    EXPECT_EQ(outcome.targetName, "data.bin");
    EXPECT_EQ(outcome.originalPath, dir.path().string() + "/");
    EXPECT_EQ(outcome.target, target() / "data.bin");
    EXPECT_TRUE(test::readFile(target() / "data.bin") == source);
}

TEST_F(FileJoinerTest, JoinsASetInListOrderAndNamesTheTargetFromTheStoredPath)
{
    const auto outcome = join(makeSet());
    EXPECT_EQ(outcome.status, Status::Completed);
    EXPECT_EQ(outcome.originalPath, "/home/u/");
    EXPECT_EQ(test::readFile(target() / "notes.txt"), joined);
    EXPECT_EQ(progress.startedPieces, (std::vector<std::string>{"notes.001", "notes.002", "notes.003"}));
    EXPECT_EQ(progress.percents.back(), 100);
    EXPECT_EQ(fs::directory_iterator(target())->path().filename(), "notes.txt"); // no temporary left
}

TEST_F(FileJoinerTest, ListCountDifferingFromThePieceCountIsRefused)
{
    auto pieces = makeSet();
    pieces.erase(pieces.begin() + 1);
    expectRefusal("Files to Join list contains 2 files;\n\noriginal file was split into 3 parts.");
    EXPECT_EQ(join(pieces).status, Status::Refused);
    EXPECT_TRUE(fs::is_empty(target()));
}

TEST_F(FileJoinerTest, PieceOutOfPlaceIsAMissingPart)
{
    auto pieces = makeSet();
    pieces[2] = pieces[1];
    expectRefusal("Missing part 3 of 3 parts");
    EXPECT_EQ(join(pieces).status, Status::Refused);

    std::swap(pieces[0], pieces[1]);
    expectRefusal("Missing part 1 of 3 parts");
    EXPECT_EQ(join(pieces).status, Status::Refused);
    EXPECT_TRUE(fs::is_empty(target()));
}

TEST_F(FileJoinerTest, ForeignOrDamagedPieceIsNotAMemberOfTheSet)
{
    auto pieces = makeSet();
    auto bytes = test::readFile(pieces[1]);
    bytes[3] = 'X'; // "SPXIT"
    test::writeFile(pieces[1], bytes);
    expectRefusal(kCorrupted);
    EXPECT_EQ(join(pieces).status, Status::Refused);

    pieces = makeSet();
    test::writePieceFile(pieces[2], SplitHeader{"/home/u/other.txt", 24, 3, 3}, std::span(joined).last(4));
    expectRefusal(kCorrupted);
    EXPECT_EQ(join(pieces).status, Status::Refused);

    test::writeFile(pieces[2], std::span(bytes).first(100)); // shorter than a header
    expectRefusal(kCorrupted);
    EXPECT_EQ(join(pieces).status, Status::Refused);
    EXPECT_TRUE(fs::is_empty(target()));
}

TEST_F(FileJoinerTest, StoredPathNeverLeadsOutOfTheTargetFolder)
{
    auto outcome = join({makeSinglePiece("C:\\DATA\\REPORT.DOC")});
    EXPECT_EQ(outcome.targetName, "REPORT.DOC");
    EXPECT_EQ(outcome.originalPath, "C:\\DATA\\");
    EXPECT_EQ(test::readFile(target() / "REPORT.DOC"), joined);

    outcome = join({makeSinglePiece("..\\../escape")});
    EXPECT_EQ(outcome.status, Status::Completed);
    EXPECT_TRUE(fs::exists(target() / "escape"));
    EXPECT_FALSE(fs::exists(dir / "escape"));

    for (const std::string stored : {"/home/u/..", "..", "C:\\DATA\\.", "/home/u/", "", "x\x1B]0;owned\x07\n"}) {
        const std::string name = stored.substr(std::min(stored.size(), stored.find_last_of("/\\") + 1));
        expectRefusal("The split set names its file \"" + name +
                      "\"; only a plain file name can be joined into the target folder.");
        EXPECT_EQ(join({makeSinglePiece(stored)}).status, Status::Refused) << stored;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(target()), fs::directory_iterator()), 2);
}

TEST_F(FileJoinerTest, ShortPieceLeavesNoJoinedFileAndAnOlderOneIntact)
{
    const auto pieces = makeSet();
    const std::vector<std::uint8_t> older{'o', 'l', 'd'};
    test::writeFile(target() / "notes.txt", older);
    fs::resize_file(pieces[1], SplitHeader::kSize + 3);
    prompter.expect("Current filesize does not match original filesize.", Buttons::Ok, Icon::Information,
                    Answer::Ok);
    EXPECT_EQ(join(pieces, true).status, Status::Failed);
    EXPECT_EQ(test::readFile(target() / "notes.txt"), older);
    EXPECT_EQ(std::distance(fs::directory_iterator(target()), fs::directory_iterator()), 1);
}

TEST_F(FileJoinerTest, AnExistingFileIsReplacedOnlyWhenAskedAndNeverAPieceOfTheSet)
{
    const auto pieces = makeSet();
    const std::vector<std::uint8_t> older{'o', 'l', 'd'};
    test::writeFile(target() / "notes.txt", older);
    expectRefusal("\"" + (target() / "notes.txt").string() + "\" exists already and is not replaced.");
    EXPECT_EQ(join(pieces).status, Status::Refused);
    EXPECT_EQ(test::readFile(target() / "notes.txt"), older);
    EXPECT_EQ(join(pieces, true).status, Status::Completed);
    EXPECT_EQ(test::readFile(target() / "notes.txt"), joined);

    const fs::path piece = makeSinglePiece("C:\\one.001");
    const auto before = test::readFile(piece);
    expectRefusal("The joined file \"" + piece.string() + "\" would overwrite its own piece \"" + piece.string() +
                  "\"; choose another target folder.");
    EXPECT_EQ(FileJoiner(prompter, progress, ExistingFiles::Replace).join({piece}, dir.path().string()).status, Status::Refused);
    EXPECT_EQ(test::readFile(piece), before);
}

TEST_F(FileJoinerTest, PieceVanishingDuringTheCopyLeavesNoJoinedFile)
{
    const auto pieces = makeSet();
    progress.onStarted = [&](const std::string& piece) {
        if (piece == "notes.002")
            fs::remove(pieces[2]);
    };
    expectRefusal("Cannot open \"" + pieces[2].string() + "\": No such file or directory.");
    EXPECT_EQ(join(pieces).status, Status::Failed);
    EXPECT_TRUE(fs::is_empty(target()));
    EXPECT_EQ(progress.endings, 1);
}

TEST_F(FileJoinerTest, CancelOrADeclinedReplaceLeavesTheFolderAsItWas)
{
    const auto pieces = makeSet();
    progress.onStarted = [&](const std::string& piece) { progress.cancel = piece == "notes.002"; };
    EXPECT_EQ(join(pieces).status, Status::Cancelled);
    EXPECT_TRUE(fs::is_empty(target()));

    const std::vector<std::uint8_t> older{'o', 'l', 'd'};
    test::writeFile(target() / "notes.txt", older);
    progress.cancel = false;
    progress.onStarted = nullptr;
    const std::string question = "\"notes.txt\" already exists in \"" + target().string() +
                                 "\".\n\nDo you want to replace it?";
    prompter.expect(question, Buttons::YesNo, Icon::Question, Answer::No);
    FileJoiner asking(prompter, progress, ExistingFiles::Ask);
    EXPECT_EQ(asking.join(pieces, target().string()).status, Status::Cancelled);
    EXPECT_EQ(test::readFile(target() / "notes.txt"), older);

    prompter.expect(question, Buttons::YesNo, Icon::Question, Answer::Yes);
    EXPECT_EQ(asking.join(pieces, target().string()).status, Status::Completed);
    EXPECT_EQ(test::readFile(target() / "notes.txt"), joined);
}

TEST_F(FileJoinerTest, PieceHoldingOnlyItsHeaderAddsNothing)
{
    const auto bytes = test::randomBytes(10, 1);
    test::writePieceFile(dir / "a.001", SplitHeader{"a.bin", 10, 1, 2}, bytes);
    test::writePieceFile(dir / "a.002", SplitHeader{"a.bin", 10, 2, 2}, {});
    EXPECT_EQ(join({dir / "a.001", dir / "a.002"}).status, Status::Completed);
    EXPECT_EQ(test::readFile(target() / "a.bin"), bytes);
}

TEST_F(FileJoinerTest, EmptyListDoesNothing)
{
    EXPECT_EQ(join({}).status, Status::NothingToJoin);
    EXPECT_EQ(progress.endings, 0);
}

} // namespace
} // namespace vellum
