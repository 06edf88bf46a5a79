// The Options menu's commands on the profile: group commands, save and
// restore, the copies count, and the exit question.
#include <gtest/gtest.h>

#include "appmodel/OptionCommands.h"
#include "tests/support/MemoryProfile.h"
#include "tests/support/ScriptedPrompter.h"

namespace vellum {
namespace {

using O = OptionCommands::Option;

const std::string kSaveQuestion = "The option settings have changed, \nbut have not been saved.\n\n"
                                  "Do you wish to save the new option settings now?";

struct Values {
    bool load, force, verify, keep;
    bool operator==(const Values&) const = default;
};

Values values(const OptionCommands& c)
{
    return {c.value(O::LoadEntireDiskette), c.value(O::ForceFormat), c.value(O::VerifyCopy), c.value(O::KeepDirStructure)};
}

class OptionCommandsTest : public ::testing::Test {
protected:
    Options options;
    test::MemoryProfile profile;
};

TEST_F(OptionCommandsTest, GroupCommandsSetTheFourOptions)
{
    OptionCommands c(options, profile);
    EXPECT_EQ(values(c), (Values{false, false, false, true}));
    EXPECT_FALSE(c.OptionsChanged());
    c.checkAll();
    EXPECT_EQ(values(c), (Values{true, true, true, true}));
    c.resetAll();
    EXPECT_EQ(values(c), (Values{false, false, false, true}));
    c.toggle(O::VerifyCopy);
    c.toggleAll();
    EXPECT_EQ(values(c), (Values{true, true, false, false}));
    EXPECT_TRUE(options.LoadEntireDiskette);
    EXPECT_TRUE(c.OptionsChanged());
}

TEST_F(OptionCommandsTest, SaveAndRestoreGoThroughTheProfile)
{
    profile.writeInt("Options", "NumberCopies", 5);
    OptionCommands c(options, profile);
    c.toggle(O::ForceFormat);
    options.NumberCopies = 9;
    c.save();
    EXPECT_FALSE(c.OptionsChanged());
    EXPECT_EQ(profile.readInt("Options", "ForceFormat", 0), 1);
    EXPECT_EQ(profile.readInt("Options", "KeepDirStructure", 0), 1);
    EXPECT_EQ(profile.readInt("Options", "NumberCopies", 0), 5); // Save Options leaves the count alone

    c.checkAll();
    c.restore();
    EXPECT_FALSE(c.OptionsChanged());
    EXPECT_EQ(values(c), (Values{false, true, false, true}));
    EXPECT_EQ(options.NumberCopies, 5);

    for (int stored : {0, 100, -3}) {
        profile.writeInt("Options", "NumberCopies", stored);
        options.NumberCopies = 40;
        c.restore();
        EXPECT_EQ(options.NumberCopies, 1) << stored;
    }
}

TEST_F(OptionCommandsTest, ExitAsksOnlyAfterAChangeAndAlwaysWritesTheCount)
{
    OptionCommands c(options, profile);
    options.NumberCopies = 3;
    test::ScriptedPrompter prompter;
    c.onExit(prompter); // nothing changed: no question
    EXPECT_EQ(profile.readInt("Options", "NumberCopies", 0), 3);

    c.toggle(O::LoadEntireDiskette);
    c.toggle(O::LoadEntireDiskette);
    prompter.expect(kSaveQuestion, Buttons::YesNo, Icon::Question, Answer::Yes);
    c.onExit(prompter);
    EXPECT_FALSE(c.OptionsChanged());
    EXPECT_EQ(profile.readInt("Options", "LoadEntireDiskette", -1), 0);
}

} // namespace
} // namespace vellum
