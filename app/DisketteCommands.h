#pragma once
// The diskette commands of the main view over the ops engines: Load, Copy,
// Compare, Rescue, Format DMF, the image's label, Refresh and the shell's
// drive commands. The dialogs run here; the engines run as operations on the
// runner's worker, one at a time, their progress, questions and the
// mismatch dialog shown on the GUI thread.
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QPoint>
#include <functional>
#include <memory>
#include <optional>

#include "ops/RescueMap.h"
#include "ops/ui/CRescueGrid.h"

namespace vellum {

class CVLMDoc;
class DriveBay;
class OperationRunner;
class Progress;
class Prompter;
class SectorDriver;
class ShellDriveMenu;
class StatusPanel;
class ViewSink;
class ViewToolBar;
struct EngineContext;

class DisketteCommands : public QObject {
    Q_OBJECT
public:
    // What the commands need of the view they serve.
    struct View {
        // Its window owns the dialogs.
        QWidget* owner;
        ViewSink& sink;
        StatusPanel& panel;
        ViewToolBar& toolBar;
        ShellDriveMenu& shell;
        std::function<int()> floppyCount;
        std::function<void(int drive)> selectDrive;
        // Whether the image in memory may be replaced; asked on the worker.
        std::function<bool()> mayReplaceImage;
        // The image in memory was read anew from the diskette.
        std::function<void()> reloaded;
        // The mismatch dialog's Print, while the compare waits.
        std::function<void()> print;
        // A rescue read the image anew, all but these sectors.
        std::function<void(std::vector<std::uint32_t> unreadable)> rescued;
    };

    DisketteCommands(CVLMDoc& doc, OperationRunner& runner, DriveBay& drives, View view);
    ~DisketteCommands() override;

    void load();
    void loadNow();
    void copy();
    void copyNow();
    void compare();
    void compareNow();
    void formatDmf();
    void imageLabel();
    void refresh();
    // The Rescue dialog, then the rescue with its grid of sectors.
    void rescue();
    // The grid of the last rescue, while its window exists.
    CRescueGrid* rescueGrid() const { return grid_; }
    // The shell drive menu on the selected drive's root; the point places the menu.
    void shellDrive(int mode, QPoint point);

signals:
    void helpRequested(int topic);

private:
    EngineContext engineContext(Progress& progress);
    void loadDrive(bool loadEntireDiskette);
    // The copy, formatting the diskette first when asked.
    void copy(int copies, bool formatFirst);
    // On the worker: these show their dialogs on the GUI thread.
    void formatBeforeCopy(Progress& progress);
    void formatDmf(Progress& progress);
    int shellDriveNow(int mode, QPoint point);
    void rescue(int passes, const QString& mapFile, const std::optional<RescueMap>& earlier);

    CVLMDoc& doc_;
    OperationRunner& runner_;
    Prompter& prompter_;
    DriveBay& drives_;
    View view_;
    std::unique_ptr<SectorDriver> driver_;
    QPointer<CRescueGrid> grid_;
};

} // namespace vellum
