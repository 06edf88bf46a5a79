// The tips file: which lines are tips, where the next session goes on.
#include <gtest/gtest.h>

#include <fstream>

#include "appmodel/TipFile.h"
#include "tests/support/MemoryProfile.h"
#include "tests/support/TempDir.h"

namespace vellum {
namespace {

class TipFileTest : public ::testing::Test {
protected:
    std::filesystem::path writeTips(const std::string& text) const
    {
        const auto path = dir / "tips.txt";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        return path;
    }

    test::TempDir dir;
    test::MemoryProfile profile;
};

TEST_F(TipFileTest, SkippedLinesWrapAroundAndThePlaceIsKept)
{
    const auto file = writeTips("; a comment\nFirst tip\r\n\n indented\n\tTabbed\nSecond tip\n");
    {
        TipFile tips(file, profile);
        EXPECT_EQ(tips.next().value_or(""), "First tip");
        EXPECT_EQ(tips.next().value_or(""), "Second tip");
        EXPECT_EQ(tips.next().value_or(""), "First tip");
    }
    // The next session goes on after the tip shown last.
    TipFile again(file, profile);
    EXPECT_EQ(again.next().value_or(""), "Second tip");
}

TEST_F(TipFileTest, AChangedFileStartsAgainAtItsFirstTip)
{
    const auto file = writeTips("One\nTwo\nThree\n");
    {
        TipFile tips(file, profile);
        tips.next();
        tips.next();
    }
    profile.writeString("Tip", "TimeStamp", "Thu Jan  1 00:00:00 1970");
    TipFile changed(file, profile);
    EXPECT_EQ(changed.next().value_or(""), "One");
    EXPECT_EQ(profile.readString("Tip", "TimeStamp", ""), TipFile::timeStamp(file));
}

TEST_F(TipFileTest, AFileWithoutTipsEndsTheSearchAndLongTipsAreCut)
{
    {
        TipFile none(writeTips("; only\n  comments\n\n"), profile);
        EXPECT_FALSE(none.next());
        EXPECT_FALSE(none.next());
    }

    TipFile longOne(writeTips(std::string(1500, 'x') + "\n"), profile);
    EXPECT_EQ(longOne.next().value_or("").size(), TipFile::kMaxTipLength);
}

TEST_F(TipFileTest, AFileThatCannotBeReadOrPlacedIsTroubleNotAFreshStart)
{
    // A folder opens like a file, and every read of it fails.
    std::filesystem::create_directory(dir / "folder");
    TipFile unreadable(dir / "folder", profile);
    ASSERT_TRUE(unreadable.isOpen());
    EXPECT_FALSE(unreadable.next());
    EXPECT_TRUE(unreadable.trouble());

    const auto file = writeTips("One\nTwo\n");
    profile.writeString("Tip", "TimeStamp", TipFile::timeStamp(file));
    profile.writeInt("Tip", "FilePos", -4);
    TipFile misplaced(file, profile);
    EXPECT_FALSE(misplaced.next());
    EXPECT_TRUE(misplaced.trouble());
}

TEST_F(TipFileTest, TheShippedTipsAreAllReadable)
{
    TipFile tips(VELLUM_TIPS, profile);
    const auto first = tips.next();
    ASSERT_TRUE(first);
    int count = 1;
    for (auto tip = tips.next(); tip && *tip != *first; tip = tips.next())
        ++count;
    EXPECT_GE(count, 20);
}

} // namespace
} // namespace vellum
