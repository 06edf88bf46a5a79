#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#include <optional>
#include <variant>

#include "core/Error.h"
#include "core/Options.h"
#include "drive/DriveStatus.h"
#include "drive/VirtualDriveBackend.h"
#include "settings/SettingsProfile.h"
#include "tests/drive/DiskImages.h"
#include "tests/settings/SettingsSamples.h"
#include "tests/support/TempDir.h"
#include "tests/support/VlmRunner.h"

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

void expectSettings(const Profile& p, const std::vector<test::StoredSetting>& settings)
{
    for (const test::StoredSetting& s : settings) {
        SCOPED_TRACE(s.section + "/" + s.key);
        if (const int* n = std::get_if<int>(&s.value))
            EXPECT_EQ(p.readInt(s.section, s.key, 999), *n);
        else
            EXPECT_EQ(p.readString(s.section, s.key, "fallback"), std::get<std::string>(s.value));
    }
}

TEST(SettingsProfile, ReadsSettingsOfEarlierVersionsAndKeepsThemOnWrite)
{
    for (const test::SettingsSample& sample : test::settingsSamples()) {
        SCOPED_TRACE(sample.file);
        TempDir dir;
        const auto file = dir / "Vellum.conf";
        std::filesystem::copy_file(std::filesystem::path(VELLUM_TEST_DATA) / sample.file, file);
        {
            SettingsProfile p(file);
            expectSettings(p, sample.settings);
            EXPECT_EQ(p.readInt("Odd", "Missing", 42), 42);
            p.writeInt("DriveB", "WriteProtected", 1);
        }
        const SettingsProfile again(file);
        EXPECT_EQ(again.readInt("DriveB", "WriteProtected", 0), 1);
        EXPECT_EQ(again.readInt("Tip", "TimeStamp", 42), 42) << "text is no number";
        expectSettings(again, sample.settings);
    }
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
    SettingsProfile(file).writeString("DriveA", "Medium", "/tmp/a b \xf6.img"); // Latin-1, no UTF-8
    app.writeInt("Options", "ForceFormat", 1);

    const SettingsProfile again(file);
    const Options back = Options::read(again);
    EXPECT_TRUE(back.VerifyCopy);
    EXPECT_TRUE(back.ForceFormat);
    EXPECT_EQ(back.NumberCopies, 42);
    EXPECT_EQ(again.readString("DriveA", "Medium", ""), "/tmp/a b \xf6.img");
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
    EXPECT_THROW(SettingsProfile(dir / "plain" / "Vellum.conf").writeInt("Options", "VerifyCopy", 1), Error);
}

TEST(SettingsProfile, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr int kKeys = 200;
    TempDir dir;
    const auto file = dir / "Vellum.conf";
    const auto writeKeys = [&file](const std::string& section) {
        SettingsProfile p(file);
        for (int i = 0; i < kKeys; ++i)
            p.writeInt(section, "Key" + std::to_string(i), i);
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        try {
            writeKeys("Child");
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    writeKeys("Parent");
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const SettingsProfile after(file);
    for (const char* section : {"Child", "Parent"})
        for (int i = 0; i < kKeys; ++i)
            ASSERT_EQ(after.readInt(section, "Key" + std::to_string(i), -1), i) << section << " " << i;
}

// What vlm meets at the settings file's place, and whether it is still there afterwards.
struct BadSettings {
    std::string what;
    std::function<bool(const std::filesystem::path&)> make; // false when this machine cannot make it
    std::function<bool(const std::filesystem::path&)> intact;
    std::string launcher;
};

TEST(SettingsProfile, AnUnusableSettingsFileIsNamedAndLeftAsItIs)
{
    namespace fs = std::filesystem;
    const auto writeFile = [](const fs::path& p, const std::string& bytes) {
        std::ofstream(p, std::ios::binary) << bytes;
        return true;
    };
    const std::string garbage = "This is a letter,\nnot the settings of anything.\n";
    const std::string cutShort = "[Options\rVerifyCopy=1\n";
    const std::string binary("\x7f" "ELF\x02\x01\x01\0\0\0[Options]\n", 17);
    const std::string huge = "[Options]\n" + std::string(SettingsProfile::kMostBytes, ';') + "\n";
    const auto sameBytes = [](const std::string& bytes) {
        return [bytes](const fs::path& p) { return fs::is_regular_file(p) && test::readFile(p) == std::vector<std::uint8_t>(bytes.begin(), bytes.end()); };
    };
    // root reads any file: the unreadable one is tried as nobody.
    const std::string asNobody = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
    const std::vector<BadSettings> cases = {
        {"garbage", [&](const fs::path& p) { return writeFile(p, garbage); }, sameBytes(garbage), ""},
        // SimpleIni would file the keys after it under a section of both lines.
        {"a section cut short", [&](const fs::path& p) { return writeFile(p, cutShort); }, sameBytes(cutShort), ""},
        {"binary", [&](const fs::path& p) { return writeFile(p, binary); }, sameBytes(binary), ""},
        {"over 1 MB", [&](const fs::path& p) { return writeFile(p, huge); }, sameBytes(huge), ""},
        {"a folder", [](const fs::path& p) { return fs::create_directory(p); },
         [](const fs::path& p) { return fs::is_directory(p) && fs::is_empty(p); }, ""},
        {"unreadable", [&](const fs::path& p) { return writeFile(p, "[Options]\n") && ::chmod(p.c_str(), 0) == 0; },
         sameBytes("[Options]\n"), asNobody},
        {"a FIFO", [](const fs::path& p) { return ::mkfifo(p.c_str(), 0600) == 0; },
         [](const fs::path& p) { return fs::is_fifo(p); }, ""},
        // A node of its own, like /dev/null: 1,3.
        {"a device", [](const fs::path& p) { return ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; },
         [](const fs::path& p) { return fs::is_character_file(p); }, ""},
    };
    for (const BadSettings& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        const fs::path file = dir / "vellum.conf";
        if (!c.make(file)) {
            std::cout << "cannot make " << c.what << " here; not tried\n";
            continue;
        }
        const test::VlmRun run = test::runVlm(dir, "drive type B: 7", c.launcher);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err.rfind("vlm: error: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(file.string()), std::string::npos) << run.err;
        EXPECT_TRUE(c.intact(file));
        EXPECT_FALSE(fs::exists(dir / "vellum.conf.lock")) << "nothing was to be written";
    }
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
