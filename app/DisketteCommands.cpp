#include "app/DisketteCommands.h"

#include <QDialog>
#include <filesystem>
#include <optional>

#include "app/ShellDriveMenu.h"
#include "app/ShellFormatter.h"
#include "app/ViewToolBar.h"
#include "core/CVLMDoc.h"
#include "core/Error.h"
#include "core/ViewSink.h"
#include "core/ui/GuiThread.h"
#include "core/ui/OperationRunner.h"
#include "drive/DriveBay.h"
#include "drive/SectorDriver.h"
#include "ops/CompareEngine.h"
#include "ops/CopyEngine.h"
#include "ops/CopyFormatter.h"
#include "ops/DmfFormat.h"
#include "ops/EngineContext.h"
#include "ops/LoadEngine.h"
#include "ops/RescueEngine.h"
#include "ops/VolumeLabel.h"
#include "ops/ui/CCompareDlg.h"
#include "ops/ui/CCopyDlg.h"
#include "ops/ui/CDmfFormatDlg.h"
#include "ops/ui/CLoadDlg.h"
#include "ops/ui/CMismatchDlg.h"
#include "ops/ui/CProgressDlg.h"
#include "ops/ui/CRescueDlg.h"
#include "ops/ui/CRescueGrid.h"
#include "ops/ui/CVolumeLabelDlg.h"

namespace vellum {

namespace {

// The progress window's own cancel, for a close of the main window.
std::function<void()> cancelOf(const std::shared_ptr<CProgressDlg>& progress)
{
    return [progress] { progress->cancelConfirmed(); };
}

// What a rescue leaves for the GUI thread.
struct RescueOutcome {
    bool started = false;
    std::vector<std::uint32_t> unreadable;
};

} // namespace

DisketteCommands::DisketteCommands(CVLMDoc& doc, OperationRunner& runner, DriveBay& drives, View view)
    : doc_(doc), runner_(runner), prompter_(runner.prompter()), drives_(drives), view_(std::move(view)),
      driver_(std::make_unique<SectorDriver>(drives.drives()))
{
}

DisketteCommands::~DisketteCommands() = default;

EngineContext DisketteCommands::engineContext(Progress& progress)
{
    return {doc_, drives_.drives(), driver_.get(), prompter_, progress, view_.panel, view_.sink};
}

void DisketteCommands::load()
{
    CLoadDlg dialog(doc_, drives_.drives(), runner_, view_.floppyCount(), view_.owner->window());
    connect(&dialog, &CLoadDlg::helpRequested, this, &DisketteCommands::helpRequested);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.choice() == CLoadDlg::Choice::ImageFile) {
        view_.sink.post(ViewMessage::OpenImageFile);
        return;
    }
    view_.selectDrive(doc_.SelectedDrive);
    // The preview may still be reading the diskette.
    runner_.whenIdle([this, entire = dialog.loadEntireDiskette()] { loadDrive(entire); });
}

void DisketteCommands::loadNow()
{
    loadDrive(doc_.options.LoadEntireDiskette);
}

void DisketteCommands::loadDrive(bool loadEntireDiskette)
{
    const auto progress = CProgressDlg::shared(prompter_);
    auto loaded = std::make_shared<bool>(false);
    runner_.start(
        [this, progress, loaded, loadEntireDiskette, drive = doc_.SelectedDrive] {
            *loaded = view_.mayReplaceImage();
            if (*loaded)
                LoadEngine(engineContext(*progress)).run(drive, loadEntireDiskette);
        },
        [this, loaded] {
            if (*loaded)
                view_.reloaded();
        },
        cancelOf(progress));
}

void DisketteCommands::copy()
{
    CCopyDlg dialog(doc_, drives_.drives(), prompter_, view_.floppyCount(), view_.toolBar.copies(),
                    view_.owner->window());
    connect(&dialog, &CCopyDlg::helpRequested, this, &DisketteCommands::helpRequested);
    if (dialog.exec() != QDialog::Accepted)
        return;
    view_.selectDrive(doc_.SelectedDrive);
    view_.toolBar.setCopies(dialog.copies());
    copy(dialog.copies(), dialog.forceFormat());
}

void DisketteCommands::copyNow()
{
    copy(view_.toolBar.copies(), doc_.options.ForceFormat);
}

void DisketteCommands::copy(int copies, bool formatFirst)
{
    const auto progress = CProgressDlg::shared(prompter_);
    runner_.start(
        [this, progress, copies, formatFirst, drive = doc_.SelectedDrive] {
            if (formatFirst)
                formatBeforeCopy(*progress);
            const EngineContext context = engineContext(*progress);
            CopyFormatter dmf(context);
            ShellFormatter formatter(doc_, view_.shell, dmf);
            CopyEngine(context, formatter).RunCopy(drive, copies);
        },
        [this, copies] { doc_.options.NumberCopies = copies; }, cancelOf(progress));
}

void DisketteCommands::formatBeforeCopy(Progress& progress)
{
    // The shell's format has no DMF layout, and the copy refuses a diskette of
    // another size. A format the user cancels leaves the diskette to the
    // copy's own media check.
    if (doc_.geometry.DmfLargeClusters)
        formatDmf(progress);
    else
        shellDriveNow(ShellDriveMenu::kFormat, {});
}

