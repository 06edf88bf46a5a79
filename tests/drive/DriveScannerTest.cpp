#include <gtest/gtest.h>

#include <fstream>

#include "drive/DriveScanner.h"
#include "tests/drive/FakeSystemCalls.h"
#include "tests/support/TempDir.h"

namespace vellum {
namespace {

namespace fs = std::filesystem;

// A sysfs tree as the kernel lays it out for disks behind USB interfaces.
class DriveScanner : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(root / "block"); }

    static void write(const fs::path& file, const std::string& text)
    {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text << "\n";
    }
    // A disk NAME behind a USB interface of SUBCLASS, with its removable flag and size in blocks.
    void disk(const std::string& name, const std::string& subclass, bool removable, int blocks)
    {
        const fs::path interface = root / "devices/usb1" / ("1-" + name) / ("1-" + name + ":1.0");
        write(interface / "bInterfaceClass", "08");
        write(interface / "bInterfaceSubClass", subclass);
        const fs::path scsi = interface / "host0/target0:0:0/0:0:0:0";
        write(scsi / "vendor", "TEAC    ");
        write(scsi / "model", "FD-05PUB        ");
        const fs::path block = root / "block" / name;
        write(block / "removable", removable ? "1" : "0");
        write(block / "size", std::to_string(blocks));
        fs::create_directory_symlink(scsi, block / "device");
    }

    test::TempDir dir;
    fs::path root = dir.path();
    test::FakeSystemCalls sys;
};

TEST_F(DriveScanner, FindsFloppyAndUsbDisketteDrivesOnly)
{
    fs::create_directories(root / "block/fd0");
    fs::create_directories(root / "block/loop0");
    disk("sdb", "04", true, 0);       // a UFI drive without a diskette
    disk("sdc", "06", true, 2880);    // a SCSI-speaking drive with a 1.44M diskette
    disk("sda", "06", false, 2880);   // a fixed disk, however small
    disk("sdd", "06", true, 15'000'000); // a memory stick
    const auto found = vellum::DriveScanner(sys, root).scan();
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].device, "/dev/fd0");
    EXPECT_EQ(found[0].kind, FoundDrive::Kind::Floppy);
    EXPECT_EQ(found[0].type, "3.5-inch 1.44 MB");
    EXPECT_EQ(found[1].device, "/dev/sdb");
    EXPECT_EQ(found[1].kind, FoundDrive::Kind::Usb);
    EXPECT_EQ(found[1].vendor, "TEAC");
    EXPECT_EQ(found[1].model, "FD-05PUB");
    EXPECT_EQ(found[2].device, "/dev/sdc");

    sys.cmos = 0; // the controller has no drive behind fd0
    fs::remove_all(root / "devices/usb1/1-sdc"); // unplugged while the scan runs
    const auto later = vellum::DriveScanner(sys, root).scan();
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0].device, "/dev/sdb");
}

} // namespace
} // namespace vellum
