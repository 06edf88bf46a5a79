// The diskette dialogs and their shared parts: the drive list and the
// pictures behind the dialogs.
#include <QCheckBox>
#include <QComboBox>
#include <QMainWindow>
#include <QMessageBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QtTest>
#include <functional>

#include "app/CMainFrame.h"
#include "app/CVLMView.h"
#include "widgets/DialogBackground.h"
#include "ops/DisketteShell.h"
#include "app/MessageBoxPrompter.h"
#include "app/ViewToolBar.h"
#include "widgets/DriveListBox.h"
#include "app/FormatDialog.h"
#include "app/FileListModel.h"
#include "appmodel/ViewCommands.h"
#include "core/Fat12Reader.h"
#include "ops/DmfFormat.h"
#include "ops/EngineContext.h"
#include "ops/StatusPanel.h"
#include "ops/VolumeLabel.h"
#include "ops/ui/CCopyDlg.h"
#include "ops/ui/CDmfFormatDlg.h"
#include "core/ui/OperationRunner.h"
#include "ops/ui/CLoadDlg.h"
#include "ops/ui/CProgressDlg.h"
#include "ops/ui/CVolumeLabelDlg.h"
#include "ops/ui/NewImageDialog.h"
#include "drive/ui/UseDriveDialog.h"
#include "core/StandardFormats.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/MtoolsImage.h"
#include "tests/support/RecordingViewSink.h"

using namespace vellum;
using namespace vellum::test;

