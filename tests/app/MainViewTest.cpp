// The main view: the status panel's strips, the enabling rules, its private
// messages, Initialize, the drive pair and the copies box.
#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

#include "app/CVLMView.h"
#include "app/FileListModel.h"
#include "app/FileListView.h"
#include "app/HelpWindow.h"
#include "app/StatusStrip.h"
#include "appmodel/ViewCommands.h"
#include "app/ViewToolBar.h"
#include "app/VlmFileDialog.h"
#include "core/ImageFile.h"
#include "core/StandardFormats.h"
#include "drive/VirtualMedium.h"
#include "ops/StatusPanel.h"
#include "tests/app/AppTestSupport.h"

using namespace vellum;
using namespace vellum::test;

namespace {

const int kImageCommands[] = {kCmdSaveImage, kCmdInitialize, kCmdRefresh, kCmdCopyNow, kCmdCopy, kCmdImageLabel,
                              kCmdCopyFile, kCmdMoveFile, kCmdDeleteFile, kCmdSaveSelected, kCmdCompare, kCmdCompareNow};

QStringList stripTexts(CVLMView& view)
{
    QStringList texts;
    for (StatusStrip* strip : view.findChildren<StatusStrip*>())
        texts << strip->text(0) << strip->text(1);
    return texts;
}

} // namespace

class MainViewTest : public QObject {
    Q_OBJECT

private slots:
    void enablingRulesFollowTheList()
    {
        for (int command : {kCmdCopy, kCmdSaveImage, kCmdCopyFile, kCmdImageLabel, kCmdSaveAll, kCmdCompare,
                            kCmdRefresh, kCmdInitialize, kCmdCopyNow, kCmdCompareNow}) {
            QVERIFY2(!ViewCommands::enabledByList(command, false), qPrintable(QString::number(command)));
            QVERIFY(ViewCommands::enabledByList(command, true));
        }
        for (int command : {kCmdOpenImage, kCmdFormat, kCmdFormatNow, kCmdDisketteLabel, kCmdLoadNow, kCmdSelectA})
            QVERIFY(ViewCommands::enabledByList(command, false));
    }

    void tooltipsAndHelpTopicsOfTheButtons()
    {
        QCOMPARE(QString::fromUtf8(ViewCommands::tooltip(kCmdCopyNow)->data()),
                 QString("Copy diskette image from memory to diskette"));
        QVERIFY(!ViewCommands::tooltip(kCmdInitialize));
        QCOMPARE(ViewCommands::buttonHelpTopic(kCmdExitButton), 0x10000 + 101);
        QCOMPARE(ViewCommands::buttonHelpTopic(kCmdOpenImage), 0x10000 + 32780);
        QCOMPARE(ViewCommands::buttonHelpTopic(kCmdFormatNow), 0x10000 + 115);
        QCOMPARE(ViewCommands::buttonHelpTopic(kCmdHelpTask), 0);
        QCOMPARE(ViewCommands::buttonHelpTopic(0), 0);
        // Every button with a topic number has a page of its own; others get the overview.
        for (int command : {kCmdExitButton, kCmdOpenImage, kCmdSaveImage, kCmdSelectA, kCmdSelectB, kCmdLoadNow,
                            kCmdCopyNow, kCmdCompareNow, kCmdFormatNow})
            QCOMPARE(HelpWindow::topicPath(ViewCommands::buttonHelpTopic(command)),
                     QStringLiteral(":/help/%1.html").arg(0x10000 + command));
        QCOMPARE(HelpWindow::topicPath(0), QString(":/help/index.html"));
        QCOMPARE(HelpWindow::topicPath(4711), QString(":/help/index.html"));
    }

