#include "app/FileCommands.h"

#include <QObject>
#include <memory>

#include "app/FileListModel.h"
#include "app/FileListView.h"
#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/Prompter.h"
#include "core/ui/OperationRunner.h"
#include "files/FileAdder.h"
#include "files/FileOps.h"
#include "files/FileSaver.h"
#include "ops/ui/CProgressDlg.h"

namespace vellum {

namespace {

constexpr int kNameColumn = 0;
const std::string kParentEntry = "..      ";

// A bulk save larger than this shows the progress window, with Cancel.
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

FileCommands::FileCommands(CVLMDoc& doc, OperationRunner& runner, FileListModel& model, FileListView& list,
                           QWidget* parent, std::function<void(int, const QString&)> changed,
                           std::function<void(const QString&)> report)
    : doc_(doc), runner_(runner), prompter_(runner.prompter()), model_(model), list_(list), parent_(parent),
      changed_(std::move(changed)), report_(std::move(report)), paths_(std::make_unique<HostPathDialogs>())
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
    const auto target = hostPath(*folder) / FileSaver::hostName(record->longName);
    auto tally = std::make_shared<FileSaver::Tally>();
    runner_.start(
        [this, slot = record->slot, target, tally] {
            FileSaver saver(doc_, prompter_);
            saver.saveFile(slot, target);
            *tally = saver.tally();
        },
        [this, row, tally, where = *folder] {
            reportSaved(*tally, QObject::tr("saved to"), where);
            list_.selectRow(row);
        });
}

void FileCommands::saveDirectory()
{
    const auto folder = paths_->folder(parent_, {});
    if (!folder)
        return;
    bulkSave([](FileSaver& saver) { return saver.directoryExtent(); },
             [target = hostPath(*folder)](FileSaver& saver) { saver.saveDirectory(target); }, *folder,
             list_.selectedRow());
}

void FileCommands::saveAll()
{
    const auto folder = paths_->folder(parent_, {});
    if (!folder)
        return;
    bulkSave([](FileSaver& saver) { return saver.treeExtent(0); },
             [this, target = hostPath(*folder)](FileSaver& saver) {
                 saver.saveTree(0, target, doc_.options.KeepDirStructure);
             },
             *folder, -1);
}

void FileCommands::reportSaved(const FileSaver::Tally& tally, const QString& verb, const QString& where)
{
    const QString files = tally.saved == 1 ? QObject::tr("1 file") : QObject::tr("%1 files").arg(tally.saved);
    QString text = QStringLiteral("%1 %2 %3").arg(files, verb, where);
    if (const int missed = tally.skipped + tally.failed; missed > 0)
        text += QObject::tr("; %1 not saved").arg(missed);
    report_(text);
}

void FileCommands::bulkSave(std::function<FileSaver::Extent(FileSaver&)> extent, std::function<void(FileSaver&)> save,
                            const QString& where, int row)
{
    auto progress = CProgressDlg::shared(prompter_, parent_);
    auto tally = std::make_shared<FileSaver::Tally>();
    const auto work = [this, progress, tally, extent = std::move(extent), save = std::move(save)] {
        FileSaver saver(doc_, prompter_);
        const FileSaver::Extent whole = extent(saver);
        if (!needsProgress(whole)) {
            save(saver);
            *tally = saver.tally();
            return;
        }
        progress->Create(doc_);
        progress->SetOperationCaption(kProgressSavingFiles);
        progress->SetBarRange(0, whole.files);
        int started = 0;
        // The bar counts files written; a cancel is taken between two files.
        saver.setNextFile([&](const std::string& name) {
            if (started > 0)
                progress->StepMain();
            if (progress->CheckCancel())
                return false;
            ++started;
            progress->ShowStatus("Saving " + name + "  (" + std::to_string(started) + " of " +
                                 std::to_string(whole.files) + ")");
            return true;
        });
        save(saver);
        *tally = saver.tally();
        progress->Destroy();
    };
    runner_.start(
        work,
        [this, row, tally, where] {
            reportSaved(*tally, QObject::tr("saved to"), where);
            if (row >= 0)
                list_.selectRow(row);
        },
        [progress] { progress->cancelConfirmed(); });
}

void FileCommands::changeImage(std::function<bool()> change, int row, const QString& select,
                               std::function<void()> refused)
{
    auto changed = std::make_shared<bool>(false);
    runner_.start([changed, change = std::move(change)] { *changed = change(); },
                  [this, changed, row, select, refused = std::move(refused)] {
                      if (*changed)
                          changed_(row, select);
                      else if (refused)
                          refused();
                  });
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
    const auto path = hostPath(*target);
    auto tally = std::make_shared<FileSaver::Tally>();
    if (action == HostPaths::FileAction::Copy) {
        runner_.start(
            [this, slot, path, tally] {
                FileSaver saver(doc_, prompter_);
                saver.saveFile(slot, path);
                *tally = saver.tally();
            },
            [this, tally, where = *target] { reportSaved(*tally, QObject::tr("saved as"), where); });
        return;
    }
    auto moved = std::make_shared<bool>(false);
    runner_.start(
        [this, slot, path, tally, moved] {
            FileSaver saver(doc_, prompter_);
            *moved = FileOps(doc_, prompter_).move(slot, path, saver);
            *tally = saver.tally();
        },
        [this, row, tally, moved, where = *target] {
            if (!*moved)
                return;
            changed_(row, {});
            reportSaved(*tally, QObject::tr("moved to"), where);
        });
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
    changeImage([this, slot = record.slot] { return FileOps(doc_, prompter_).remove(slot); }, row);
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
    changeImage(
        [this, sources] {
            FileAdder adder(doc_, prompter_);
            return adder.add(sources) && adder.added() > 0;
        },
        std::max(list_.selectedRow(), 0));
}

void FileCommands::rename(int row, const QString& oldName, const QString& newName)
{
    const ListingRecord* record = model_.record(row);
    if (!record) {
        model_.setName(row, oldName);
        return;
    }
    changeImage([this, slot = record->slot,
                 name = newName.toStdString()] { return FileOps(doc_, prompter_).rename(slot, name); },
                row, newName, [this, row, oldName] { model_.setName(row, oldName); });
}

} // namespace vellum
