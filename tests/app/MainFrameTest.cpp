// The main window: its placement, clock panes, menus, System Tools, the exit
// question, and screenshots of it empty and with the sample diskette.
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QMenuBar>
#include <QMimeData>
#include <QtTest>
#include <map>

#include "app/CAboutBox.h"
#include "app/CMainFrame.h"
#include "app/CVLMView.h"
#include "app/DriveMenu.h"
#include "app/HelpWindow.h"
#include "app/FileListModel.h"
#include "appmodel/ViewCommands.h"
#include "tests/app/AppTestSupport.h"

using namespace vellum;
using namespace vellum::test;

namespace {

const std::string kSaveQuestion = "The option settings have changed, \nbut have not been saved.\n\n"
                                  "Do you wish to save the new option settings now?";

void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QStringList menuTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

QMenu* topMenu(CMainFrame& frame, const QString& title)
{
    for (QAction* a : frame.menuBar()->actions())
        if (a->text() == title)
            return a->menu();
    return nullptr;
}

// The letter after a single "&", lower case; none for a text without one.
QChar mnemonic(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] != u'&')
            return text[i + 1].toLower();
        ++i;
    }
    return {};
}

// "text / text" for each two items of a menu (the bar included) that share a mnemonic.
QStringList sharedMnemonics(const QList<QAction*>& items)
{
    QStringList shared;
    std::map<QChar, QString> first;
    for (QAction* item : items) {
        if (item->menu())
            shared << sharedMnemonics(item->menu()->actions());
        const QChar letter = mnemonic(item->text());
        if (letter.isNull())
            continue;
        if (const auto [it, added] = first.emplace(letter, item->text()); !added)
            shared << it->second + " / " + item->text();
    }
    return shared;
}

void saveScreenshot(QWidget& window, const QString& name)
{
    QDir().mkpath(VELLUM_SCREENSHOTS);
    const QString path = QDir(VELLUM_SCREENSHOTS).filePath(name);
    QVERIFY(window.grab().save(path));
    QVERIFY(QFileInfo(path).size() > 0);
}

} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT

private slots:
    void windowTakesSeventyPercentButAtLeast626Pixels()
    {
        QCOMPARE(CMainFrame::placement({0, 0, 1920, 1080}), QRect(288, 162, 1344, 756));
        QCOMPARE(CMainFrame::placement({0, 0, 800, 600}).width(), 626);
        QCOMPARE(CMainFrame::placement({0, 0, 800, 600}).x(), 87);
        QCOMPARE(CMainFrame::placement({0, 0, 600, 400}), QRect(0, 60, 600, 280));
        // A second screen keeps its own origin.
        QCOMPARE(CMainFrame::placement({1920, 0, 1000, 1000}).topLeft(), QPoint(1920 + 150, 150));
    }

    void clockPanesUseTheirFormats()
    {
        const QDateTime afternoon(QDate(2000, 1, 7), QTime(12, 30));
        QCOMPARE(CMainFrame::dateText(afternoon), QString("Friday, January 07, 2000 "));
        QCOMPARE(CMainFrame::timeText(afternoon), QString("12:30  PM "));
        QCOMPARE(CMainFrame::timeText(QDateTime(QDate(2000, 1, 7), QTime(0, 5))), QString("12:05  AM "));
        QCOMPARE(CMainFrame::timeText(QDateTime(QDate(2000, 1, 7), QTime(23, 59))), QString("11:59  PM "));
        QCOMPARE(CMainFrame::timeText(QDateTime(QDate(2000, 1, 7), QTime(9, 0))), QString("09:00  AM "));
    }

    void menusCarryTheCommandsWithUnbuiltOnesDisabled()
    {
        World world;
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        const QStringList help = menuTexts(topMenu(frame, "&Help"));
        QCOMPARE(help.value(0), QString("Ti&p of the Day..."));
        QCOMPARE(help.value(1), QString("-"));
        QVERIFY(help.contains("&About VLM..."));
        QVERIFY(menuTexts(topMenu(frame, "&File")).contains("E&xit VLM"));
        QCOMPARE(frame.menuBar()->actions().value(3)->text(), QString("&Tools"));
        QCOMPARE(menuTexts(topMenu(frame, "&Tools")).value(0), QString("&System Tools"));
        QVERIFY(frame.command(kCmdJoinSplit)->isEnabled());
        QVERIFY(frame.command(kCmdFormatDmf)->isEnabled());
        QVERIFY(frame.command(kCmdFormat)->isEnabled());
        QVERIFY(frame.command(kCmdOpenImage)->isEnabled());
        QCOMPARE(frame.command(kCmdVerifyCopy)->statusTip(),
                 QString("When checked, each track will be verified as it is copied"));
    }

    void noMenuGivesOneLetterToTwoItemsButWhereTheOriginalTextsDo()
    {
        World world;
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        for (QAction* top : frame.menuBar()->actions())
            emit top->menu()->aboutToShow(); // menus filled as they open
        const QStringList original = {"&Image Label / &Initialize", "&Format / Re&fresh"};
        QCOMPARE(sharedMnemonics(frame.menuBar()->actions()), original);
    }

    void contextHelpNamesTheClickedMenuCommandAndF1TheDialogsTopic()
    {
        World world;
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QSignalSpy topics(&frame.view(), &CVLMView::helpRequested);
        // Every menu command has a topic of its own.
        for (QAction* top : frame.menuBar()->actions())
            for (QAction* item : top->menu()->actions())
                if (item->data().isValid())
                    QVERIFY2(QFile::exists(HelpWindow::topicPath(item->data().toInt() + ViewCommands::kButtonHelpBase)) &&
                                 HelpWindow::topicPath(item->data().toInt() + ViewCommands::kButtonHelpBase) !=
                                     HelpWindow::topicPath(0),
                             qPrintable(item->text()));

        // Shift+F1, then Esc: no topic, and clicks act again.
        QTest::keyClick(&frame, Qt::Key_F1, Qt::ShiftModifier);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WhatsThisCursor);
        QTest::keyClick(&frame, Qt::Key_Escape);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(topics.count(), 0);

        // Shift+F1, then a command of an open menu: that command's topic, and the command does not run.
        QTest::keyClick(&frame, Qt::Key_F1, Qt::ShiftModifier);
        QMenu* diskette = topMenu(frame, "Dis&kette");
        diskette->popup(frame.mapToGlobal(QPoint(20, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(diskette));
        QAction* compare = frame.command(kCmdCompare);
        // Through the window, as the display server's click comes.
        QTest::mouseClick(diskette->windowHandle(), Qt::LeftButton, {}, diskette->actionGeometry(compare).center());
        QCOMPARE(topics.count(), 1);
        QCOMPARE(topics.value(0).value(0).toInt(), ViewCommands::kButtonHelpBase + kCmdCompare);
        QVERIFY(!diskette->isVisible());
        QVERIFY(!QApplication::overrideCursor());

        // F1 in a modal dialog presses its Help; the help window opens as the dialog's own.
        QDialog dialog(&frame);
        auto* help = new QPushButton("Help", &dialog);
        connect(help, &QPushButton::clicked, &frame, [&frame] { frame.showHelp(1033); });
        dialog.setModal(true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_F1);
        auto* window = dialog.findChild<HelpWindow*>();
        QVERIFY(window && window->isVisible());
    }

    void systemToolsListOnlyVisibleSystemApplications()
    {
        QTemporaryDir user, system;
        writeFile(user.filePath("disks.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Disks\nExec=gnome-disks %U\nCategories=GTK;System;\n");
        writeFile(user.filePath("editor.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Editor\nExec=edit\nCategories=Utility;\n");
        writeFile(user.filePath("hidden.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Hidden\nExec=h\nCategories=System;\nNoDisplay=true\n");
        // The user's entry hides the system's entry of the same file name.
        writeFile(system.filePath("disks.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Old Disks\nExec=old\nCategories=System;\n");
        writeFile(system.filePath("monitor.desktop"), "[Desktop Entry]\nType=Application\nName=Monitor\n"
                                                      "Exec=\"/opt/my tools/monitor\" --all %f\nCategories=System;\n"
                                                      "[Desktop Action New]\nName=Ignored\nCategories=Other\n");
        const auto tools = SystemTools::find({user.path(), system.path()});
        QCOMPARE(tools.size(), std::size_t{2});
        QCOMPARE(tools[0].name, QString("Disks"));
        QCOMPARE(tools[0].arguments, QStringList{});
        QCOMPARE(tools[1].program, QString("/opt/my tools/monitor"));
        QCOMPARE(tools[1].arguments, QStringList{"--all"});

        World world;
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        frame.setToolFolders({user.path()});
        frame.rebuildSystemTools();
        QCOMPARE(menuTexts(frame.systemToolsMenu()), QStringList{"Disks"});
        QVERIFY(frame.systemToolsMenu()->isEnabled());
        QTemporaryDir empty;
        frame.setToolFolders({empty.path()});
        frame.rebuildSystemTools();
        QCOMPARE(menuTexts(frame.systemToolsMenu()), QStringList{"Empty"});
        QVERIFY(!frame.systemToolsMenu()->isEnabled());
    }

    void exitAsksAboutChangedOptionsAndAlwaysKeepsTheCopies()
    {
        World world;
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        frame.show();
        frame.command(kCmdVerifyCopy)->trigger();
        frame.command(kCmdVerifyCopy)->trigger(); // back where it was, but changed all the same
        world.doc->options.NumberCopies = 7;
        world.prompter.expect(kSaveQuestion, Buttons::YesNo, Icon::Question, Answer::No);
        frame.command(kCmdExit)->trigger();
        VERIFY_NO_PROBLEMS(world.prompter);
        QVERIFY(!frame.isVisible());
        QCOMPARE(world.profile.readInt("Options", "NumberCopies", 0), 7);
        QCOMPARE(world.profile.readInt("Options", "VerifyCopy", -1), -1);
    }

    void toolbarExitGoesThroughTheSameQuestion()
    {
        World world;
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        frame.show();
        frame.command(kCmdForceFormat)->trigger();
        QVERIFY(frame.command(kCmdForceFormat)->isChecked());
        world.prompter.expect(kSaveQuestion, Buttons::YesNo, Icon::Question, Answer::Yes);
        frame.view().run(kCmdExitButton);
        QVERIFY(frame.isVisible()); // posted, not handled inside the button's click
        drainEvents();
        VERIFY_NO_PROBLEMS(world.prompter);
        QVERIFY(!frame.isVisible());
        QCOMPARE(world.profile.readInt("Options", "ForceFormat", 0), 1);
    }

    void aboutBoxTextsAndTheWebSiteQuestion()
    {
        QCOMPARE(CAboutBox::memoryText(8ull << 30), QString("8388608 KB"));
        QCOMPARE(CAboutBox::freeSpaceText(5ull << 40, "/home"), QString("5368709120 KB Free on /home"));
        QCOMPARE(CAboutBox::freeSpaceText(std::nullopt, "/home"), QString("Unavailable"));
        QVERIFY(CAboutBox::physicalMemory().value_or(0) > 0);

        const std::string question = "Do you want to use your default web browser to visit the Vellum web site?";
        int tries = 0;
        const auto fails = [&] { ++tries; return false; };
        const auto works = [&] { ++tries; return true; };
        PromptScript prompter;
        prompter.expect(question, Buttons::YesNo, Icon::Question, Answer::No);
        CAboutBox::visitWebSite(prompter, works, works);
        QCOMPARE(tries, 0);
        prompter.expect(question, Buttons::YesNo, Icon::Question, Answer::Yes);
        CAboutBox::visitWebSite(prompter, fails, works);
        QCOMPARE(tries, 2);
        prompter.expect(question, Buttons::YesNo, Icon::Question, Answer::Yes);
        prompter.expectStart("The web browser could not be started automatically.", Icon::Exclamation, Answer::Ok);
        CAboutBox::visitWebSite(prompter, fails, fails);
        VERIFY_NO_PROBLEMS(prompter);
    }

    void screenshotsEmptyAndWithTheSampleDiskette()
    {
        World world;
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        frame.resize(1024, 680);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        saveScreenshot(frame, "main-window-empty.png");

        frame.view().openImageFile(VELLUM_SAMPLE);
        drainEvents();
        QVERIFY(frame.view().fileListModel().rowCount() > 3);
        QVERIFY(frame.command(kCmdSaveImage)->isEnabled());
        saveScreenshot(frame, "main-window-sample.png");
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void anImageFileDroppedOntoTheWindowIsOpened()
    {
        World world;
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        QMimeData notes;
        notes.setUrls({QUrl::fromLocalFile(world.path("notes.txt"))});
        QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &notes, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&frame, &refused);
        QVERIFY(!refused.isAccepted());

        QMimeData image;
        image.setUrls({QUrl::fromLocalFile(world.path("notes.txt")), QUrl::fromLocalFile(VELLUM_SAMPLE)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &image, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&frame, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &image, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&frame, &drop);
        QVERIFY(drop.isAccepted());
        drainEvents();
        QVERIFY(world.doc->hasImage());
        QVERIFY(frame.view().fileListModel().rowCount() > 3);
        VERIFY_NO_PROBLEMS(world.prompter);
    }
};

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