namespace {

void saveScreenshot(QWidget& window, const QString& name)
{
    QDir().mkpath(VELLUM_SCREENSHOTS);
    QVERIFY(window.grab().save(QDir(VELLUM_SCREENSHOTS).filePath(name)));
}

QStringList previewOf(CLoadDlg& dialog)
{
    QStringList names;
    auto* tree = dialog.findChild<QTreeWidget*>();
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        names << tree->topLevelItem(i)->text(0);
    return names;
}

template <typename T>
T* child(QWidget& parent, const QString& text)
{
    for (T* w : parent.findChildren<T*>())
        if (w->text() == text)
            return w;
    return nullptr;
}

// Runs `act` on the modal dialog the next command opens.
template <typename Dialog>
void onDialog(std::function<void(Dialog&)> act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        act(*dialog);
    });
}

} // namespace

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

    void useDriveListsTheFoundDrivesAfterTheVirtualOneAndGivesTheChosenItsLetter()
    {
        using K = FoundDrive::Kind;
        UseDriveDialog dialog({{K::Floppy, "/dev/fd0", "3.5-inch 1.44 MB", {}, {}},
                               {K::Usb, "/dev/sdb", {}, "TEAC", "FD-05PUB"}},
                              1);
        auto* list = dialog.findChild<QListWidget*>();
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(2)->text(), QStringLiteral("/dev/sdb  USB diskette drive, TEAC FD-05PUB"));
        QCOMPARE(dialog.device(), std::string("/dev/fd0"));
        QCOMPARE(dialog.drive(), 1);
        list->setCurrentRow(2);
        dialog.findChildren<QRadioButton*>().at(0)->click();
        QCOMPARE(dialog.device(), std::string("/dev/sdb"));
        QCOMPARE(dialog.drive(), 0);
        list->setCurrentRow(0);
        QCOMPARE(dialog.device(), std::string()); // the virtual drive
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

    void theLoadDialogPreviewsEachDriveAndOkChoosesDriveOrImageFile()
    {
        World world;
        MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
        image.addFile("/ZETA.TXT", "z");
        image.addFile("/ALPHA.BAT", "a");
        image.makeDirectories({"/DOCS"});
        world.drives->virtualDrives().insert(0, image.path());
        world.doc->options.LoadEntireDiskette = false;

        OperationRunner runner(world.prompter);
        CLoadDlg dialog(*world.doc, world.drives->drives(), runner, 2);
        QCOMPARE(dialog.windowTitle(), QStringLiteral(" Load Diskette Image"));
        QVERIFY(runner.busy()); // the diskette is read off the window's thread
        QTRY_COMPARE(previewOf(dialog), (QStringList{"ALPHA.BAT", "DOCS", "ZETA.TXT"}));
        saveScreenshot(dialog, "load-dialog.png");
        auto* source = dialog.findChild<DriveListBox*>();
        source->setCurrentRow(1);
        QTRY_COMPARE(previewOf(dialog), QStringList{"The device is not ready"});
        MtoolsImage blank(MtoolsImage::Maker::Mformat, "-f 1200");
        world.drives->virtualDrives().insert(1, blank.path());
        dialog.fillPreview();
        QTRY_COMPARE(previewOf(dialog), QStringList{"No files found"});

        child<QCheckBox>(dialog, "Load Entire Diskette")->click();
        QVERIFY(!world.doc->options.LoadEntireDiskette); // only OK keeps the box
        dialog.accept();
        QCOMPARE(dialog.choice(), CLoadDlg::Choice::Drive);
        QCOMPARE(world.doc->SelectedDrive, 1);
        QVERIFY(world.doc->options.LoadEntireDiskette && dialog.loadEntireDiskette());

        source->setCurrentRow(2);
        dialog.accept();
        QCOMPARE(dialog.choice(), CLoadDlg::Choice::ImageFile);
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void theCopyDialogRefusesCopiesOutsideOneToNinetyNineAndKeepsItsBoxes()
    {
        World world;
        world.doc->options.VerifyCopy = true;
        world.doc->options.ForceFormat = false;
        CCopyDlg dialog(*world.doc, world.drives->drives(), world.prompter, 2, 3);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Copy Diskette"));
        saveScreenshot(dialog, "copy-dialog.png");
        auto* number = dialog.findChild<QLineEdit*>();
        QCOMPARE(number->text(), QStringLiteral("3"));
        const std::string range = "Please enter an integer between 1 and 99.";
        world.prompter.expect("Please enter an integer.", Buttons::Ok, Icon::Exclamation, Answer::Ok)
            .expect(range, Buttons::Ok, Icon::Exclamation, Answer::Ok)
            .expect(range, Buttons::Ok, Icon::Exclamation, Answer::Ok);
        for (const char* text : {"", "0", "100"}) {
            number->setText(QString::fromLatin1(text));
            dialog.accept();
            QVERIFY(dialog.isVisible());
        }
        number->setText(QStringLiteral("12"));
        dialog.findChild<DriveListBox*>()->setCurrentRow(1);
        child<QCheckBox>(dialog, "Force Format")->setChecked(true);
        child<QCheckBox>(dialog, "Copy with Verify")->setChecked(false);
        dialog.accept();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.copies(), 12);
        QCOMPARE(world.doc->SelectedDrive, 1);
        QVERIFY(world.doc->options.ForceFormat && !world.doc->options.VerifyCopy);
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void theDmfDialogOffersOnlyCapableDrives()
    {
        World world;
        CProgressDlg progress(world.prompter);
        StatusPanel panel;
        RecordingViewSink view;
        DmfFormat format({*world.doc, world.drives->drives(), nullptr, world.prompter, progress, panel, view});
        {
            CDmfFormatDlg dialog(format, 1);
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Format DMF Diskette"));
            auto* b = child<QRadioButton>(dialog, "Drive B:");
            QVERIFY(child<QRadioButton>(dialog, "Drive A:")->isChecked() && !b->isEnabled());
            dialog.findChild<QLineEdit*>()->setText(QStringLiteral("dmf disk"));
            child<QRadioButton>(dialog, "Quick Format")->setChecked(true);
            const DmfFormatOptions o = dialog.options();
            QVERIFY(o.drive == 0 && !o.fullFormat && o.label == "dmf disk" && !o.noLabel);
            saveScreenshot(dialog, "format-dmf-dialog.png");
        }
        world.drives->virtualDrives().setDeviceType(0, 1);
        world.prompter.expect(std::string(DmfFormat::kNoCapableDrive), Buttons::Ok, Icon::Exclamation, Answer::Ok);
        CDmfFormatDlg dialog(format, 0);
        QVERIFY(!dialog.anyCapableDrive());
        QVERIFY(!child<QPushButton>(dialog, "Format")->isEnabled());
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void theLabelDialogAsksToRedoWhenNothingChangedAndAppliesANewLabel()
    {
        World world;
        MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
        image.label("OLD");
        image.loadInto(*world.doc);
        Fat12Reader(*world.doc, world.prompter).ReadDirectory();
        StatusPanel panel;
        RecordingViewSink view;
        VolumeLabel label(*world.doc, world.prompter, panel, view);
        const std::string redo =
            "Image Label was not updated because no label options were selected.\n\nDo you want to redo label operation?";
        CVolumeLabelDlg dialog(*world.doc, label);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Volume Label Operations"));
        auto* text = dialog.findChild<QLineEdit*>();
        QCOMPARE(text->text(), QStringLiteral("OLD"));
        world.prompter.expect(redo, Buttons::YesNo, Icon::None, Answer::Yes);
        dialog.accept();
        QVERIFY(dialog.isVisible());

        auto* remove = child<QCheckBox>(dialog, "Delete Image Label");
        remove->click();
        QVERIFY(text->text() == "None" && !text->isEnabled());
        remove->click();
        QVERIFY(text->text() == "OLD" && text->isEnabled());
        saveScreenshot(dialog, "volume-label-dialog.png");
        text->setText(QStringLiteral("fresh"));
        dialog.accept();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(world.doc->volumeLabelText(), std::string("FRESH"));
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void everyLabelDialogTellsTheOneRuleAndStaysOpenWithTheTextAsTyped()
    {
        World world;
        MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
        image.loadInto(*world.doc);
        Fat12Reader(*world.doc, world.prompter).ReadDirectory();
        world.doc->imageChanged = true;
        const auto staysOpen = [&](QDialog& dialog, const QString& text) {
            auto* edit = dialog.findChild<QLineEdit*>();
            edit->setText(text);
            world.prompter.expect(VolumeLabel::refusal(text.toStdString()), Buttons::Ok, Icon::Exclamation, Answer::Ok);
            dialog.accept();
            QVERIFY(dialog.isVisible() && edit->text() == text);
        };
        // New Image: the label is refused before the save question comes.
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        onDialog<NewImageDialog>([&](NewImageDialog& dialog) {
            staysOpen(dialog, "bad*lbl");
            dialog.findChild<QLineEdit*>()->setText("good");
            world.prompter.expectStart("The image in memory holds changes", Icon::Question, Answer::No);
            dialog.accept();
        });
        frame.view().run(kCmdNewImage);
        drainEvents();
        QCOMPARE(QString::fromStdString(world.doc->volumeLabelText()).trimmed(), QStringLiteral("GOOD"));

        CProgressDlg progress(world.prompter);
        StatusPanel panel;
        RecordingViewSink view;
        DmfFormat format({*world.doc, world.drives->drives(), nullptr, world.prompter, progress, panel, view});
        CDmfFormatDlg dmf(format, 0);
        VolumeLabel label(*world.doc, world.prompter, panel, view);
        CVolumeLabelDlg labelDialog(*world.doc, label, nullptr);
        FormatDialog shellFormat("A:", {formatNamed("1.44M")}, formatNamed("1.44M"), true, world.prompter);
        for (QDialog* dialog : std::initializer_list<QDialog*>{&dmf, &labelDialog, &shellFormat}) {
            dialog->show();
            staysOpen(*dialog, dialog == &dmf ? "bad*lbl" : dialog == &labelDialog ? "A.B[X]" : " lead");
        }
        QCOMPARE(QString::fromStdString(world.doc->volumeLabelText()).trimmed(), QStringLiteral("GOOD"));
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void theMenuLoadRunsThroughTheDialogAndEnablesTheImageCommands()
    {
        World world;
        RecordingShell shell;
        MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
        image.addFile("/HELLO.TXT", "hello");
        world.drives->virtualDrives().insert(0, image.path());
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        frame.show();
        CVLMView& view = frame.view();
        for (int id : {kCmdLoad, kCmdFormatDmf})
            QVERIFY(view.command(id)->isEnabled());
        for (int id : {kCmdCopy, kCmdImageLabel})
            QVERIFY(!view.command(id)->isEnabled());

        onDialog<CLoadDlg>([](CLoadDlg& dialog) { dialog.accept(); });
        view.run(kCmdLoad);
        drainEvents();
        QCOMPARE(world.doc->OperationState, kSuccessful);
        for (int id : {kCmdCopy, kCmdImageLabel})
            QVERIFY(view.command(id)->isEnabled());
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void theProgressWindowOpensCentredAndItsQuestionBesideIt()
    {
        World world;
        QMainWindow owner;
        owner.setGeometry(40, 30, 700, 500);
        owner.show();
        MessageBoxPrompter prompter;
        CProgressDlg progress(prompter, &owner);
        progress.Create(*world.doc);
        // Within the window frame, which is not known before the window is shown.
        QVERIFY((progress.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength() <= 4);

        QRect question;
        QTimer::singleShot(0, [&question] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            question = box->frameGeometry();
            box->button(QMessageBox::No)->click();
        });
        QCOMPARE(prompter.ask("Are you sure?", Buttons::YesNo, Icon::Question), Answer::No);
        QVERIFY(question.isValid() && !question.intersects(progress.frameGeometry()));
    }

    void theCopiesDropDownShowsAboutTenRows()
    {
        ViewToolBar bar;
        bar.show();
        auto* copies = bar.findChild<QComboBox*>(QStringLiteral("CopiesBox"));
        copies->showPopup();
        const int rows = copies->view()->height() / copies->view()->sizeHintForRow(0);
        copies->hidePopup();
        QVERIFY2(rows >= 9 && rows <= 11, qPrintable(QString::number(rows)));
    }

    void noToTheWrongMagicQuestionKeepsTheImageAndItsList()
    {
        World world;
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        frame.view().openImageFile(VELLUM_SAMPLE);
        drainEvents();
        const int rows = frame.view().fileListModel().rowCount();
        QFile sample(VELLUM_SAMPLE);
        QVERIFY(sample.open(QIODevice::ReadOnly));
        QByteArray bytes = sample.readAll();
        bytes[1] = 'X';
        QFile odd(world.path("odd.vlm"));
        QVERIFY(odd.open(QIODevice::WriteOnly) && odd.write(bytes) == bytes.size());
        odd.close();
        world.prompter.expect("File may be corrupted! \nDo you wish to continue?", Buttons::YesNo, Icon::Question,
                              Answer::No);
        frame.view().openImageFile(odd.fileName());
        drainEvents();
        QCOMPARE(frame.view().fileListModel().rowCount(), rows);
        QVERIFY(frame.view().imageShown() && !world.doc->ImageEmpty);
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void mtoolsReportsNameTheDrive()
    {
        QCOMPARE(DisketteShell::inDriveTerms(" Volume in drive : is VELLUM\n  A  ::/DOCS/HELLO.BAT\n", 'B'),
                 std::string(" Volume in drive B: is VELLUM\n  A  B:\\DOCS\\HELLO.BAT\n"));
    }
};

QTEST_MAIN(DisketteDialogsTest)
#include "DisketteDialogsTest.moc"
