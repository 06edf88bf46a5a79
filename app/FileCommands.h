#pragma once
// The file commands of the main view over the files engines: save the
// selected file, the folder shown or every file to the host, copy or move a
// file out, delete it, rename it in the image, and add host files to it. The
// dialogs run here; the engines run as operations on the runner's worker. A
// command that changes the image hands the row to select next to `changed`,
// once the operation has ended.
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "files/FileSaver.h"
#include "files/ui/HostPaths.h"

class QWidget;

namespace vellum {

class CVLMDoc;
class FileListModel;
class FileListView;
class OperationRunner;
class Prompter;

class FileCommands {
public:
    FileCommands(CVLMDoc& doc, OperationRunner& runner, FileListModel& model, FileListView& list, QWidget* parent,
                 std::function<void(int row)> changed);
    ~FileCommands();

    // The dialogs that choose host paths; tests give scripted ones.
    void setHostPaths(std::unique_ptr<HostPaths> paths) { paths_ = std::move(paths); }

    // Saves the file of the row into a folder the user picks.
    void saveFile(int row);
    void saveDirectory();
    void saveAll();
    void copyOrMove(HostPaths::FileAction action);
    void deleteFile();
    // The row already shows the new name; it shows the old one again when
    // the image refuses the name.
    void rename(int row, const QString& oldName, const QString& newName);
    // Adds host files and folders to the folder shown: those chosen in a
    // dialog, or those given (dropped on the list).
    void addFiles();
    void addFiles(const QStringList& paths);

private:
    // The file's row, or -1 for the placeholder or a folder's own entries.
    int selectedEntry() const;
    QString name(int row) const;
    // Runs `save` on the worker, for a large extent under the progress
    // window, whose Cancel stops the saver between two files; then selects `row`.
    void bulkSave(std::function<FileSaver::Extent(FileSaver&)> extent, std::function<void(FileSaver&)> save, int row);
    // Runs `change` on the worker; when it changed the image, reports `row`.
    void changeImage(std::function<bool()> change, int row, std::function<void()> refused = {});

    CVLMDoc& doc_;
    OperationRunner& runner_;
    Prompter& prompter_;
    FileListModel& model_;
    FileListView& list_;
    QWidget* parent_;
    std::function<void(int)> changed_;
    std::unique_ptr<HostPaths> paths_;
};

} // namespace vellum
