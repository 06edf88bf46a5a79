// The shell drive menu, and mtools as the diskette shell's real peer on a
// virtual diskette.
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include "ops/DisketteShell.h"
#include "app/FormatDialog.h"
#include "app/ProcessShell.h"
#include "app/ShellDriveMenu.h"
#include "core/StandardFormats.h"
#include "drive/VirtualMedium.h"
#include "tests/app/AppTestSupport.h"

using namespace vellum;
using namespace vellum::test;

namespace {

const StandardFormat& format(const char* name)
{
    return *formatNamed(name);
}

} // namespace

class ShellDriveMenuTest : public QObject {
    Q_OBJECT

private slots:
    void pathsNameADriveAndAFileOnIt()
    {
        QCOMPARE(ShellDriveMenu::split("a:\\"), (std::optional<std::pair<int, QString>>{{0, QString()}}));
        QCOMPARE(ShellDriveMenu::split("a:\\."), (std::optional<std::pair<int, QString>>{{0, QString()}}));
        QCOMPARE(ShellDriveMenu::split("B:\\DOCS\\Letter to Grandma.txt"),
                 (std::optional<std::pair<int, QString>>{{1, "DOCS/Letter to Grandma.txt"}}));
        QVERIFY(!ShellDriveMenu::split("c:\\"));
        QVERIFY(!ShellDriveMenu::split("a:"));
    }

    void aBlankVirtualDisketteFormatsLabelsAndRenamesWithMtools()
    {
        World world;
        const std::string file = world.path("blank.img").toStdString();
        VirtualMedium::createBlank(file, format("1.44M"));
        ProcessShell processes;
        DisketteShell disk(processes);
        const DisketteShell::Target target{file, false};

        QCOMPARE(DisketteShell::reason(disk.listing(target)),
                 std::string("The diskette holds no DOS file system. Format it first."));
        const Shell::Result formatted = disk.format(target, format("720K"), true, "WORK");
        QVERIFY2(formatted.ok(), formatted.output.c_str());
        QCOMPARE(VirtualMedium(file).state(), VirtualMedium::State::Formatted);
        QCOMPARE(QFileInfo(QString::fromStdString(file)).size(), qint64(737280));
        QCOMPARE(disk.label(target).value_or("?"), std::string("WORK"));
        const Shell::Result empty = disk.listing(target);
        QVERIFY2(empty.ok() && empty.output.find("No files") != std::string::npos, empty.output.c_str());

        QVERIFY(disk.setLabel(target, "ARCHIVE").ok());
        QCOMPARE(disk.label(target).value_or("?"), std::string("ARCHIVE"));
        QFile note(world.path("note.txt"));
        note.open(QIODevice::WriteOnly);
        note.write("note");
        note.close();
        QVERIFY(processes.run("mcopy", {"-i", file, world.path("note.txt").toStdString(), "::NOTE.TXT"}).ok());
        QVERIFY(disk.rename(target, "NOTE.TXT", "Renamed note.txt").ok());
        const Shell::Result listing = disk.listing(target);
        QVERIFY(listing.output.find("Renamed note.txt") != std::string::npos);
        QVERIFY(disk.properties(target, "Renamed note.txt").ok());
        QVERIFY(disk.remove(target, "Renamed note.txt", false).ok());
        QVERIFY(disk.listing(target).output.find("Renamed note.txt") == std::string::npos);
    }

    void formatOfABlankDisketteIsFullAndOffersTheDrivesCapacities()
    {
        World world;
        RecordingShell shell;
        QWidget owner;
        ShellDriveMenu menu(&owner, shell, *world.drives, world.prompter);
        const std::string file = world.path("a.img").toStdString();
        VirtualMedium::createBlank(file, format("1.44M"));
        world.drives->virtualDrives().insert(0, file);

        QStringList offered;
        bool quickOffered = true;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<FormatDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* box = dialog->findChild<QComboBox*>();
            for (int i = 0; i < box->count(); ++i)
                offered << box->itemText(i).section(u' ', 0, 0);
            quickOffered = dialog->findChildren<QRadioButton*>().first()->isEnabled();
            dialog->findChild<QLineEdit*>()->setText("backup 1");
            dialog->accept();
        });
        QCOMPARE(menu("a:\\", {}, ShellDriveMenu::kFormat), int(ShellDriveMenu::kCarriedOut));
        QCOMPARE(offered, (QStringList{"720K", "1.44M"})); // DMF has a command of its own
        QVERIFY(!quickOffered);
        QCOMPARE(shell.lines, std::vector<std::string>{"mformat -i " + file + " -f 1440 -v BACKUP 1 ::"});
        QCOMPARE(VirtualMedium(file).state(), VirtualMedium::State::Formatted);
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void theMenuWorksOnTheDisketteInTheDriveAndRespectsTheTab()
    {
        World world;
        RecordingShell shell;
        QWidget owner;
        ShellDriveMenu menu(&owner, shell, *world.drives, world.prompter);
        QVERIFY(!menu.diskettePresent(0));
        world.prompter.expect("Drive A: holds no diskette.  Insert one with the Drive menu first.", Buttons::Ok,
                              Icon::Exclamation, Answer::Ok);
        QCOMPARE(menu("a:\\", {}, ShellDriveMenu::kLabel), int(ShellDriveMenu::kNothing));

        const std::string file = world.path("a.img").toStdString();
        VirtualMedium::createBlank(file, format("1.44M"));
        world.drives->virtualDrives().insert(0, file);
        QVERIFY(menu.diskettePresent(0));
        world.drives->virtualDrives().setWriteProtected(0, true);
        for (int i = 0; i < 2; ++i)
            world.prompter.expect("The diskette in drive A: is write-protected.  Remove the protection with the "
                                  "Drive menu and try again.",
                                  Buttons::Ok, Icon::Exclamation, Answer::Ok);
        QCOMPARE(menu("a:\\", {}, ShellDriveMenu::kFormat), int(ShellDriveMenu::kNothing));
        QVERIFY(!menu.rename(0, "A", "B"));
        QVERIFY(shell.lines.empty());
        VERIFY_NO_PROBLEMS(world.prompter);
    }
};

QTEST_MAIN(ShellDriveMenuTest)
#include "ShellDriveMenuTest.moc"
