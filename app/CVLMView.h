#pragma once
// The main view: the toolbar with the drive pair and the copies box, the
// status panel's two strips around the file list, and nearly every command
// of the program. The diskette, image and file commands run as operations on
// the runner's worker thread, one at a time; while one runs the commands are
// disabled and messages and open requests wait for its end. Engines report
// back through the status panel and through the messages they post, which
// the view handles once the operation has ended.
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "appmodel/FolderTrail.h"
#include "core/ViewSink.h"

class QLabel;

namespace vellum {

class CVLMDoc;
class DisketteCommands;
class DriveBay;
class FileCommands;
class HostPaths;
class FileListModel;
class FileListView;
class OperationRunner;
class Prompter;
class Shell;
class ShellDriveMenu;
class StatusPanel;
class StatusStrip;
class ViewStatusPanel;
class ViewToolBar;

class CVLMView : public QWidget, public ViewSink {
    Q_OBJECT
public:
    CVLMView(CVLMDoc& doc, Prompter& prompter, DriveBay& drives, Shell& shell, QWidget* parent = nullptr);
    ~CVLMView() override;

    // Queued: handled after the caller has returned and any operation has ended.
    void post(ViewMessage message) override;

    OperationRunner& runner() { return *runner_; }
    // The menu item or button of a command the view handles.
    QAction* command(int id) const;
    StatusPanel& statusPanel();
    ViewToolBar& toolBar() { return *toolBar_; }
    FileListView& fileList() { return *list_; }
    FileListModel& fileListModel() { return *model_; }
    int floppyCount() const { return floppyCount_; }
    // Whether the list shows an image (which enables Copy, Compare and Save).
    bool imageShown() const { return imageShown_; }

    // An image file to open at the initial update.
    void setPendingPath(const QString& path) { pendingPath_ = path; }
    // The document is attached: opens the pending image file.
    void OnInitialUpdate();
    // Opens the file, as a second start of the program or a drop asks, once
    // no operation runs.
    void openImageFile(const QString& path);
    // Runs `then` once the image in memory may be replaced: unchanged, or
    // the user saved it or let it go when asked.
    void whenReplaceable(std::function<void()> then);
    // The dialogs that choose where the file commands write.
    void setHostPaths(std::unique_ptr<HostPaths> paths);

signals:
    void exitRequested();
    void helpRequested(int topic);
    void message(const QString& text);
    // What memory holds: the image file's name, the drive it was loaded
    // from, or nothing while memory is empty.
    void imageNamed(const QString& name);

public slots:
    void run(int command);
    void updateCommands();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void handle(ViewMessage message);
    QAction* makeCommand(int id, const QString& text, const QString& tip);
    void createCommands();
    void detectDrives();
    void selectDrive(int drive);

    // Whether the image in memory may be replaced, asking as whenReplaceable
    // does; on the worker.
    bool mayReplaceImage();
    // Saves the image as an image file; false when it was not saved. On the worker.
    bool saveImageFile();
    void setBusy(bool busy);
    void print(int command);
    bool commandEnabled(int command) const;
    void OnNewImage();
    void OnOpenImageFile();
    // For a zip file of several images, asks which and names it "ZIP:NAME";
    // false when the user cancels.
    bool chooseZipMember(QString& path);
    void OnSaveImageFile();
    void OnSaveSelected();
    void OnRenameFile();
    // The image changed under the list: list it again and select the entry
    // named, else the row at the same place, or the last one.
    void imageChanged(int row, const QString& name);
    void Initialize();
    void FillList();
    // The folder line over the list and the name of the image.
    void showWhereYouAre();
    // Memory was read anew from the selected drive's diskette.
    void reloaded();
    // Memory holds another image: the list starts at its root, with no damage marked.
    void anotherImage();
    // As reloaded, after a rescue that left these sectors unread.
    void rescued(std::vector<std::uint32_t> unreadable);
    void RefreshFromDiskette();
    void finishRename();
    // Context help: the next click names a topic, Esc gives up.
    void enterHelpMode();
    void leaveHelpMode(std::optional<int> topic);

    void onDoubleClick(int row);
    // Lists the folder above the one shown.
    void leaveFolder();
    void onContextMenu(QPoint point);
    void disketteMenu(QPoint point);
    void fileMenu(int row, QPoint point);
    bool waitForDiskette();
    QString nameOnDiskette(int row) const;
    QString diskettePath(const QString& name) const;
    void showOutcome(const std::string& warning);

    CVLMDoc& doc_;
    OperationRunner* runner_;
    // Asks on the GUI thread from the worker too.
    Prompter& prompter_;
    DriveBay& drives_;
    ViewToolBar* toolBar_;
    StatusStrip* upper_;
    FileListModel* model_;
    FileListView* list_;
    StatusStrip* lower_;
    std::unique_ptr<ViewStatusPanel> panel_;
    std::unique_ptr<ShellDriveMenu> shellMenu_;
    std::unique_ptr<FileCommands> files_;
    std::unique_ptr<DisketteCommands> disk_;
    QLabel* folderLine_;
    std::map<int, QAction*> commands_;

    int floppyCount_ = 1;
    bool imageShown_ = false;
    bool helpMode_ = false;
    std::optional<QString> pendingPath_;
    QString description_;
    QString imageName_;
    FolderTrail folders_;
    // What the last rescue could not read; the list marks what holds them.
    std::vector<std::uint32_t> unreadable_;
    // The label edit under way renames in the image, not on the diskette.
    bool renameInImage_ = false;
    struct Rename {
        int row = -1;
        QString from;
        QString to;
    } rename_;
};

} // namespace vellum
