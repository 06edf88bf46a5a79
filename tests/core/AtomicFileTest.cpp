#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST(AtomicFile, ReplacesOnlyARegularFileTheUserMayWriteAndWritesThroughALink)
{
    test::TempDir dir;
    const auto fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const auto folder = dir / "folder";
    std::filesystem::create_directory(folder);
    const auto device = dir / "null";
    const bool root = ::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    const auto readOnly = dir / "read-only.img";
    test::writeFile(readOnly, std::vector<std::uint8_t>{1});
    ::chmod(readOnly.c_str(), 0444);
    for (const auto& [path, reason] : {std::pair{fifo, "it is a FIFO"}, std::pair{folder, "it is a folder"},
                                       std::pair{device, "it is a device"}, std::pair{readOnly, "read-only"}}) {
        if (path == device && !root)
            continue;
        try {
            AtomicFile file(path);
            FAIL() << path << " replaced";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_EQ(test::readFile(readOnly), std::vector<std::uint8_t>{1});

    const auto real = dir / "real.img";
    const auto link = dir / "link.img";
    test::writeFile(real, std::vector<std::uint8_t>{1});
    std::filesystem::create_symlink("real.img", link);
    AtomicFile file(link);
    file.write(std::vector<std::uint8_t>{2});
    file.commit();
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(test::readFile(real), std::vector<std::uint8_t>{2});
}

TEST(AtomicFile, ATempFileLeftByAKilledRunIsRemovedByTheNext)
{
    test::TempDir dir;
    const auto path = dir / "out.img";
    const pid_t child = ::fork();
    if (child == 0) {
        AtomicFile file(path);
        ::_exit(0); // as if killed: no destructor runs
    }
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(entries(dir.path()), 1u);
    const auto left = std::filesystem::directory_iterator(dir.path())->path().filename().string();
    EXPECT_EQ(left.rfind("out.img.vellum-", 0), 0u) << left;
    AtomicFile file(path);
    file.commit();
    EXPECT_EQ(entries(dir.path()), 1u);
    EXPECT_TRUE(std::filesystem::exists(path));
}

} // namespace
} // namespace vellum
