// The Qt progress window: Cancel, Enter, Esc and the close box ask at once,
// and the engine's next check takes a Yes; the owner stays disabled while it
// is open; the verify bar shows only for a copy with verify.
#include <QMainWindow>
#include <QLabel>
#include <QProgressBar>
#include <QtTest>

#include "app/CaptionFitter.h"
#include "ops/ui/CProgressDlg.h"
#include "tests/app/AppTestSupport.h"

using namespace vellum;
using namespace vellum::test;

class ProgressDialogTest : public QObject {
    Q_OBJECT

private slots:
    void keysAndTheCloseBoxAskAtOnceAndTheCheckTakesTheAnswer()
    {
        World world;
        CProgressDlg dialog(world.prompter);
        QVERIFY(dialog.Create(*world.doc));
        for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            world.prompter.expect("Are you sure?", Buttons::YesNo, Icon::Question, Answer::No);
            QTest::keyClick(&dialog, Qt::Key(key));
            VERIFY_NO_PROBLEMS(world.prompter);
            QVERIFY(dialog.isVisible());
            QVERIFY2(!dialog.CheckCancel(), qPrintable(QString::number(key))); // and asks no more
        }
        world.prompter.expect("Are you sure?", Buttons::YesNo, Icon::Question, Answer::Yes);
        dialog.close();
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.CheckCancel());
        QVERIFY(!dialog.CheckCancel());
        VERIFY_NO_PROBLEMS(world.prompter);
        dialog.Destroy();
        QVERIFY(!dialog.isVisible());
    }

    void theOwnerIsDisabledWhileTheWindowExists()
    {
        World world;
        QMainWindow owner;
        owner.show();
        {
            CProgressDlg dialog(world.prompter, &owner);
            dialog.Create(*world.doc);
            QVERIFY(!owner.isEnabled());
            QVERIFY(dialog.isEnabled());
            dialog.Destroy();
            QVERIFY(owner.isEnabled());
            dialog.Create(*world.doc);
            QVERIFY(!owner.isEnabled());
        } // destroyed without Destroy: the owner comes back all the same
        QVERIFY(owner.isEnabled());
    }

    void barsFollowTheEngineAndVerifyShowsOnlyForACopyWithVerify()
    {
        World world;
        CProgressDlg dialog(world.prompter);
        world.doc->options.VerifyCopy = true;
        world.doc->CurrentOperation = kOpLoadDiskette;
        dialog.Create(*world.doc);
        dialog.SetOperationCaption(kProgressLoading);
        dialog.SetBarRange(0, 81);
        dialog.ShowCylinder(7, 80);
        QCOMPARE(dialog.windowTitle(), QString("Loading Diskette Image"));
        QVERIFY(dialog.findChild<QLabel*>() != nullptr);
        QVERIFY(dialog.findChildren<QLabel*>().first()->text() == QString("On Data Cylinder:  7 of 80 ( 8% )"));
        const auto bars = dialog.findChildren<QProgressBar*>();
        QCOMPARE(bars.size(), 2);
        QCOMPARE(bars[0]->maximum(), 81);
        QCOMPARE(bars[0]->value(), 7);
        QVERIFY(bars[1]->isHidden());
        // A status line of a long file name keeps the window on the screen.
        const int width = dialog.width();
        dialog.ShowStatus("Saving " + std::string(255, 'n') + ".txt");
        QVERIFY(dialog.width() < 2 * width);
        dialog.Destroy();

        world.doc->CurrentOperation = kOpCopyDiskette;
        dialog.Create(*world.doc);
        QVERIFY(!bars[1]->isHidden());
        dialog.StepVerify(3);
        QCOMPARE(bars[1]->value(), 4);
    }

    void theWindowIsWideEnoughForItsWholeCaption()
    {
        World world;
        CaptionFitter fitter;
        CProgressDlg dialog(world.prompter);
        world.doc->CurrentOperation = kOpCopyDiskette;
        dialog.Create(*world.doc);
        dialog.SetOperationCaption(kProgressCopyingVerifying);
        QCOMPARE(dialog.windowTitle(), QString("Copying and Verifying Diskette"));
        QVERIFY(dialog.isVisible());
        QVERIFY2(dialog.width() >= CaptionFitter::widthFor(dialog.windowTitle()), qPrintable(QString::number(dialog.width())));
        dialog.Destroy();
    }
};

QTEST_MAIN(ProgressDialogTest)
#include "ProgressDialogTest.moc"