void DisketteCommands::compare()
{
    CCompareDlg dialog(drives_.drives(), prompter_, view_.floppyCount(), doc_.SelectedDrive, view_.owner->window());
    connect(&dialog, &CCompareDlg::helpRequested, this, &DisketteCommands::helpRequested);
    connect(&dialog, &CCompareDlg::targetChosen, this, [this](int drive) {
        view_.selectDrive(drive);
        compareNow();
    });
    dialog.exec();
}

void DisketteCommands::compareNow()
{
    const auto progress = CProgressDlg::shared(prompter_);
    const auto mismatch = std::make_shared<CMismatchDlg>(prompter_);
    connect(mismatch.get(), &CMismatchDlg::printRequested, this, [this] { view_.print(); });
    connect(mismatch.get(), &CMismatchDlg::helpRequested, this, &DisketteCommands::helpRequested);
    runner_.start(
        [this, progress, mismatch, drive = doc_.SelectedDrive] {
            CompareEngine(engineContext(*progress), *mismatch).RunCompare(drive);
        },
        {}, cancelOf(progress));
}

void DisketteCommands::formatDmf()
{
    const auto progress = CProgressDlg::shared(prompter_);
    runner_.start([this, progress] { formatDmf(*progress); }, {}, cancelOf(progress));
}

void DisketteCommands::formatDmf(Progress& progress)
{
    DmfFormat format(engineContext(progress));
    std::optional<DmfFormatOptions> options;
    GuiThread::call([&] {
        CDmfFormatDlg dialog(format, doc_.SelectedDrive, view_.owner->window());
        connect(&dialog, &CDmfFormatDlg::helpRequested, this, &DisketteCommands::helpRequested);
        if (dialog.exec() == QDialog::Accepted)
            options = dialog.options();
    });
    if (options && (options->fullFormat || format.confirmQuickFormat(*options)))
        format.FormatDmf(*options);
}

void DisketteCommands::imageLabel()
{
    // Memory alone changes here; a diskette label goes on through the shell.
    VolumeLabel label(doc_, prompter_, view_.panel, view_.sink);
    CVolumeLabelDlg dialog(doc_, label, view_.owner->window());
    connect(&dialog, &CVolumeLabelDlg::helpRequested, this, &DisketteCommands::helpRequested);
    dialog.exec();
}

void DisketteCommands::refresh()
{
    const auto progress = CProgressDlg::shared(prompter_);
    auto refreshed = std::make_shared<bool>(false);
    runner_.start(
        [this, progress, refreshed] {
            // Edits, even saved ones, would outlive a re-read of the system area
            // alone: memory that was changed takes the diskette whole.
            const bool edited = doc_.imageChanged;
            if (!view_.mayReplaceImage())
                return;
            LoadEngine engine(engineContext(*progress));
            if (edited)
                engine.run(doc_.SelectedDrive, doc_.options.LoadEntireDiskette);
            else if (!engine.Refresh(doc_.options.LoadEntireDiskette))
                return;
            *refreshed = true;
        },
        [this, refreshed] {
            if (*refreshed)
                view_.reloaded();
        },
        cancelOf(progress));
}

void DisketteCommands::rescue()
{
    CRescueDlg dialog(doc_, drives_.drives(), prompter_, view_.floppyCount(), view_.owner->window());
    connect(&dialog, &CRescueDlg::helpRequested, this, &DisketteCommands::helpRequested);
    if (dialog.exec() != QDialog::Accepted)
        return;
    view_.selectDrive(doc_.SelectedDrive);
    rescue(dialog.passes(), dialog.mapFile(), dialog.earlierMap());
}

void DisketteCommands::rescue(int passes, const QString& mapFile, const std::optional<RescueMap>& earlier)
{
    // No operation runs now, so the last rescue's grid is no longer drawn to.
    delete grid_;
    QWidget* window = view_.owner->window();
    grid_ = new CRescueGrid(window);
    grid_->move(window->frameGeometry().topRight());
    grid_->show();
    // The main window, not the grid beside it, waits behind the progress window.
    const auto progress = CProgressDlg::shared(prompter_, window);
    const auto outcome = std::make_shared<RescueOutcome>();
    runner_.start(
        [this, progress, outcome, passes, grid = grid_.data(), file = std::filesystem::path(mapFile.toStdString()),
         drive = doc_.SelectedDrive, map = earlier.value_or(RescueMap{})]() mutable {
            if (!view_.mayReplaceImage())
                return;
            RescueEngine engine(engineContext(*progress), *grid);
            engine.run(drive, passes, map);
            outcome->started = engine.started();
            if (!outcome->started)
                return;
            outcome->unreadable = map.unreadable();
            try {
                map.write(file, "vellum rescue " + std::string(1, static_cast<char>('A' + drive)) + ": --passes " +
                                    std::to_string(passes));
            } catch (const Error& e) {
                prompter_.tell(e.what(), Icon::Exclamation);
            }
        },
        [this, outcome] {
            if (outcome->started)
                view_.rescued(std::move(outcome->unreadable));
        },
        cancelOf(progress));
}

void DisketteCommands::shellDrive(int mode, QPoint point)
{
    runner_.start([this, mode, point] { shellDriveNow(mode, point); });
}

int DisketteCommands::shellDriveNow(int mode, QPoint point)
{
    const QString root = QStringLiteral("%1:\\").arg(QChar(u'a' + doc_.SelectedDrive));
    return view_.shell(root, point, mode);
}

} // namespace vellum
