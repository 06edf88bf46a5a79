// The file commands of the main view: saving files to the host, copy, move,
// delete and rename in the image, the changed state and the exit question.
#include <QFileDialog>
#include <QtTest>
#include <deque>

#include "app/CMainFrame.h"
#include "app/CVLMView.h"
#include "app/FileListModel.h"
#include "app/FileListView.h"
#include "core/ViewCommands.h"
#include "core/ImageFile.h"
#include "files/ui/HostPaths.h"
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
    std::deque<QString> answers;
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

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
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
        auto owned = std::make_unique<ScriptedPaths>();
        ScriptedPaths& paths = *owned;
        view.setHostPaths(std::move(owned));
        view.openImageFile(QString::fromStdString(image.path().string()));
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
        QCOMPARE(contents(out + "/README.TXT"), QByteArray("read me"));
        world.prompter.expect((out + "/README.TXT already exists.  Do you want to overwrite?").toStdString(),
                              Buttons::YesNo, Icon::Question, Answer::No);
        view.run(kCmdSaveAll);
        QCOMPARE(contents(out + "/DOCS/Letter to Anna.txt"), QByteArray("Dear Anna"));
        QCOMPARE(paths.asked, QStringList({"Copying README.TXT...", "Orrindale"}));

        // Move writes the file, then takes it out of the image and the list.
        const int notes = rowOf("NOTES.TXT");
        view.fileList().selectRow(notes);
        paths.answers = {out + "/moved.txt"};
        view.run(kCmdMoveFile);
        QCOMPARE(contents(out + "/moved.txt"), QByteArray("notes"));
        QCOMPARE(rowOf("NOTES.TXT"), -1);
        QCOMPARE(view.fileList().selectedRow(), std::min(notes, model.rowCount() - 1));
        QVERIFY(view.statusPanel().memoryLine().ends_with("(changed)"));

        view.fileList().selectRow(rowOf("OLD.TXT"));
        view.run(kCmdDeleteFile);
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
        VERIFY_NO_PROBLEMS(world.prompter);
        QVERIFY(world.doc->imageChanged);
        // So does the window's close button.
        world.prompter.expectStart("The image in memory holds changes", Icon::Question, Answer::Cancel);
        QVERIFY(!frame.close());
        VERIFY_NO_PROBLEMS(world.prompter);

        // What the image now holds, as mtools reads it once saved.
        const std::string saved = world.path("saved.img").toStdString();
        QVERIFY(ImageFile(*world.doc, world.prompter).save(saved, {}));
        QVERIFY(!world.doc->imageChanged);
        const std::string listing = runCommand("MTOOLS_SKIP_CHECK=1 mdir -i " + shellQuoted(saved) + " ::");
        QVERIFY2(listing.find("Read me first.txt") != std::string::npos, listing.c_str());
        QVERIFY(listing.find("NOTES") == std::string::npos && listing.find("OLD") == std::string::npos);
        runCommand("fsck.fat -n " + shellQuoted(saved) + " >/dev/null");
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
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        CVLMView& view = frame.view();
        auto paths = std::make_unique<ScriptedPaths>();
        const QString out = world.path("out");
        QDir().mkpath(out);
        paths->answers = {out};
        view.setHostPaths(std::move(paths));
        view.openImageFile(QString::fromStdString(image.path().string()));

        // Watches the window while the save pumps, and cancels once five files are written.
        QList<int> positions;
        QStringList lines;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* progress = qobject_cast<CProgressDlg*>(w);
                if (!progress || !progress->isVisible())
                    continue;
                QCOMPARE(progress->windowTitle(), QString("Saving Files"));
                QCOMPARE(progress->high(), kFiles);
                if (positions.isEmpty() || positions.last() != progress->mainPosition())
                    positions << progress->mainPosition();
                lines << QString::fromStdString(progress->statusLine());
                if (progress->mainPosition() == kCancelAt && !progress->cancelRequested())
                    progress->reject();
            }
        });
        watch.start(0);
        world.prompter.expect("Are you sure?", Buttons::YesNo, Icon::Question, Answer::Yes);
        view.run(kCmdSaveAll);
        watch.stop();

        VERIFY_NO_PROBLEMS(world.prompter);
        QCOMPARE(positions, QList<int>({0, 1, 2, 3, 4, 5}));
        QVERIFY(lines.contains("Saving FILE0.TXT  (1 of 40)"));
        QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), kCancelAt);
        QVERIFY(view.isEnabled());
    }
};

QTEST_MAIN(FileCommandsTest)
#include "FileCommandsTest.moc"
