// Operations run on a worker thread: a diskette read that blocks for seconds
// leaves the window painting and answering Cancel at once, and nothing else
// starts until the operation has ended.
#include <QElapsedTimer>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

#include "app/CMainFrame.h"
#include "app/CVLMView.h"
#include "app/FileListView.h"
#include "app/StatusStrip.h"
#include "app/ViewToolBar.h"
#include "core/ImageFile.h"
#include "appmodel/ViewCommands.h"
#include "core/ui/OperationRunner.h"
#include "drive/MediumFaults.h"
#include "ops/ui/CProgressDlg.h"
#include "tests/app/AppTestSupport.h"

using namespace vellum;
using namespace vellum::test;

namespace {

constexpr int kReachedMs = 10'000;
constexpr qint64 kQuestionWithinMs = 200;

// Drive A holds the sample, whose second track takes three seconds to read.
void insertSlowDiskette(World& world)
{
    const std::string disk = world.path("slow.img").toStdString();
    QVERIFY(ImageFile(*world.doc, world.prompter).open(VELLUM_SAMPLE));
    QVERIFY(ImageFile(*world.doc, world.prompter).save(disk, {}));
    world.doc->ImageEmpty = 1;
    QFile faults(QString::fromStdString(MediumFaults::fileOf(disk).string()));
    QVERIFY(faults.open(QIODevice::WriteOnly) && faults.write("0 1 1 slow 3000\n") > 0);
    faults.close();
    world.drives->virtualDrives().insert(0, disk);
}

CProgressDlg* progressWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* progress = qobject_cast<CProgressDlg*>(w); progress && progress->isVisible())
            return progress;
    return nullptr;
}

QString lastStatus(CVLMView& view)
{
    return view.findChildren<StatusStrip*>().last()->text(1);
}

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

class OperationTest : public QObject {
    Q_OBJECT

private slots:
    void aSlowReadLeavesTheWindowPaintingAndCancelAsksAtOnce()
    {
        World world;
        insertSlowDiskette(world);
        QElapsedTimer clicked;
        qint64 askedAfter = -1;
        DuringQuestion timing(world.prompter, [&] { askedAfter = clicked.elapsed(); });
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, timing, *world.drives, shell);
        frame.show();
        CVLMView& view = frame.view();
        view.run(kCmdLoadNow);
        QTRY_VERIFY_WITH_TIMEOUT(progressWindow(), kReachedMs);

        PaintCounter counter;
        frame.installEventFilter(&counter);
        frame.update();
        QTRY_VERIFY(counter.paints > 0);
        QVERIFY(view.runner().busy());

        world.prompter.expect("Are you sure?", Buttons::YesNo, Icon::Question, Answer::Yes);
        clicked.start();
        QMetaObject::invokeMethod(progressWindow()->findChild<QPushButton*>(), &QPushButton::click,
                                  Qt::QueuedConnection);
        QTRY_VERIFY(askedAfter >= 0);
        QVERIFY2(askedAfter < kQuestionWithinMs, qPrintable(QString::number(askedAfter)));
        // The engine stops once the read it waits for has returned.
        QVERIFY(view.runner().busy());
        drainEvents();
        QCOMPARE(lastStatus(view), QString("  Last Operation Status:    Cancelled by Operator"));
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void nothingElseStartsAndClosingCancelsFirst()
    {
        World world;
        insertSlowDiskette(world);
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        frame.show();
        CVLMView& view = frame.view();
        view.run(kCmdLoadNow);
        QTRY_VERIFY_WITH_TIMEOUT(progressWindow(), kReachedMs);

        // Menus, buttons, commands and drops are off; a command run anyway does nothing.
        QVERIFY(!frame.menuBar()->isEnabled());
        QVERIFY(!view.toolBar().isEnabled());
        for (int id : {kCmdLoad, kCmdOpenImage, kCmdSaveImage, kCmdInitialize, kCmdAddFiles})
            QVERIFY(!view.command(id)->isEnabled());
        QVERIFY(!view.fileList().viewport()->acceptDrops());
        view.run(kCmdSelectB);
        QCOMPARE(int(world.doc->SelectedDrive), 0);
        // A second start's request to open a file waits for the end.
        view.openImageFile(VELLUM_SAMPLE);
        settle();
        QVERIFY(view.runner().busy());

        // Closing asks; the window closes once the load has stopped, after the held request.
        world.prompter.expect("Are you sure?", Buttons::YesNo, Icon::Question, Answer::Yes);
        QVERIFY(!frame.close());
        drainEvents();
        QVERIFY(!frame.isVisible());
        QCOMPARE(view.findChildren<StatusStrip*>().last()->text(0), QString("  Last Operation:   Load File"));
        QVERIFY(view.imageShown());
        VERIFY_NO_PROBLEMS(world.prompter);
    }
};

QTEST_MAIN(OperationTest)
#include "OperationTest.moc"
