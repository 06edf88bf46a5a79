// The Options menu's commands on the settings file: group commands, save and
// restore, the copies count, and the exit question.
#include <QtTest>

#include "app/OptionCommands.h"
#include "tests/app/AppTestSupport.h"

using namespace vellum;
using namespace vellum::test;
using O = OptionCommands::Option;

namespace {

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

} // namespace

class OptionsTest : public QObject {
    Q_OBJECT

private slots:
    void groupCommandsSetTheFourOptions()
    {
        World world;
        OptionCommands c(world.doc->options, world.profile);
        QCOMPARE(values(c), (Values{false, false, false, true}));
        QVERIFY(!c.OptionsChanged());
        c.checkAll();
        QCOMPARE(values(c), (Values{true, true, true, true}));
        c.resetAll();
        QCOMPARE(values(c), (Values{false, false, false, true}));
        c.toggle(O::VerifyCopy);
        c.toggleAll();
        QCOMPARE(values(c), (Values{true, true, false, false}));
        QVERIFY(world.doc->options.LoadEntireDiskette);
        QVERIFY(c.OptionsChanged());
    }

    void saveAndRestoreGoThroughTheSettingsFile()
    {
        World world;
        world.profile.writeInt("Options", "NumberCopies", 5);
        OptionCommands c(world.doc->options, world.profile);
        c.toggle(O::ForceFormat);
        world.doc->options.NumberCopies = 9;
        c.save();
        QVERIFY(!c.OptionsChanged());
        IniProfile reread(world.path("Vellum.conf").toStdString());
        QCOMPARE(reread.readInt("Options", "ForceFormat", 0), 1);
        QCOMPARE(reread.readInt("Options", "KeepDirStructure", 0), 1);
        QCOMPARE(reread.readInt("Options", "NumberCopies", 0), 5); // Save Options leaves the count alone

        c.checkAll();
        c.restore();
        QVERIFY(!c.OptionsChanged());
        QCOMPARE(values(c), (Values{false, true, false, true}));
        QCOMPARE(world.doc->options.NumberCopies, 5);
    }

    void restoreReadsACountOutsideOneToNinetyNineAsOne()
    {
        for (int stored : {0, 100, -3}) {
            World world;
            world.profile.writeInt("Options", "NumberCopies", stored);
            OptionCommands c(world.doc->options, world.profile);
            world.doc->options.NumberCopies = 40;
            c.restore();
            QCOMPARE(world.doc->options.NumberCopies, 1);
        }
    }

    void exitAsksOnlyAfterAChangeAndAlwaysWritesTheCount()
    {
        World world;
        OptionCommands c(world.doc->options, world.profile);
        world.doc->options.NumberCopies = 3;
        c.onExit(world.prompter); // nothing changed: no question
        QCOMPARE(world.profile.readInt("Options", "NumberCopies", 0), 3);

        c.toggle(O::LoadEntireDiskette);
        c.toggle(O::LoadEntireDiskette);
        world.prompter.expect(kSaveQuestion, Buttons::YesNo, Icon::Question, Answer::Yes);
        c.onExit(world.prompter);
        VERIFY_NO_PROBLEMS(world.prompter);
        QVERIFY(!c.OptionsChanged());
        QCOMPARE(world.profile.readInt("Options", "LoadEntireDiskette", -1), 0);
    }
};

QTEST_MAIN(OptionsTest)
#include "OptionsTest.moc"
