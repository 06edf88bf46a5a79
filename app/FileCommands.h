#pragma once
// The file commands of the main view over the files engines: save the
// selected file, the folder shown or every file to the host, copy or move a
// file out, delete it, rename it in the image, and add host files to it. The
// dialogs run here; the engines run as operations on the runner's worker. A
// command that changes the image hands the row to select next, or the name of
// the entry to select wherever it sorts to, to `changed`, once the operation
// has ended. A save ends by telling `report` what was written where.
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
                 std::function<void(int row, const QString& name)> changed,
                 std::function<void(const QString& text)> report);
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
    // window, whose Cancel stops the saver between two files; then reports
    // what went to `where` and selects `row`.
    void bulkSave(std::function<FileSaver::Extent(FileSaver&)> extent, std::function<void(FileSaver&)> save,
                  const QString& where, int row);
    // Runs `change` on the worker; when it changed the image, hands `row`
    // and `select` to `changed`, otherwise calls `refused`.
    void changeImage(std::function<bool()> change, int row, const QString& select = {},
                     std::function<void()> refused = {});
    // "3 files saved to FOLDER", with the files that were not.
    void reportSaved(const FileSaver::Tally& tally, const QString& verb, const QString& where);

    CVLMDoc& doc_;
    OperationRunner& runner_;
    Prompter& prompter_;
    FileListModel& model_;
    FileListView& list_;
    QWidget* parent_;
    std::function<void(int, const QString&)> changed_;
    std::function<void(const QString&)> report_;
    std::unique_ptr<HostPaths> paths_;
};

} // namespace vellum
