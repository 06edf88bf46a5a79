// The Join/Split sheet: the Split page's size rules and counts, both pages'
// enabled states, a split then join through the pages that gives back the
// same bytes, cancels that take back what was written, and the sheet the
// main window keeps with its settings.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QtTest>

#include "app/CMainFrame.h"
#include "appmodel/ViewCommands.h"
#include "splitjoin/ui/CFileJoin.h"
#include "splitjoin/ui/CFileSplit.h"
#include "splitjoin/ui/JoinSplitSheet.h"
#include "core/ui/OperationRunner.h"
#include "tests/app/AppTestSupport.h"

using namespace vellum;
using namespace vellum::test;

namespace {

template <typename W>
W* byName(QWidget& root, const QString& name)
{
    for (W* w : root.findChildren<W*>())
        if (w->accessibleName() == name)
            return w;
    qFatal("no control named %s", qPrintable(name));
}

QLabel* valueOf(QWidget& root, const QString& field)
{
    for (QLabel* label : root.findChildren<QLabel*>())
        if (label->accessibleDescription() == field)
            return label;
    qFatal("no value described as %s", qPrintable(field));
}

QStringList entries(const QListWidget& list)
{
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.item(i)->text();
    return texts;
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator gen(11);
    for (char& b : bytes)
        b = static_cast<char>(gen.generate());
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void saveScreenshot(QWidget& window, const QString& name)
{
    QDir().mkpath(VELLUM_SCREENSHOTS);
    QVERIFY(window.grab().save(QDir(VELLUM_SCREENSHOTS).filePath(name)));
}

// Clicks `button` at the first pump of the work started next.
// Clicks the button, then waits for the work it started.
void clickAndWait(QPushButton* button, OperationRunner& runner)
{
    button->click();
    waitIdle(runner);
}

} // namespace

class JoinSplitSheetTest : public QObject {
    Q_OBJECT

private slots:
    void splitPageSizeRulesAndCounts()
    {
        World world;
        writeFile(world.path("big.bin"), QByteArray(3'000'000, 'x'));
        OperationRunner runner(world.prompter);
        JoinSplitSheet sheet(runner);
        CFileSplit& page = sheet.splitPage();
        auto* split = byName<QPushButton>(page, "Split");
        auto* source = byName<QLineEdit>(page, "File to split:");
        auto* sizes = byName<QComboBox>(page, "File Size:");
        auto* count = valueOf(page, "Number of Diskettes required:");
        QVERIFY(!split->isEnabled());
        QCOMPARE(byName<QLineEdit>(page, "Destination:")->text(), QDir::currentPath());

        source->setText(world.path("big.bin"));
        QTest::keyClick(source, Qt::Key_Return);
        QVERIFY(split->isEnabled());
        QCOMPARE(valueOf(page, "Filesize:")->text(), QString("3000000"));
        QCOMPARE(count->text(), QString("3"));

        const struct {
            const char* radio;
            int entries;
            const char* top;
            const char* pieces;
        } rows[] = {{"1.2M", 12, "1210K", "3"}, {"720K", 7, "710K", "5"}, {"360K", 3, "310K", "9"}, {"1.44M", 14, "1410K", "3"}};
        for (const auto& row : rows) {
            byName<QRadioButton>(page, row.radio)->click();
            QCOMPARE(sizes->count(), row.entries);
            QCOMPARE(sizes->itemText(0), QString(row.top));
            QCOMPARE(sizes->itemText(row.entries - 1), QString("110K"));
            QCOMPARE(count->text(), QString(row.pieces));
        }

        // 710K (727,040 bytes) shuts out only 360K; 1310K leaves 1.44M alone.
        const auto choose = [&](const QString& entry) { emit sizes->activated(sizes->findText(entry)); };
        const auto radioStates = [&] {
            QString states;
            for (const char* r : {"1.44M", "1.2M", "720K", "360K"}) {
                auto* radio = byName<QRadioButton>(page, r);
                states += QString(radio->isEnabled() ? "E" : "-") + (radio->isChecked() ? "C" : "-");
            }
            return states;
        };
        byName<QRadioButton>(page, "360K")->click();
        choose("310K");
        byName<QRadioButton>(page, "1.44M")->click();
        choose("710K");
        QCOMPARE(radioStates(), QString("ECE-E---"));
        QCOMPARE(count->text(), QString("5"));
        choose("1310K");
        QCOMPARE(radioStates(), QString("EC------"));
        QCOMPARE(count->text(), QString("3"));

        // The checked size button counts again, for the path as typed.
        writeFile(world.path("small.bin"), QByteArray(2'000'000, 's'));
        source->setText(world.path("small.bin"));
        byName<QRadioButton>(page, "1.44M")->click();
        QCOMPARE(valueOf(page, "Filesize:")->text(), QString("2000000"));
        QCOMPARE(count->text(), QString("2"));
        source->setText(world.path("big.bin"));

        // A set of more than 255 pieces is refused on the page, before anything is written.
        QFile big(world.path("big.bin"));
        QVERIFY(big.resize(255 * 110 * 1024 + 1));
        byName<QLineEdit>(page, "Destination:")->setText(world.path(""));
        choose("110K");
        world.prompter.expectStart("\"" + world.path("big.bin").toStdString() + "\" would need 256 pieces",
                                   Icon::Exclamation, Answer::Ok);
        clickAndWait(split, runner);
        QCOMPARE(QDir(world.path("")).entryList(QDir::Files), QStringList({"big.bin", "small.bin"}));

        source->clear();
        QVERIFY(!split->isEnabled());
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void joinPageListsAndEnabledStates()
    {
        World world;
        OperationRunner runner(world.prompter);
        JoinSplitSheet sheet(runner);
        CFileJoin& page = sheet.joinPage();
        auto* files = byName<QListWidget>(page, "File list:");
        auto* joinList = byName<QListWidget>(page, "Files to Join:");
        auto* arrow = byName<QPushButton>(page, "---->");
        auto* join = byName<QPushButton>(page, "Join");
        QVERIFY(!arrow->isEnabled() && !join->isEnabled());

        page.addFiles({world.path("b.002"), world.path("b.001")});
        QCOMPARE(entries(*files), QStringList({"b.001", "b.002"}));
        QVERIFY(arrow->isEnabled() && !join->isEnabled());

        world.prompter.expect("Please select which files to add to join list.", Buttons::Ok, Icon::Information, Answer::Ok);
        arrow->click();
        QVERIFY(!join->isEnabled());
        files->item(1)->setSelected(true);
        arrow->click();
        page.OnAddAllToJoinList();
        QCOMPARE(entries(*joinList), QStringList({"b.001", "b.002", "b.002"}));
        QVERIFY(join->isEnabled());

        world.prompter.expect("Please select which files to remove from list.", Buttons::Ok, Icon::Information, Answer::Ok);
        page.OnRemoveFromJoinList();
        joinList->selectAll();
        page.OnRemoveFromJoinList();
        QVERIFY(!join->isEnabled());
        files->selectAll();
        page.OnRemoveFromFileList();
        QVERIFY(!arrow->isEnabled());
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void splitThenJoinThroughThePagesGivesBackTheSameBytes()
    {
        World world;
        const QByteArray original = randomBytes(3 * 1024 * 1024);
        writeFile(world.path("data.bin"), original);
        QDir(world.path("")).mkpath("pieces");
        QDir(world.path("")).mkpath("joined");
        OperationRunner runner(world.prompter);
        JoinSplitSheet sheet(runner);
        sheet.resize(560, 520);
        sheet.show();

        CFileSplit& splitPage = sheet.splitPage();
        sheet.tabs().setCurrentWidget(&splitPage);
        byName<QLineEdit>(splitPage, "File to split:")->setText(world.path("data.bin"));
        byName<QLineEdit>(splitPage, "Destination:")->setText(world.path("pieces"));
        byName<QRadioButton>(splitPage, "1.44M")->click();
        clickAndWait(byName<QPushButton>(splitPage, "Split"), runner);
        const QStringList pieces{"data.001", "data.002", "data.003"};
        QCOMPARE(entries(*byName<QListWidget>(splitPage, "Files created:")), pieces);
        QVERIFY(byName<QProgressBar>(splitPage, "Split progress")->isHidden());
        saveScreenshot(sheet, "join-split-sheet-split.png");
        // A second split asks before it replaces the pieces.
        writeFile(world.path("pieces/data.002"), "older");
        world.prompter.expect("\"data.001\" and 2 more pieces already exist in \"" + world.path("pieces").toStdString() +
                                  "\".\n\nDo you want to replace them?",
                              Buttons::YesNo, Icon::Question, Answer::No);
        clickAndWait(byName<QPushButton>(splitPage, "Split"), runner);
        QCOMPARE(readFile(world.path("pieces/data.002")), QByteArray("older"));
        world.prompter.expectStart("\"data.001\" and 2 more pieces", Icon::Question, Answer::Yes);
        clickAndWait(byName<QPushButton>(splitPage, "Split"), runner);
        QCOMPARE(entries(*byName<QListWidget>(splitPage, "Files created:")), pieces);

        CFileJoin& joinPage = sheet.joinPage();
        sheet.tabs().setCurrentWidget(&joinPage);
        QStringList paths;
        for (const QString& p : pieces)
            paths << world.path("pieces/" + p);
        joinPage.addFiles(paths);
        joinPage.OnAddAllToJoinList();
        byName<QLineEdit>(joinPage, "Enter target directory:")->setText(world.path("joined"));
        clickAndWait(byName<QPushButton>(joinPage, "Join"), runner);
        QCOMPARE(readFile(world.path("joined/data.bin")), original);
        QCOMPARE(valueOf(joinPage, "Target Filename:")->text(), QString("data.bin"));
        QCOMPARE(valueOf(joinPage, "Processing:")->text(), QString("Join operation completed ..."));
        saveScreenshot(sheet, "join-split-sheet-join.png");

        // The sheet asks before it replaces a file.
        world.prompter.expectStart("\"data.bin\" already exists in", Icon::Question, Answer::No);
        writeFile(world.path("joined/data.bin"), "older");
        clickAndWait(byName<QPushButton>(joinPage, "Join"), runner);
        QCOMPARE(readFile(world.path("joined/data.bin")), QByteArray("older"));
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void cancelTakesBackWhatWasWritten()
    {
        World world;
        writeFile(world.path("data.bin"), randomBytes(3 * 1024 * 1024));
        QDir(world.path("")).mkpath("pieces");
        QDir(world.path("")).mkpath("joined");
        writeFile(world.path("pieces/data.003"), "older");
        writeFile(world.path("joined/data.bin"), "older");
        std::function<void()> during;
        DuringQuestion prompter(world.prompter, [&] { during(); });
        OperationRunner runner(prompter);
        JoinSplitSheet sheet(runner);
        sheet.show();

        // Cancel is clicked while the split asks whether to replace the piece.
        CFileSplit& splitPage = sheet.splitPage();
        byName<QLineEdit>(splitPage, "File to split:")->setText(world.path("data.bin"));
        byName<QLineEdit>(splitPage, "Destination:")->setText(world.path("pieces"));
        during = [&] { byName<QPushButton>(splitPage, "Cancel")->click(); };
        world.prompter.expectStart("\"data.003\" already exists", Icon::Question, Answer::Yes);
        clickAndWait(byName<QPushButton>(splitPage, "Split"), runner);
        QCOMPARE(QDir(world.path("pieces")).entryList(QDir::Files), QStringList({"data.003"}));
        QCOMPARE(readFile(world.path("pieces/data.003")), QByteArray("older"));
        QCOMPARE(byName<QListWidget>(splitPage, "Files created:")->count(), 0);

        during = [] {};
        world.prompter.expectStart("\"data.003\" already exists", Icon::Question, Answer::Yes);
        clickAndWait(byName<QPushButton>(splitPage, "Split"), runner);
        CFileJoin& joinPage = sheet.joinPage();
        joinPage.addFiles({world.path("pieces/data.001"), world.path("pieces/data.002"), world.path("pieces/data.003")});
        joinPage.OnAddAllToJoinList();
        byName<QLineEdit>(joinPage, "Enter target directory:")->setText(world.path("joined"));
        // Closing the sheet while it works only cancels the work.
        during = [&] { sheet.reject(); };
        world.prompter.expectStart("\"data.bin\" already exists in", Icon::Question, Answer::Yes);
        clickAndWait(byName<QPushButton>(joinPage, "Join"), runner);
        QCOMPARE(readFile(world.path("joined/data.bin")), QByteArray("older"));
        QVERIFY(sheet.isVisible());
        QVERIFY(byName<QPushButton>(joinPage, "Join")->isEnabled());
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void mainWindowKeepsTheSheetAndItsSettings()
    {
        World world;
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        QAction* command = frame.command(kCmdJoinSplit);
        QVERIFY(command->isEnabled());
        QStringList seen;
        const auto openAndClose = [&](const QString& source) {
            QTimer::singleShot(0, &frame, [&, source] {
                auto* sheet = frame.findChild<JoinSplitSheet*>();
                QVERIFY(sheet && sheet->isVisible());
                QCOMPARE(sheet->windowTitle(), command->text().remove('&'));
                QCOMPARE(sheet->tabs().currentWidget(), &sheet->joinPage());
                auto* edit = byName<QLineEdit>(sheet->splitPage(), "File to split:");
                seen << edit->text();
                edit->setText(source);
                QTest::keyClick(edit, Qt::Key_Return); // presses no button
                QVERIFY(sheet->isVisible());
                byName<QPushButton>(*sheet, "Done")->click();
            });
            command->trigger();
        };
        writeFile(world.path("first.bin"), "1");
        writeFile(world.path("second.bin"), "2");
        openAndClose(world.path("first.bin"));
        openAndClose(world.path("second.bin"));
        QCOMPARE(seen, QStringList({"", world.path("first.bin")}));
        VERIFY_NO_PROBLEMS(world.prompter);
    }
};

QTEST_MAIN(JoinSplitSheetTest)
#include "JoinSplitSheetTest.moc"
