#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "core/IniProfile.h"
#include "core/Options.h"
#include "tests/support/TempDir.h"

namespace vellum {
namespace {

using test::TempDir;

std::string text(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void put(const std::filesystem::path& file, const std::string& content)
{
    std::ofstream(file) << content;
}

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

// Written by QSettings (Qt 6, IniFormat) for the values the tests name.
const char* const kWrittenByQSettings = R"([General]
Top=2

[DriveA]
At=@@foo
Bool=true
DeviceType=7
Empty=
Lead=" lead space"
Medium="/home/u/My Disks/Größe, \"x\"\\y;z=1.img"
Neg=-5
Semi=";x"
Tab=a\tb\nc\x1\x64
Trail="trail "

[%General]
Key=1

[Grp]
a\b=4

[My%20Group]
Key%20Name=3
)";

TEST(IniProfile, ReadsWhatQSettingsWrote)
{
    TempDir dir;
    put(dir / "Vellum.conf", kWrittenByQSettings);
    const IniProfile p(dir / "Vellum.conf");

    EXPECT_EQ(p.readInt("DriveA", "DeviceType", 0), 7);
    EXPECT_EQ(p.readString("DriveA", "Medium", ""), "/home/u/My Disks/Größe, \"x\"\\y;z=1.img");
    EXPECT_EQ(p.readString("DriveA", "Lead", ""), " lead space");
    EXPECT_EQ(p.readString("DriveA", "Trail", ""), "trail ");
    EXPECT_EQ(p.readString("DriveA", "Tab", ""), "a\tb\nc\x01" "d");
    EXPECT_EQ(p.readString("DriveA", "Semi", ""), ";x");
    EXPECT_EQ(p.readString("DriveA", "At", ""), "@foo");
    EXPECT_EQ(p.readString("DriveA", "Empty", "fallback"), "");
    EXPECT_EQ(p.readInt("DriveA", "Bool", 0), 1);
    EXPECT_EQ(p.readInt("DriveA", "Neg", 0), -5);
    EXPECT_EQ(p.readInt("General", "Key", 0), 1) << "a group really called General";
    EXPECT_EQ(p.readInt("", "Top", 0), 2) << "keys outside any group";
    EXPECT_EQ(p.readInt("My Group", "Key Name", 0), 3);
    EXPECT_EQ(p.readInt("Grp", "a/b", 0), 4);
    EXPECT_EQ(p.readInt("DriveA", "Missing", 42), 42);
    EXPECT_EQ(p.readInt("DriveA", "Medium", 42), 42) << "text is no number";
}

TEST(IniProfile, WritesAwkwardStringsTheWayQSettingsDoes)
{
    TempDir dir;
    IniProfile p(dir / "Vellum.conf");
    const std::string medium = "/home/u/My Disks/Größe, \"x\"\\y;z=1.img";
    p.writeString("DriveA", "Medium", medium);
    p.writeString("DriveA", "Lead", " lead space");
    p.writeString("DriveA", "Tab", "a\tb\nc\x01" "d");
    p.writeString("DriveA", "At", "@foo");
    p.writeString("DriveA", "Hash", "#x");
    p.writeInt("DriveA", "DeviceType", 7);
    p.writeInt("General", "Key", 1);
    p.writeInt("My Group", "Key Name", 3);

    const std::string file = text(dir / "Vellum.conf");
    EXPECT_NE(file.find("\nMedium=\"/home/u/My Disks/Größe, \\\"x\\\"\\\\y;z=1.img\"\n"), std::string::npos)
        << file;
    EXPECT_NE(file.find("\nLead=\" lead space\"\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\nTab=a\\tb\\nc\\x1\\x64\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\nAt=@@foo\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\nHash=#x\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\nDeviceType=7\n"), std::string::npos) << file;
    EXPECT_NE(file.find("[%General]\nKey=1\n"), std::string::npos) << file;
    EXPECT_NE(file.find("[My%20Group]\nKey%20Name=3\n"), std::string::npos) << file;

    const IniProfile again(dir / "Vellum.conf");
    EXPECT_EQ(again.readString("DriveA", "Medium", ""), medium);
    EXPECT_EQ(again.readString("DriveA", "Lead", ""), " lead space");
    EXPECT_EQ(again.readString("DriveA", "Tab", ""), "a\tb\nc\x01" "d");
    EXPECT_EQ(again.readString("DriveA", "At", ""), "@foo");
    EXPECT_EQ(again.readInt("My Group", "Key Name", 0), 3);
}

TEST(IniProfile, ReadsValuesAsQSettingsParsesThem)
{
    TempDir dir;
    put(dir / "Vellum.conf", "[S]\n"
                             "list=hello, world\n"
                             "comment=x ; what follows is a comment\n"
                             "inner=a\"b c\"d\n"
                             "octal=\\101\\x41x\n"
                             "unknown=\\q\n"
                             "spaced=   padded   \n"
                             "# not=a comment\n");
    const IniProfile p(dir / "Vellum.conf");
    EXPECT_EQ(p.readString("S", "list", "fallback"), "") << "an unquoted comma makes a list";
    EXPECT_EQ(p.readInt("S", "list", 9), 9);
    EXPECT_EQ(p.readString("S", "comment", ""), "x");
    EXPECT_EQ(p.readString("S", "inner", ""), "ab cd");
    EXPECT_EQ(p.readString("S", "octal", ""), "AAx");
    EXPECT_EQ(p.readString("S", "unknown", "fallback"), "");
    EXPECT_EQ(p.readString("S", "spaced", ""), "padded");
    EXPECT_EQ(p.readString("S", "# not", ""), "a comment");
}

TEST(IniProfile, KeepsOtherValuesAndChangesMadeByOthers)
{
    TempDir dir;
    const auto file = dir / "Vellum.conf";
    put(file, "[Recent]\nFiles=a.vlm, b.vlm\n\n[Options]\nVerifyCopy=1\n");
    IniProfile p(file);
    // Another process (the application) changes the file meanwhile.
    put(file, text(file) + "ForceFormat=1\n");
    p.writeInt("Options", "NumberCopies", 3);

    const std::string after = text(file);
    EXPECT_NE(after.find("Files=a.vlm, b.vlm\n"), std::string::npos) << after;
    const IniProfile again(file);
    EXPECT_EQ(again.readInt("Options", "ForceFormat", 0), 1);
    EXPECT_EQ(again.readInt("Options", "VerifyCopy", 0), 1);
    EXPECT_EQ(again.readInt("Options", "NumberCopies", 0), 3);
}

TEST(IniProfile, OptionsRoundTripAndAMissingFileIsAnEmptyProfile)
{
    TempDir dir;
    const auto file = dir / "new" / "folder" / "Vellum.conf";
    IniProfile p(file);
    EXPECT_EQ(p.readInt("Options", "KeepDirStructure", 5), 5);
    Options o;
    o.VerifyCopy = true;
    o.NumberCopies = 42;
    o.write(p);
    const Options back = Options::read(IniProfile(file));
    EXPECT_TRUE(back.VerifyCopy);
    EXPECT_EQ(back.NumberCopies, 42);
    EXPECT_TRUE(back.KeepDirStructure);
}

TEST(IniProfile, FileLocationFollowsTheEnvironment)
{
    {
        const ScopedEnv config("VELLUM_CONFIG", "/tmp/elsewhere.conf");
        EXPECT_EQ(IniProfile::defaultPath(), "/tmp/elsewhere.conf");
    }
    const ScopedEnv noOverride("VELLUM_CONFIG", nullptr);
    const ScopedEnv home("HOME", "/home/someone");
    {
        const ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg/config");
        EXPECT_EQ(IniProfile::defaultPath(), "/xdg/config/Orrindale/Vellum.conf");
    }
    {
        const ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(IniProfile::defaultPath(), "/home/someone/.config/Orrindale/Vellum.conf");
    }
}

} // namespace
} // namespace vellum
