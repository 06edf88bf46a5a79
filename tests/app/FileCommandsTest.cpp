// The file commands of the main view: saving files to the host, copy, move,
// delete and rename in the image, a new image with files added by dialog and
// by drop, the changed state and the exit question.
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QMenuBar>
#include <QMimeData>
#include <QtTest>
#include <deque>

#include "app/CMainFrame.h"
#include "app/CVLMView.h"
#include "app/FileListModel.h"
#include "app/FileListView.h"
#include "appmodel/ViewCommands.h"
#include "core/ImageFile.h"
#include "files/ui/HostPaths.h"
#include "ops/ui/NewImageDialog.h"
#include "ops/StatusPanel.h"
#include "ops/ui/CProgressDlg.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/MtoolsImage.h"

using namespace vellum;
using namespace vellum::test;

namespace {

// Answers the path dialogs from a script and records what they were asked.
class ScriptedPaths : public HostPaths {
public:
    std::optional<QString> folder(QWidget*, const QString& name) override
    {
        asked << folderTitle(name);
        return next();
    }
    std::optional<QString> file(QWidget*, FileAction action, const QString& name) override
    {
        asked << (action == FileAction::Copy ? "copy " : "move ") + name;
        return next();
    }
    QStringList filesToAdd(QWidget*) override
    {
        asked << "add";
        return toAdd;
    }
    std::deque<QString> answers;
    QStringList toAdd;
    QStringList asked;

private:
    std::optional<QString> next()
    {
        if (answers.empty())
            return std::nullopt;
        const QString a = answers.front();
        answers.pop_front();
        return a;
    }
};

void writeHostFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The view's file dialogs answer from a script the test fills.
ScriptedPaths& scriptPaths(CVLMView& view)
{
    auto owned = std::make_unique<ScriptedPaths>();
    ScriptedPaths& paths = *owned;
    view.setHostPaths(std::move(owned));
    return paths;
}

} // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void theDialogsCarryTheirTitlesAndButtons()
    {
        QCOMPARE(HostPaths::folderTitle(""), QString("Orrindale"));
        QCOMPARE(HostPaths::folderTitle("A.TXT"), QString("Copying A.TXT..."));
        const auto move = HostPaths::fileDialog(nullptr, HostPaths::FileAction::Move, "A.TXT");
        QCOMPARE(move->windowTitle(), QString("Move file"));
        QCOMPARE(move->labelText(QFileDialog::Accept), QString("Move"));
        QCOMPARE(HostPaths::fileDialog(nullptr, HostPaths::FileAction::Copy, "A.TXT")->labelText(QFileDialog::Accept),
                 QString("Copy"));
    }

    void saveCopyMoveDeleteAndRenameThenAskToSaveOnExit()
    {
        MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
        image.makeDirectories({"/DOCS"});
        image.addFile("/README.TXT", "read me");
        image.addFile("/NOTES.TXT", "notes");
        image.addFile("/OLD.TXT", "old");
        image.addFile("/DOCS/Letter to Anna.txt", "Dear Anna");
        World world;
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        CVLMView& view = frame.view();
        ScriptedPaths& paths = scriptPaths(view);
        view.openImageFile(QString::fromStdString(image.path().string()));
        drainEvents();
        FileListModel& model = view.fileListModel();
        const auto rowOf = [&](const QString& name) {
            for (int row = 0; row < model.rowCount(); ++row)
                if (model.text(row, 0).trimmed() == name)
                    return row;
            return -1;
        };
        for (int id : {kCmdSaveSelected, kCmdSaveAll, kCmdSaveDirectory, kCmdCopyFile, kCmdMoveFile, kCmdDeleteFile})
            QVERIFY2(view.command(id)->isEnabled(), qPrintable(QString::number(id)));

        // A double-click saves a file into the folder chosen; Save All keeps the tree.
        const QString out = world.path("out");
        QDir().mkpath(out);
        paths.answers = {out, out};
        emit view.fileList().rowDoubleClicked(rowOf("README.TXT"));
        drainEvents();
        QCOMPARE(contents(out + "/README.TXT"), QByteArray("read me"));
        world.prompter.expect((out + "/README.TXT already exists.  Do you want to overwrite?").toStdString(),
                              Buttons::YesNo, Icon::Question, Answer::No);
        view.run(kCmdSaveAll);
        drainEvents();
        QCOMPARE(contents(out + "/DOCS/Letter to Anna.txt"), QByteArray("Dear Anna"));
        QCOMPARE(paths.asked, QStringList({"Copying README.TXT...", "Orrindale"}));

        // Move writes the file, then takes it out of the image and the list.
        const int notes = rowOf("NOTES.TXT");
        view.fileList().selectRow(notes);
        paths.answers = {out + "/moved.txt"};
        view.run(kCmdMoveFile);
        drainEvents();
        QCOMPARE(contents(out + "/moved.txt"), QByteArray("notes"));
        QCOMPARE(rowOf("NOTES.TXT"), -1);
        QCOMPARE(view.fileList().selectedRow(), std::min(notes, model.rowCount() - 1));
        QVERIFY(view.statusPanel().memoryLine().ends_with("(changed)"));

        view.fileList().selectRow(rowOf("OLD.TXT"));
        view.run(kCmdDeleteFile);
        drainEvents();
        QCOMPARE(rowOf("OLD.TXT"), -1);

        // F2's rename changes the entry in the image, long name and all.
        view.fileList().selectRow(rowOf("README.TXT"));
        view.run(kCmdRenameFile);
        const int row = rowOf("README.TXT");
        QVERIFY(model.setData(model.index(row, 0), "Read me first.txt", Qt::EditRole));
        drainEvents();
        QVERIFY(shell.lines.empty());
        QVERIFY(rowOf("Read me first.txt") >= 0);

        // Leaving asks to keep the changes first; Cancel stays.
        world.prompter.expectStart("The image in memory holds changes", Icon::Question, Answer::Cancel);
        frame.OnExit();
        drainEvents();
        VERIFY_NO_PROBLEMS(world.prompter);
        QVERIFY(world.doc->imageChanged);
        // So does the window's close button.
        world.prompter.expectStart("The image in memory holds changes", Icon::Question, Answer::Cancel);
        QVERIFY(!frame.close());
        drainEvents();
        // So do opening another image and loading a diskette, which replace it.
        world.prompter.expectStart("The image in memory holds changes", Icon::Question, Answer::Cancel);
        view.openImageFile(VELLUM_SAMPLE);
        drainEvents();
        world.prompter.expectStart("The image in memory holds changes", Icon::Question, Answer::Cancel);
        view.run(kCmdLoadNow);
        drainEvents();
        VERIFY_NO_PROBLEMS(world.prompter);
        QVERIFY(rowOf("Read me first.txt") >= 0);

        // What the image now holds, as mtools reads it once saved.
        const std::string saved = world.path("saved.img").toStdString();
        QVERIFY(ImageFile(*world.doc, world.prompter).save(saved, {}));
        QVERIFY(!world.doc->imageChanged);
        const std::string listing = runCommand("MTOOLS_SKIP_CHECK=1 mdir -i " + shellQuoted(saved) + " ::");
        QVERIFY2(listing.find("Read me first.txt") != std::string::npos, listing.c_str());
        QVERIFY(listing.find("NOTES") == std::string::npos && listing.find("OLD") == std::string::npos);
        runCommand("fsck.fat -n " + shellQuoted(saved) + " >/dev/null");
    }

    void keysNameTheFolderShownAndTheListKeepsItsOrder()
    {
        MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
        image.makeDirectories({"/DOCS", "/DOCS/LETTERS"});
        image.addFile("/DOCS/LETTERS/ANNA.TXT", "Dear Anna");
        image.addFile("/alpha.txt", "a");
        image.addFile("/BIG.TXT", "a much longer file");
        image.addFile("/mid.txt", "middling");
        World world;
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        CVLMView& view = frame.view();
        ScriptedPaths& paths = scriptPaths(view);
        QCOMPARE(frame.windowTitle(), QString("Vellum"));
        view.openImageFile(QString::fromStdString(image.path().string()));
        drainEvents();
        QCOMPARE(frame.windowTitle(), QFileInfo(QString::fromStdString(image.path().string())).fileName() + " - Vellum");
        FileListModel& model = view.fileListModel();
        FileListView& list = view.fileList();
        auto* folder = view.findChild<QLabel*>("FolderShown");
        const auto selected = [&] { return model.text(list.selectedRow(), 0).trimmed(); };
        const auto press = [&](Qt::Key key, const QString& on = {}) {
            if (!on.isEmpty())
                list.selectRow(model.rowNamed(on));
            QTest::keyClick(&list, key);
            drainEvents();
        };
        QCOMPARE(folder->text(), QString("\\"));

        // Enter opens a folder, Backspace goes back up to the folder left.
        press(Qt::Key_Return, "DOCS");
        press(Qt::Key_Return, "LETTERS");
        QCOMPARE(folder->text(), QString("\\DOCS\\LETTERS"));
        QCOMPARE(world.doc->directory.depth, 2);
        press(Qt::Key_Backspace);
        QCOMPARE(folder->text(), QString("\\DOCS"));
        QCOMPARE(selected(), QString("LETTERS"));
        press(Qt::Key_Backspace);
        press(Qt::Key_Backspace); // nothing above the root
        QCOMPARE(world.doc->directory.depth, 0);
        QCOMPARE(selected(), QString("DOCS"));

        // Enter on a file saves it, and the status bar says where.
        const QString out = world.path("out");
        QDir().mkpath(out);
        paths.answers = {out};
        press(Qt::Key_Return, "alpha.txt");
        QCOMPARE(contents(out + "/alpha.txt"), QByteArray("a"));
        QCOMPARE(frame.statusBar()->currentMessage(), "1 file saved to " + out);

        // Largest first stays so through a delete; a renamed file stays selected where it sorts to.
        list.header()->setSortIndicator(2, Qt::DescendingOrder);
        list.selectRow(model.rowNamed("mid.txt"));
        view.run(kCmdDeleteFile);
        drainEvents();
        QCOMPARE(model.text(0, 0).trimmed(), QString("BIG.TXT"));
        list.header()->setSortIndicator(0, Qt::AscendingOrder);
        list.selectRow(model.rowNamed("alpha.txt"));
        view.run(kCmdRenameFile);
        QVERIFY(model.setData(model.index(list.selectedRow(), 0), "zulu.txt", Qt::EditRole));
        drainEvents();
        QCOMPARE(selected(), QString("zulu.txt"));
        QCOMPARE(list.selectedRow(), model.rowCount() - 1);
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void aNewDmfImageTakesFilesByDialogAndByDropAndSavesThem()
    {
        World world;
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        CVLMView& view = frame.view();
        ScriptedPaths& paths = scriptPaths(view);
        QStringList fileMenu;
        for (QAction* a : frame.menuBar()->actions().first()->menu()->actions())
            fileMenu << a->text();
        QVERIFY(fileMenu.contains("&New Image...") && fileMenu.contains("A&dd Files..."));
        QVERIFY(!view.command(kCmdAddFiles)->isEnabled());
        QVERIFY(!view.fileList().viewport()->acceptDrops());

        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<NewImageDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* format = dialog->findChild<QComboBox*>();
            format->setCurrentIndex(format->findText("1.68 MB DMF"));
            dialog->findChild<QLineEdit*>()->setText("fresh");
            dialog->accept();
        });
        view.run(kCmdNewImage);
        QVERIFY(view.command(kCmdAddFiles)->isEnabled());
        QVERIFY(view.fileList().viewport()->acceptDrops());
        QVERIFY(view.statusPanel().memoryLine().ends_with("(changed)"));

        const QString host = world.path("host");
        writeHostFile(host + "/Notes for the road.txt", "notes");
        writeHostFile(host + "/Tree/Level 2/deep.txt", "deep");
        paths.toAdd = {host + "/Notes for the road.txt"};
        view.run(kCmdAddFiles);
        drainEvents();
        QCOMPARE(paths.asked, QStringList({"add"}));

        QMimeData dragged;
        dragged.setUrls({QUrl::fromLocalFile(host + "/Tree")});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.fileList().viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.fileList().viewport(), &drop);
        QVERIFY(drop.isAccepted());
        drainEvents();
        VERIFY_NO_PROBLEMS(world.prompter);
        QStringList names;
        for (int row = 0; row < view.fileListModel().rowCount(); ++row)
            names << view.fileListModel().text(row, 0).trimmed();
        QVERIFY2(names.contains("Notes for the road.txt") && names.contains("Tree"), qPrintable(names.join(", ")));

        const std::string saved = world.path("new.img").toStdString();
        QVERIFY(ImageFile(*world.doc, world.prompter).save(saved, {}));
        QCOMPARE(std::filesystem::file_size(saved), std::uintmax_t{1'720'320});
        runCommand("fsck.fat -n " + shellQuoted(saved) + " >/dev/null");
        const auto read = [&](const std::string& path) {
            return runCommand("MTOOLS_SKIP_CHECK=1 mtype -i " + shellQuoted(saved) + " " + shellQuoted("::" + path));
        };
        QCOMPARE(read("/Tree/Level 2/deep.txt"), std::string("deep"));
        QCOMPARE(read("/Notes for the road.txt"), std::string("notes"));
        const std::string listing = runCommand("MTOOLS_SKIP_CHECK=1 mdir -i " + shellQuoted(saved) + " ::");
        QVERIFY2(listing.find("is FRESH") != std::string::npos, listing.c_str());
    }

    void aLargeSaveShowsProgressPerFileAndCancelStopsBetweenFiles()
    {
        constexpr int kFiles = 40;
        constexpr int kCancelAt = 5;
        MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
        std::vector<std::string> names;
        for (int i = 0; i < kFiles; ++i)
            names.push_back("FILE" + std::to_string(i) + ".TXT");
        image.addEmptyFiles("/", names);
        World world;
        // While the save asks about the sixth file, which is there already,
        // Cancel is clicked; the save stops before the next file.
        QStringList seen;
        DuringQuestion during(world.prompter, [&] {
            if (!seen.isEmpty())
                return; // the question of the click itself
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* progress = qobject_cast<CProgressDlg*>(w); progress && progress->isVisible()) {
                    const auto bar = progress->findChild<QProgressBar*>();
                    seen << progress->windowTitle() << progress->findChild<QLabel*>()->text()
                         << QString("%1 of %2").arg(bar->value()).arg(bar->maximum());
                    progress->reject();
                }
        });
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, during, *world.drives, shell);
        CVLMView& view = frame.view();
        auto paths = std::make_unique<ScriptedPaths>();
        const QString out = world.path("out");
        QDir().mkpath(out);
        paths->answers = {out};
        view.setHostPaths(std::move(paths));
        view.openImageFile(QString::fromStdString(image.path().string()));
        drainEvents();

        QFile(out + "/FILE5.TXT").open(QIODevice::WriteOnly);
        world.prompter.expect("Are you sure?", Buttons::YesNo, Icon::Question, Answer::Yes);
        world.prompter.expectStart((out + "/FILE5.TXT already exists.").toStdString(), Icon::Question, Answer::No);
        view.run(kCmdSaveAll);
        drainEvents();

        VERIFY_NO_PROBLEMS(world.prompter);
        QCOMPARE(seen, QStringList({"Saving Files", "Saving FILE5.TXT  (6 of 40)", "5 of 40"}));
        QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), kCancelAt + 1);
        QVERIFY(view.isEnabled());
    }
};

QTEST_MAIN(FileCommandsTest)
#include "FileCommandsTest.moc"
