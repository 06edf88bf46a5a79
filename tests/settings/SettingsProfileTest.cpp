#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <variant>

#include "core/Error.h"
#include "core/Options.h"
#include "drive/DriveStatus.h"
#include "drive/VirtualDriveBackend.h"
#include "settings/SettingsProfile.h"
#include "tests/drive/DiskImages.h"
#include "tests/support/TempDir.h"

namespace vellum {
namespace {

using test::TempDir;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct Stored {
    std::string section;
    std::string key;
    std::variant<int, std::string> value;
};

// What Vellum 0.1 wrote into tests/data/Vellum-0.1.conf.
const Stored kWrittenBefore[] = {
    {"Options", "LoadEntireDiskette", 1},
    {"Options", "VerifyCopy", 1},
    {"Options", "ForceFormat", 0},
    {"Options", "NumberCopies", 12},
    {"Tip", "FilePos", 1234},
    {"Tip", "TimeStamp", std::string("Tue Dec  8 05:24:34 2026")},
    {"DriveA", "DeviceType", 7},
    {"DriveA", "Medium", std::string("/home/u/My Disks/Gr\xc3\xb6\xc3\x9f" "e, \"old\" \\copy;v=1 #2.img")},
    {"DriveA", "WriteProtected", 1},
    {"DriveA", "Device", std::string()},
    {"DriveB", "Medium", std::string(" leading and trailing ")},
    {"DriveB", "Device", std::string("/dev/fd1")},
    {"Odd", "Controls", std::string("tab\there\nnew line\x01" "end")},
    {"Odd", "At", std::string("@sign")},
    {"Odd", "Comma", std::string("a,b, c")},
    {"Odd", "Unicode", std::string("\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x92\xbe \xce\xb1")},
    {"Odd", "Key With Spaces", std::string("x")},
    {"Odd", "Folder/Key", -42},
    {"General", "Key", 3},
    {"My Group", "Key", 4},
    {"", "TopLevel", 5},
};

void expectWrittenBefore(const Profile& p)
{
    for (const Stored& s : kWrittenBefore) {
        SCOPED_TRACE(s.section + "/" + s.key);
        if (const int* n = std::get_if<int>(&s.value))
            EXPECT_EQ(p.readInt(s.section, s.key, 999), *n);
        else
            EXPECT_EQ(p.readString(s.section, s.key, "fallback"), std::get<std::string>(s.value));
    }
}

TEST(SettingsProfile, ReadsSettingsOfEarlierVersionsAndKeepsThemOnWrite)
{
    TempDir dir;
    const auto file = dir / "Vellum.conf";
    std::filesystem::copy_file(std::filesystem::path(VELLUM_TEST_DATA) / "Vellum-0.1.conf", file);
    {
        SettingsProfile p(file);
        expectWrittenBefore(p);
        EXPECT_EQ(p.readInt("Tip", "TimeStamp", 42), 42) << "text is no number";
        EXPECT_EQ(p.readInt("Odd", "Missing", 42), 42);
        p.writeInt("DriveB", "WriteProtected", 1);
    }
    const SettingsProfile again(file);
    EXPECT_EQ(again.readInt("DriveB", "WriteProtected", 0), 1);
    expectWrittenBefore(again);
}

TEST(SettingsProfile, WritesIntoANewFolderAndKeepsChangesMadeByOthers)
{
    TempDir dir;
    const auto file = dir / "new" / "folder" / "Vellum.conf";
    SettingsProfile app(file);
    EXPECT_EQ(app.readInt("Options", "KeepDirStructure", 5), 5);
    Options o;
    o.VerifyCopy = true;
    o.NumberCopies = 42;
    o.write(app);

    // vlm, a separate profile on the same file, changes it meanwhile.
    SettingsProfile(file).writeString("DriveA", "Medium", "/tmp/a b.img");
    app.writeInt("Options", "ForceFormat", 1);

    const SettingsProfile again(file);
    const Options back = Options::read(again);
    EXPECT_TRUE(back.VerifyCopy);
    EXPECT_TRUE(back.ForceFormat);
    EXPECT_EQ(back.NumberCopies, 42);
    EXPECT_EQ(again.readString("DriveA", "Medium", ""), "/tmp/a b.img");
}

TEST(SettingsProfile, ADisketteSetUpByVlmMeanwhileCountsFromTheNextOperation)
{
    test::DiskImages images;
    const auto file = images.folder() / "Vellum.conf";
    SettingsProfile app(file);
    VirtualDriveBackend drives(app);
    EXPECT_EQ(drives.checkMedia(0), kStatusNotReady);

    SettingsProfile vlm(file);
    VirtualDriveBackend other(vlm);
    other.insert(0, images.formatted("a.img", "1.44M"));
    other.setWriteProtected(0, true);

    EXPECT_EQ(drives.checkMedia(0), kStatusOk);
    std::vector<std::uint8_t> sector(512);
    EXPECT_EQ(drives.writeSectors(0, 1, sector), kStatusWriteProtect);
}

TEST(SettingsProfile, AFileThatCannotBeWrittenIsAnError)
{
    TempDir dir;
    std::ofstream(dir / "plain") << "not a folder";
    SettingsProfile p(dir / "plain" / "Vellum.conf");
    EXPECT_THROW(p.writeInt("Options", "VerifyCopy", 1), Error);
}

TEST(SettingsProfile, FileLocationFollowsTheEnvironment)
{
    {
        const ScopedEnv config("VELLUM_CONFIG", "/tmp/elsewhere.conf");
        EXPECT_EQ(SettingsProfile::defaultPath(), "/tmp/elsewhere.conf");
    }
    const ScopedEnv noOverride("VELLUM_CONFIG", nullptr);
    const ScopedEnv home("HOME", "/home/someone");
    {
        const ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg/config");
        EXPECT_EQ(SettingsProfile::defaultPath(), "/xdg/config/Orrindale/Vellum.conf");
    }
    {
        const ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(SettingsProfile::defaultPath(), "/home/someone/.config/Orrindale/Vellum.conf");
    }
}

} // namespace
} // namespace vellum