    void anOpenedImageEnablesItsCommandsAndInitializeEmptiesAgain()
    {
        World world;
        RecordingShell shell;
        CVLMView view(*world.doc, world.prompter, *world.drives, shell);
        QCOMPARE(stripTexts(view), (QStringList{"  Volume Label:   None", "  Memory Status:    Empty",
                                                "  Last Operation:    None", "  Last Operation Status:    N/A"}));
        for (int command : kImageCommands)
            QVERIFY(!view.command(command)->isEnabled());

        view.openImageFile(VELLUM_SAMPLE);
        drainEvents();
        QVERIFY(view.imageShown());
        QCOMPARE(stripTexts(view), (QStringList{"  Volume Label:    VELLUM     ", "  Memory Status:    1.44Mb      ",
                                                "  Last Operation:   Load File", "  Last Operation Status:    Successful"}));
        for (int command : kImageCommands)
            QVERIFY(view.command(command)->isEnabled());
        QVERIFY(view.toolBar().button(kCmdSaveImage)->isEnabled());

        view.run(kCmdInitialize);
        QVERIFY(!view.imageShown());
        QCOMPARE(view.fileListModel().text(0, 0), QString("No Files"));
        QCOMPARE(stripTexts(view).mid(0, 2), (QStringList{"  Volume Label:   None", "  Memory Status:    Empty"}));
        QCOMPARE(stripTexts(view).value(2), QString("  Last Operation:   Load File"));
        for (int command : kImageCommands)
            QVERIFY(!view.command(command)->isEnabled());
        QVERIFY(!view.toolBar().button(kCmdSaveImage)->isEnabled());
        VERIFY_NO_PROBLEMS(world.prompter);

        // Printing follows the mismatch held, not the image.
        for (int command : {kCmdPrint, kCmdPrintPreview})
            QVERIFY(!view.command(command)->isEnabled());
        world.doc->mismatchHeader = "Trk 1,Sec 1,Ofs 0";
        view.updateCommands();
        for (int command : {kCmdPrint, kCmdPrintPreview})
            QVERIFY(view.command(command)->isEnabled());
    }

