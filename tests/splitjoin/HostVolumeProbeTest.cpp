#include <gtest/gtest.h>

#include "splitjoin/HostVolumeProbe.h"
#include "tests/support/TempDir.h"

namespace vellum {
namespace {

namespace fs = std::filesystem;

const std::string kMountinfo =
    "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
    "40 22 8:17 / /media/floppy rw,nosuid - vfat /dev/sdb1 rw\n"
    "41 22 8:33 / /media/floppy2 rw,nosuid - vfat /dev/sdc1 rw\n"
    "42 22 2:0 / /media/my\\040disk rw - vfat /dev/fd0 rw\n"
    "43 40 0:50 / /media/floppy/inner rw - tmpfs tmpfs rw\n"
    "44 22 8:49 / /mnt rw - vfat /dev/sdd1 rw\n"
    "45 44 8:65 / /mnt rw - vfat /dev/sde1 rw\n"; // mounted over the one before

TEST(HostVolumeProbe, FindsTheInnermostMountHoldingAPath)
{
    EXPECT_EQ(HostVolumeProbe::deviceOf(kMountinfo, "/media/floppy/docs"), "8:17");
    EXPECT_EQ(HostVolumeProbe::deviceOf(kMountinfo, "/media/floppy"), "8:17");
    EXPECT_EQ(HostVolumeProbe::deviceOf(kMountinfo, "/media/floppy2/x"), "8:33");
    EXPECT_EQ(HostVolumeProbe::deviceOf(kMountinfo, "/media/floppyx"), "8:2");
    EXPECT_EQ(HostVolumeProbe::deviceOf(kMountinfo, "/media/floppy/inner/a"), "0:50");
    EXPECT_EQ(HostVolumeProbe::deviceOf(kMountinfo, "/media/my disk/a"), "2:0");
    EXPECT_EQ(HostVolumeProbe::deviceOf(kMountinfo, "/mnt/a"), "8:65");
    EXPECT_EQ(HostVolumeProbe::deviceOf("", "/home"), std::nullopt);
}

TEST(HostVolumeProbe, ReadsTheRemovableFlagOfTheDiskOrOfAPartitionsDisk)
{
    // A sysfs-like tree: 8:16 is a removable disk, 8:17 its partition, 8:2 a fixed one.
    test::TempDir dir;
    const fs::path devices = dir / "devices";
    fs::create_directories(devices / "sdb" / "sdb1");
    fs::create_directories(devices / "sda" / "sda2");
    test::writeFile(devices / "sdb" / "removable", std::vector<std::uint8_t>{'1', '\n'});
    test::writeFile(devices / "sdb" / "sdb1" / "partition", std::vector<std::uint8_t>{'1', '\n'});
    test::writeFile(devices / "sda" / "removable", std::vector<std::uint8_t>{'0', '\n'});
    test::writeFile(devices / "sda" / "sda2" / "partition", std::vector<std::uint8_t>{'2', '\n'});
    fs::create_directory(dir / "block");
    fs::create_directory_symlink(devices / "sdb", dir / "block" / "8:16");
    fs::create_directory_symlink(devices / "sdb" / "sdb1", dir / "block" / "8:17");
    fs::create_directory_symlink(devices / "sda" / "sda2", dir / "block" / "8:2");

    const fs::path root = fs::canonical(dir.path());
    fs::create_directories(root / "mnt" / "whole");
    fs::create_directories(root / "mnt" / "part" / "sub");
    fs::create_directories(root / "mnt" / "fixed");
    const std::string info = "1 0 8:2 / " + (root / "mnt" / "fixed").string() + " rw - ext4 x rw\n" +
                             "2 0 8:17 / " + (root / "mnt" / "part").string() + " rw - vfat x rw\n" +
                             "3 0 8:16 / " + (root / "mnt" / "whole").string() + " rw - vfat x rw\n";
    test::writeFile(dir / "mountinfo", std::vector<std::uint8_t>(info.begin(), info.end()));

    HostVolumeProbe probe(dir / "mountinfo", dir / "block");
    EXPECT_TRUE(probe.isRemovable(root / "mnt" / "whole"));
    EXPECT_TRUE(probe.isRemovable(root / "mnt" / "part" / "sub" / ".."));
    EXPECT_FALSE(probe.isRemovable(root / "mnt" / "fixed"));
    EXPECT_FALSE(probe.isRemovable(root)); // in no mount listed
}

} // namespace
} // namespace vellum
