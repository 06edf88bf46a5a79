// The Diskette Mismatch dialog: what it opens with, the two list modes with
// the line of the difference, the resume choice, and the report file with
// its failure told and the dialog kept open.
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>
#include <vector>

#include "widgets/HelpFileDialog.h"
#include "ops/MismatchPrintout.h"
#include "ops/MismatchReport.h"
#include "ops/ui/CMismatchDlg.h"
#include "tests/app/AppTestSupport.h"

using namespace vellum;
using namespace vellum::test;

namespace {

constexpr std::size_t kSector = MismatchReport::kSectorBytes;

// Two sectors from the resume offset; they differ at the last byte of the second.
struct Difference {
    std::vector<std::uint8_t> disk = std::vector<std::uint8_t>(2 * kSector, 0x41);
    std::vector<std::uint8_t> memory = disk;
    MismatchReport report;

    Difference()
    {
        disk[2 * kSector - 1] = 0x00;
        report.area = "Root Directory";
        report.track = "1";
        report.sector = "8";
        report.offset = "511";
        report.tracksPerDisk = "160";
        report.disketteData = disk;
        report.memoryData = memory;
        report.distance = 2 * kSector - 1;
        report.resumeMode = kResumeNextSector;
    }
};

QRadioButton* radio(QDialog& dialog, const QString& text)
{
    for (auto* button : dialog.findChildren<QRadioButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

QPushButton* button(QDialog& dialog, const QString& text)
{
    for (auto* b : dialog.findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

class MismatchDialogTest : public QObject {
    Q_OBJECT

private slots:
    void showsTheDifferenceInBothModesAndTakesTheResumeChoice()
    {
        World world;
        Difference d;
        CMismatchDlg dialog(world.prompter);
        dialog.present(d.report);
        QCOMPARE(d.report.resumeMode, int(kResumeNextTrack));
        QVERIFY(radio(dialog, "Hexadecimal")->isChecked() && radio(dialog, "Printer")->isChecked());
        QCOMPARE(dialog.disketteList()->count(), 64);
        QCOMPARE(dialog.disketteList()->currentRow(), 63);
        QCOMPARE(dialog.disketteList()->item(63)->text(), QString("41 41 41 41 41 41 41 00 "));
        QCOMPARE(dialog.memoryList()->item(63)->text(), QString("41 41 41 41 41 41 41 41 "));
        radio(dialog, "ASCII")->click();
        QCOMPARE(dialog.memoryList()->count(), 32);
        QCOMPARE(dialog.memoryList()->currentRow(), 31);
        QCOMPARE(dialog.disketteList()->item(31)->text(), QString("AAAAAAAAAAAAAAA."));
        radio(dialog, "Next Sector")->click();
        QCOMPARE(d.report.resumeMode, int(kResumeNextSector));

        // Each difference opens in hexadecimal with Next Track; the buttons end the wait.
        QMetaObject::invokeMethod(button(dialog, "Resume Compare"), &QPushButton::click, Qt::QueuedConnection);
        QVERIFY(dialog.run(d.report));
        QCOMPARE(dialog.disketteList()->count(), 64);
        QCOMPARE(d.report.resumeMode, int(kResumeNextTrack));
        QMetaObject::invokeMethod(button(dialog, "Cancel"), &QPushButton::click, Qt::QueuedConnection);
        QVERIFY(!dialog.run(d.report));
    }

    void savesTheReportAndTellsWhyItCannot()
    {
        World world;
        Difference d;
        CMismatchDlg dialog(world.prompter);
        QSignalSpy printed(&dialog, &CMismatchDlg::printRequested);
        const QString bad = world.path("no-such-folder/report.txt");
        const QString good = world.path("report.txt");
        dialog.present(d.report);
        button(dialog, "Print")->click(); // "Printer" is chosen: the view prints
        world.prompter.expectStart("Cannot create a file beside \"" + bad.toStdString() + "\"", Icon::Exclamation,
                                   Answer::Ok);
        QVERIFY(!dialog.saveReport(bad));
        QVERIFY(dialog.saveReport(good));
        QCOMPARE(printed.count(), 1);
        VERIFY_NO_PROBLEMS(world.prompter);

        // With "File" chosen, the save dialog opens on "*.txt" and its Help asks for its topic.
        QSignalSpy help(&dialog, &CMismatchDlg::helpRequested);
        QTimer::singleShot(0, [] {
            auto* save = qobject_cast<HelpFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(save);
            QCOMPARE(save->nameBox(), QString("*.txt"));
            save->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help)->click();
            save->reject();
        });
        radio(dialog, "File")->setChecked(true);
        button(dialog, "Print")->click();
        QCOMPARE(help.value(0).value(0).toInt(), 1034);
        QFile file(good);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().toStdString(),
                 MismatchPrintout::reportText("Trk 1,Sec 8,Ofs 511", d.report.disketteSector(),
                                              d.report.memorySector()));
    }
};

QTEST_MAIN(MismatchDialogTest)
#include "MismatchDialogTest.moc"
