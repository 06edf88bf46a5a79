#include <gtest/gtest.h>

#include <sys/stat.h>

#include "core/AtomicFile.h"
#include "core/Error.h"
#include "tests/support/TempDir.h"

namespace vellum {
namespace {

std::size_t entries(const std::filesystem::path& dir)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(AtomicFile, ReplacesOnlyOnCommitAndKeepsTheMode)
{
    test::TempDir dir;
    const auto path = dir / "out.bin";
    test::writeFile(path, std::vector<std::uint8_t>{9, 9});
    ::chmod(path.c_str(), 0640);
    {
        AtomicFile file(path);
        file.write(std::vector<std::uint8_t>{1, 2, 3});
        EXPECT_EQ(test::readFile(path), (std::vector<std::uint8_t>{9, 9})) << "replaced before commit";
        file.commit();
    }
    EXPECT_EQ(test::readFile(path), (std::vector<std::uint8_t>{1, 2, 3}));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(AtomicFile, AbandonedWriteLeavesNothingBehind)
{
    test::TempDir dir;
    const auto path = dir / "never.txt";
    {
        AtomicFile file(path);
        file.write(std::string_view("half"));
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(entries(dir.path()), 0u);
}

TEST(AtomicFile, UnwritableFolderIsAClearError)
{
    test::TempDir dir;
    const auto path = dir / "missing" / "x.img";
    try {
        AtomicFile file(path);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace vellum
