// The diskette dialogs and their shared parts: the drive list and the
// pictures behind the dialogs.
#include <QtTest>

#include "app/DialogBackground.h"
#include "app/DriveListBox.h"
#include "tests/app/AppTestSupport.h"

using namespace vellum;
using namespace vellum::test;

class DisketteDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void theDriveListHasOneEntryPerDriveAndPaintsTheSelectionHighlighted()
    {
        World world;
        DriveListBox list;
        list.resize(120, 200);
        list.fill(world.drives->drives(), world.prompter, 2, 1, true);
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.item(0)->text(), QStringLiteral("Drive A:"));
        QCOMPARE(list.item(1)->data(Qt::AccessibleTextRole).toString(), QStringLiteral("Drive B:"));
        QCOMPARE(list.driveCount(), 2);
        QCOMPARE(list.selectedDrive(), 1);
        list.setCurrentRow(2);
        QCOMPARE(list.selectedDrive(), -1);

        // A selection past the drives falls back to the first entry.
        list.fill(world.drives->drives(), world.prompter, 1, 1, true);
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.currentRow(), 0);
        const QImage shot = list.grab().toImage();
        const QRect first = list.visualItemRect(list.item(0));
        QCOMPARE(shot.pixelColor(list.viewport()->mapTo(&list, first.topLeft() + QPoint(3, 3))),
                 list.palette().color(QPalette::Highlight));
        QVERIFY(first.height() > DriveListBox::kIconSize);
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void loadFormatAndLabelTileTheirPicturesCompareAndCopyStretchThem()
    {
        using D = DialogBackground::Dialog;
        for (D d : {D::Load, D::FormatDmf, D::VolumeLabel})
            QCOMPARE(DialogBackground::modeOf(d), CDib::Mode::Tile);
        for (D d : {D::Compare, D::Copy})
            QCOMPARE(DialogBackground::modeOf(d), CDib::Mode::Stretch);
        for (D d : {D::Load, D::Compare, D::Copy, D::FormatDmf, D::VolumeLabel})
            QVERIFY(CDib(DialogBackground::pictureOf(d)).isLoaded());
    }
};

QTEST_MAIN(DisketteDialogsTest)
#include "DisketteDialogsTest.moc"