    void aFileThatCannotBeOpenedLeavesTheEmptyState()
    {
        World world;
        RecordingShell shell;
        CVLMView view(*world.doc, world.prompter, *world.drives, shell);
        world.prompter.expectStart("Cannot open", Icon::Stop, Answer::Ok);
        view.openImageFile(world.path("missing.vlm"));
        drainEvents();
        QCOMPARE(stripTexts(view).value(3), QString("  Last Operation Status:    Unsuccessful"));
        QCOMPARE(view.fileListModel().text(0, 0), QString("No Files"));
        QVERIFY(!view.imageShown());
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void postedMessagesWaitForTheEventLoop()
    {
        World world;
        RecordingShell shell;
        CVLMView view(*world.doc, world.prompter, *world.drives, shell);
        view.openImageFile(VELLUM_SAMPLE);
        drainEvents();
        view.post(ViewMessage::Initialize);
        QVERIFY(view.imageShown());
        drainEvents();
        QVERIFY(!view.imageShown());

        // An engine's status report and fill request, as a load would leave them.
        world.doc->ImageEmpty = 0;
        view.statusPanel().ShowLastOperation(kOpLoadDiskette, kCancelled);
        view.post(ViewMessage::FillList);
        drainEvents();
        QVERIFY(view.imageShown());
        QCOMPARE(stripTexts(view).value(3), QString("  Last Operation Status:    Cancelled by Operator"));
    }

    void driveButtonsSelectTheDriveAndTheCopiesBoxHoldsOneToNinetyNine()
    {
        World world;
        world.doc->options.NumberCopies = 12;
        RecordingShell shell;
        CVLMView view(*world.doc, world.prompter, *world.drives, shell);
        QCOMPARE(view.toolBar().copies(), 12);
        auto* box = view.toolBar().findChild<QComboBox*>("CopiesBox");
        QCOMPARE(box->count(), 99);
        QCOMPARE(box->itemText(98), QString("99"));

        QCOMPARE(view.floppyCount(), 2);
        view.run(kCmdSelectB);
        QCOMPARE(int(world.doc->SelectedDrive), 1);
        QVERIFY(view.toolBar().button(kCmdSelectB)->isChecked());
        QVERIFY(!view.toolBar().button(kCmdSelectA)->isChecked());
        view.run(kCmdSelectA);
        QCOMPARE(int(world.doc->SelectedDrive), 0);
        // A screen reader's toggle, not a click, selects too.
        qobject_cast<QAbstractButton*>(view.toolBar().widgetForAction(view.toolBar().button(kCmdSelectB)))->toggle();
        QCOMPARE(int(world.doc->SelectedDrive), 1);
    }

    void anInPlaceRenameRenamesOnTheDisketteInTheFolderShown()
    {
        World world;
        // The diskette in A: is the sample itself, as after loading it.
        const std::string disk = world.path("a.img").toStdString();
        QVERIFY(ImageFile(*world.doc, world.prompter).open(VELLUM_SAMPLE));
        QVERIFY(ImageFile(*world.doc, world.prompter).save(disk, {}));
        world.drives->virtualDrives().insert(0, disk);
        RecordingShell shell;
        CVLMView view(*world.doc, world.prompter, *world.drives, shell);
        view.openImageFile(VELLUM_SAMPLE);
        drainEvents();
        FileListModel& model = view.fileListModel();
        const auto rowOf = [&](const QString& name) {
            for (int row = 0; row < model.rowCount(); ++row)
                if (model.text(row, 0).trimmed() == name)
                    return row;
            return -1;
        };
        emit view.fileList().rowDoubleClicked(rowOf("DOCS"));
        drainEvents();
        int row = rowOf("EMPTY.DAT");
        QVERIFY(row >= 0);
        model.allowRename(row);
        QVERIFY(model.setData(model.index(row, 0), "NOTHING.DAT", Qt::EditRole));
        QCOMPARE(model.text(row, 0), QString("NOTHING.DAT"));
        QVERIFY(shell.lines.empty()); // the rename waits until the editor is gone
        drainEvents();
        QCOMPARE(shell.lines, std::vector<std::string>{"mren -i " + disk + " -D a ::/DOCS/EMPTY.DAT ::/DOCS/NOTHING.DAT"});
        // Then the directory is read again from the diskette, from its root.
        drainEvents();
        QVERIFY(rowOf("README.TXT") >= 0);

        // A rename the diskette refuses shows the old name again.
        shell.answer = {1, "mren: disk full"};
        world.prompter.expectStart("Renaming README.TXT to OTHER.TXT failed", Icon::Exclamation, Answer::Ok);
        row = rowOf("README.TXT");
        model.allowRename(row);
        model.setData(model.index(row, 0), "OTHER.TXT", Qt::EditRole);
        drainEvents();
        QCOMPARE(model.text(row, 0), QString("README.TXT"));
        VERIFY_NO_PROBLEMS(world.prompter);
        // Without an allowed rename, the name cannot be edited.
        QVERIFY(!(model.flags(model.index(row, 0)) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(model.index(row, 0), "X", Qt::EditRole));
    }

    void toolbarLoadAndCopyRunTheirEnginesOnTheSelectedDrive()
    {
        World world;
        const std::string source = world.path("source.img").toStdString();
        QVERIFY(ImageFile(*world.doc, world.prompter).open(VELLUM_SAMPLE));
        QVERIFY(ImageFile(*world.doc, world.prompter).save(source, {}));
        world.drives->virtualDrives().insert(0, source);
        RecordingShell shell;
        CVLMView view(*world.doc, world.prompter, *world.drives, shell);
        view.run(kCmdInitialize);

        view.run(kCmdLoadNow);
        drainEvents();
        QVERIFY(view.imageShown());
        QCOMPARE(stripTexts(view).mid(2), (QStringList{"  Last Operation:   Load Diskette",
                                                       "  Last Operation Status:    Successful"}));
        QVERIFY(!view.fileListModel().showsPlaceholder());

        // A formatted, empty diskette of the same size takes the copy.
        const std::string target = world.path("target.img").toStdString();
        QVERIFY(QProcess::execute("mformat", {"-C", "-f", "1440", "-i", QString::fromStdString(target), "::"}) == 0);
        world.drives->virtualDrives().eject(0);
        world.drives->virtualDrives().insert(0, target);
        view.toolBar().setCopies(1);
        view.run(kCmdCopyNow);
        drainEvents();
        VERIFY_NO_PROBLEMS(world.prompter);
        QCOMPARE(stripTexts(view).value(3), QString("  Last Operation Status:    Successful"));
        QCOMPARE(world.doc->options.NumberCopies, 1);
        QFile written(QString::fromStdString(target));
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray loaded(reinterpret_cast<const char*>(world.doc->image().data()),
                                static_cast<qsizetype>(world.doc->loadedBytes()));
        QVERIFY(loaded.size() > 0);
        QVERIFY(written.read(loaded.size()) == loaded);
    }

    void theOpenDialogPreviewsOnlyVellumAndImageDiskFiles()
    {
        World world;
        QVERIFY(ImageFile(*world.doc, world.prompter).open(VELLUM_SAMPLE));
        const QString vlm = world.path("described.vlm");
        const QString raw = world.path("plain.img");
        const QString imd = world.path("archived.IMD");
        QVERIFY(ImageFile(*world.doc, world.prompter).save(vlm.toStdString(), "Letters and recipes, 1998"));
        QVERIFY(ImageFile(*world.doc, world.prompter).save(raw.toStdString(), "ignored"));
        QVERIFY(ImageFile(*world.doc, world.prompter).save(imd.toStdString(), "Letters, archived"));
        QCOMPARE(VlmFileDialog::previewFor("described.vlm", vlm), QString("Letters and recipes, 1998"));
        QCOMPARE(VlmFileDialog::previewFor("archived.IMD", imd), QString("Letters, archived"));
        QCOMPARE(VlmFileDialog::previewFor("*.VLM", vlm), QString());
        QCOMPARE(VlmFileDialog::previewFor("*.vlm;*.img", vlm), QString());
        QCOMPARE(VlmFileDialog::previewFor("plain.img", raw), QString());
        QCOMPARE(VlmFileDialog::previewFor("gone.vlm", world.path("gone.vlm")), QString());
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void theSaveDialogRemembersTheDescriptionForTheNextDialog()
    {
        QString remembered = "first";
        VlmFileDialog save(VlmFileDialog::Kind::Save, remembered);
        QCOMPARE(save.description(), QString("first"));
        QCOMPARE(save.windowTitle(), QString("Save Diskette Image as a Vellum File"));
        QVERIFY(save.nameFilters().contains("Vellum Files (*.VLM)"));
        QVERIFY(save.nameFilters().contains("All Files (*.*)"));
        auto* field = save.findChild<QLineEdit*>("FileDescription");
        QVERIFY(field);
        field->setText(QString(70, u'd'));
        save.reject();
        QCOMPARE(remembered, QString(60, u'd'));
        VlmFileDialog open(VlmFileDialog::Kind::Open, remembered);
        QCOMPARE(open.windowTitle(), QString("Open a Vellum File"));
        QCOMPARE(open.description(), QString(60, u'd'));

        // Both start with the pattern in the name box and have a Help button of their own topic.
        for (VlmFileDialog* dialog : {&open, &save}) {
            QCOMPARE(dialog->nameBox(), QString("*.VLM"));
            QSignalSpy help(dialog, &HelpFileDialog::helpRequested);
            auto* button = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help);
            QVERIFY(button);
            button->click();
            const int topic = help.value(0).value(0).toInt();
            QCOMPARE(topic, dialog == &open ? 1033 : 1034);
            QVERIFY(HelpWindow::topicPath(topic) != HelpWindow::topicPath(0));
        }
    }

    void oneDriveHidesTheBButtonAndSelectsA()
    {
        ViewToolBar bar;
        bar.showDrives(7, 1, 1);
        QVERIFY(!bar.button(kCmdSelectB)->isVisible());
        QVERIFY(bar.button(kCmdSelectA)->isChecked());
    }
};

QTEST_MAIN(MainViewTest)
#include "MainViewTest.moc"
