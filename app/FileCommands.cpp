#include "app/FileCommands.h"

#include <QApplication>
#include <QObject>

#include "app/FileListModel.h"
#include "app/FileListView.h"
#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/Prompter.h"
#include "files/FileAdder.h"
#include "files/FileOps.h"
#include "files/FileSaver.h"
#include "ops/ui/CProgressDlg.h"

namespace vellum {

namespace {

constexpr int kNameColumn = 0;
const std::string kParentEntry = "..      ";

// The wait cursor for as long as a bulk save runs.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// A bulk save larger than this shows the progress window, with Cancel,
// instead of the wait cursor.
constexpr int kMostQuietFiles = 20;
constexpr std::uint64_t kMostQuietBytes = 512 * 1024;

bool needsProgress(const FileSaver::Extent& extent)
{
    return extent.files > kMostQuietFiles || extent.bytes > kMostQuietBytes;
}

std::filesystem::path hostPath(const QString& path)
{
    return std::filesystem::path(path.toStdString());
}

} // namespace

FileCommands::FileCommands(CVLMDoc& doc, Prompter& prompter, FileListModel& model, FileListView& list,
                           QWidget* parent, std::function<void(int, const QString&)> changed,
                           std::function<void(const QString&)> report)
    : doc_(doc), prompter_(prompter), model_(model), list_(list), parent_(parent), changed_(std::move(changed)),
      report_(std::move(report)),
      paths_(std::make_unique<HostPathDialogs>())
{
}

FileCommands::~FileCommands() = default;

int FileCommands::selectedEntry() const
{
    const int row = list_.selectedRow();
    const ListingRecord* record = row >= 0 ? model_.record(row) : nullptr;
    return record && record->shortName != kParentEntry ? row : -1;
}

QString FileCommands::name(int row) const
{
    return model_.text(row, kNameColumn);
}

void FileCommands::saveFile(int row)
{
    const ListingRecord* record = model_.record(row);
    if (!record)
        return;
    const auto folder = paths_->folder(parent_, name(row));
    if (!folder)
        return;
    FileSaver saver(doc_, prompter_);
    saver.saveFile(record->slot, hostPath(*folder) / FileSaver::hostName(record->longName));
    reportSaved(saver.tally(), QObject::tr("saved to"), *folder);
    list_.selectRow(row);
}

void FileCommands::saveDirectory()
{
    const int row = list_.selectedRow();
    const auto folder = paths_->folder(parent_, {});
    if (!folder)
        return;
    FileSaver saver(doc_, prompter_);
    bulkSave(saver, saver.directoryExtent(), [&] { saver.saveDirectory(hostPath(*folder)); });
    reportSaved(saver.tally(), QObject::tr("saved to"), *folder);
    list_.selectRow(row);
}

void FileCommands::saveAll()
{
    const auto folder = paths_->folder(parent_, {});
    if (!folder)
        return;
    FileSaver saver(doc_, prompter_);
    bulkSave(saver, saver.treeExtent(0), [&] { saver.saveTree(0, hostPath(*folder), doc_.options.KeepDirStructure); });
    reportSaved(saver.tally(), QObject::tr("saved to"), *folder);
}

void FileCommands::reportSaved(const FileSaver::Tally& tally, const QString& verb, const QString& where)
{
    const QString files = tally.saved == 1 ? QObject::tr("1 file") : QObject::tr("%1 files").arg(tally.saved);
    QString text = QStringLiteral("%1 %2 %3").arg(files, verb, where);
    if (const int missed = tally.skipped + tally.failed; missed > 0)
        text += QObject::tr("; %1 not saved").arg(missed);
    report_(text);
}

void FileCommands::bulkSave(FileSaver& saver, const FileSaver::Extent& extent, const std::function<void()>& save)
{
    if (!needsProgress(extent)) {
        WaitCursor wait;
        save();
        return;
    }
    CProgressDlg progress(prompter_, parent_);
    progress.Create(doc_);
    progress.SetOperationCaption(kProgressSavingFiles);
    progress.SetBarRange(0, extent.files);
    int started = 0;
    // The bar counts files written; a cancel is taken between two files.
    saver.setNextFile([&](const std::string& name) {
        if (started > 0)
            progress.StepMain();
        if (progress.CheckCancel())
            return false;
        ++started;
        progress.ShowStatus("Saving " + name + "  (" + std::to_string(started) + " of " +
                            std::to_string(extent.files) + ")");
        return true;
    });
    save();
    progress.Destroy();
}

void FileCommands::copyOrMove(HostPaths::FileAction action)
{
    const int row = selectedEntry();
    if (row < 0)
        return;
    const auto target = paths_->file(parent_, action, name(row));
    if (!target)
        return;
    const std::size_t slot = model_.record(row)->slot;
    FileSaver saver(doc_, prompter_);
    if (action == HostPaths::FileAction::Copy) {
        saver.saveFile(slot, hostPath(*target));
        reportSaved(saver.tally(), QObject::tr("saved as"), *target);
    } else if (FileOps(doc_, prompter_).move(slot, hostPath(*target), saver)) {
        changed_(row, {});
        reportSaved(saver.tally(), QObject::tr("moved to"), *target);
    }
}

void FileCommands::deleteFile()
{
    const int row = selectedEntry();
    if (row < 0)
        return;
    const ListingRecord& record = *model_.record(row);
    // A file goes without a question; a folder takes everything in it along.
    if ((record.attributes & dirent::kDirectory) &&
        prompter_.ask("Delete the folder " + name(row).trimmed().toStdString() + " and everything in it?",
                      Buttons::YesNo, Icon::Question) != Answer::Yes)
        return;
    if (FileOps(doc_, prompter_).remove(record.slot))
        changed_(row, {});
}

void FileCommands::addFiles()
{
    const QStringList chosen = paths_->filesToAdd(parent_);
    if (!chosen.isEmpty())
        addFiles(chosen);
}

void FileCommands::addFiles(const QStringList& paths)
{
    std::vector<std::filesystem::path> sources;
    for (const QString& path : paths)
        sources.push_back(hostPath(path));
    FileAdder adder(doc_, prompter_);
    if (adder.add(sources) && adder.added() > 0)
        changed_(std::max(list_.selectedRow(), 0), {});
}

void FileCommands::rename(int row, const QString& oldName, const QString& newName)
{
    const ListingRecord* record = model_.record(row);
    if (record && FileOps(doc_, prompter_).rename(record->slot, newName.toStdString()))
        changed_(row, newName);
    else
        model_.setName(row, oldName);
}

} // namespace vellum
