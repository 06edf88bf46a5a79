#include "app/CVLMView.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "app/DisketteCommands.h"
#include "app/FileCommands.h"
#include "app/FileListModel.h"
#include "app/FileListView.h"
#include "app/ShellDriveMenu.h"
#include "app/StatusStrip.h"
#include "appmodel/ViewCommands.h"
#include "app/ViewStatusPanel.h"
#include "app/ViewToolBar.h"
#include "app/VlmFileDialog.h"
#include "core/CVLMDoc.h"
#include "core/CompressedImage.h"
#include "core/DirectoryEntry.h"
#include "core/Error.h"
#include "core/ForeignImage.h"
#include "core/ImageFile.h"
#include "core/MediaTable.h"
#include "core/Prompter.h"
#include "core/ui/GuiThread.h"
#include "core/ui/OperationRunner.h"
#include "drive/CDriveServices.h"
#include "drive/DriveBay.h"
#include "drive/DriveType.h"
#include "files/DamageReport.h"
#include "files/FileListText.h"
#include "ops/BlankImage.h"
#include "core/UnreadableSector.h"
#include "ops/ui/MismatchPrinter.h"
#include "ops/ui/NewImageDialog.h"

namespace vellum {

namespace {

constexpr int kAttributesColumn = 3;
const QString kDirText = QStringLiteral("<dir>");
const std::string kParentEntry = "..      ";
const std::string kSelfEntry = ".       ";
const std::string kInsertDiskette =
    "Please ensure the diskette containing the disk image most recently \nloaded into memory is present in the "
    "drive.  Press Retry to continue \nor Cancel to cancel the Context Menu operation.";
const std::string kImageChangedQuestion =
    "The image in memory holds changes that are not saved.\n\nDo you want to save it as an image file first?";
const std::string kNoPrinter = "No printer is set up. Print... can save the report as a PDF file instead.";
constexpr int kFolderLineMargin = 4;

QString driveName(int drive)
{
    return QStringLiteral("%1:").arg(QChar(u'A' + drive));
}

// Both drive letters of the drive mask: A: and B:.
constexpr std::uint32_t kDriveMask = 0b11;

// A short name without a long one is padded to eight characters; the file's name is not.
QString withoutPadding(QString name)
{
    while (name.endsWith(u' '))
        name.chop(1);
    return name;
}

// A tooltip for each file or folder that holds unreadable sectors, naming
// them; a sector written over since holds what was written, not damage.
QHash<QString, QString> damageTips(CVLMDoc& doc, const std::vector<std::uint32_t>& unreadable)
{
    QHash<QString, QString> tips;
    if (unreadable.empty() || doc.ImageEmpty)
        return tips;
    std::vector<std::uint32_t> bad;
    for (const std::uint32_t sector : unreadable)
        if (UnreadableSector::holds(doc.image().subspan(std::size_t{sector} * kSectorBytes, kSectorBytes)))
            bad.push_back(sector);
    const DamageReport report(doc, bad);
    for (const DamageReport::Hit& hit : report.hits())
        for (const std::string& place : hit.places) {
            if (!place.starts_with('/'))
                continue;
            QString& tip = tips[QString::fromStdString(place)];
            tip += (tip.isEmpty() ? QObject::tr("Unreadable: ") : QStringLiteral("; ")) +
                   QString::fromStdString(DamageReport::placeOnDiskette(hit.sector, doc.geometry.sectorsPerTrack));
        }
    return tips;
}

} // namespace

CVLMView::CVLMView(CVLMDoc& doc, Prompter& prompter, DriveBay& drives, Shell& shell, QWidget* parent)
    : QWidget(parent), doc_(doc), runner_(new OperationRunner(prompter, this)), prompter_(runner_->prompter()),
      drives_(drives), toolBar_(new ViewToolBar(this)),
      upper_(new StatusStrip(StatusStrip::Style::Flat, this)), model_(new FileListModel(this)),
      list_(new FileListView(*model_, this)), lower_(new StatusStrip(StatusStrip::Style::Sunken, this)),
      panel_(std::make_unique<ViewStatusPanel>(*upper_, *lower_)),
      shellMenu_(std::make_unique<ShellDriveMenu>(this, shell, drives, prompter_)),
      files_(std::make_unique<FileCommands>(doc, *runner_, *model_, *list_, this,
                                            [this](int row, const QString& name) { imageChanged(row, name); },
                                            [this](const QString& text) { emit message(text); })),
      disk_(std::make_unique<DisketteCommands>(
          doc, *runner_, drives,
          DisketteCommands::View{this, *this, *panel_, *toolBar_, *shellMenu_, [this] { return floppyCount_; },
                                 [this](int drive) { selectDrive(drive); }, [this] { return mayReplaceImage(); },
                                 [this] { reloaded(); }, [this] { print(kCmdPrint); },
                                 [this](std::vector<std::uint32_t> unreadable) { rescued(std::move(unreadable)); }})),
      folderLine_(new QLabel(this)), folders_(doc, prompter_)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addWidget(upper_);
    folderLine_->setObjectName(QStringLiteral("FolderShown"));
    folderLine_->setAccessibleDescription(tr("Folder shown"));
    folderLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    folderLine_->setContentsMargins(kFolderLineMargin, 0, kFolderLineMargin, 0);
    layout->addWidget(folderLine_);
    layout->addWidget(list_, 1);
    layout->addWidget(lower_);

    createCommands();
    toolBar_->button(kCmdHelpContext)->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    connect(runner_, &OperationRunner::busyChanged, this, &CVLMView::setBusy);
    connect(disk_.get(), &DisketteCommands::helpRequested, this, &CVLMView::helpRequested);
    connect(toolBar_, &ViewToolBar::triggered, this, &CVLMView::run);
    connect(toolBar_, &ViewToolBar::driveMenuRequested, this, [this](int drive, QPoint point) {
        selectDrive(drive);
        disk_->shellDrive(ShellDriveMenu::kMenu, toolBar_->mapTo(this, point));
    });
    connect(list_, &FileListView::rowDoubleClicked, this, &CVLMView::onDoubleClick);
    connect(list_, &FileListView::upRequested, this, &CVLMView::leaveFolder);
    connect(list_, &FileListView::contextMenuAt, this, &CVLMView::onContextMenu);
    connect(list_, &FileListView::filesDropped, this, [this](const QStringList& paths) {
        if (commandEnabled(kCmdAddFiles))
            files_->addFiles(paths);
    });
    connect(model_, &FileListModel::renamed, this, [this](int row, const QString& from, const QString& to) {
        if (std::exchange(renameInImage_, false)) {
            // Not inside the editor's own commit: the rename relists the folder.
            QMetaObject::invokeMethod(this, [this, row, from, to] { files_->rename(row, from, to); },
                                      Qt::QueuedConnection);
            return;
        }
        rename_ = {row, from, to};
        post(ViewMessage::FinishRename);
    });
    toolBar_->setCopies(Options::clampCopies(doc_.options.NumberCopies));
    detectDrives();
    FillList();
}

CVLMView::~CVLMView() = default;

void CVLMView::setHostPaths(std::unique_ptr<HostPaths> paths)
{
    files_->setHostPaths(std::move(paths));
}

StatusPanel& CVLMView::statusPanel()
{
    return *panel_;
}

QAction* CVLMView::makeCommand(int id, const QString& text, const QString& tip)
{
    auto* action = new QAction(text, this);
    action->setStatusTip(tip);
    action->setData(id); // the context help of a menu item finds its topic by it
    connect(action, &QAction::triggered, this, [this, id] { run(id); });
    commands_[id] = action;
    return action;
}

void CVLMView::createCommands()
{
    makeCommand(kCmdNewImage, tr("&New Image..."), tr("Makes a newly formatted, empty diskette image in memory"))
        ->setShortcut(QKeySequence::New);
    makeCommand(kCmdOpenImage, tr("&Open Image File..."), tr("Opens an existing VLM file"))
        ->setShortcut(QKeySequence::Open);
    makeCommand(kCmdSaveImage, tr("&Save Image File..."), tr("Saves the disk image in memory as a file"))
        ->setShortcut(QKeySequence::Save);
    makeCommand(kCmdSaveSelected, tr("S&ave Selected File"), tr("Saves the selected file to the hard disk"));
    makeCommand(kCmdSaveDirectory, tr("Save &Current Directory"), tr("Saves the files of the folder shown to the hard disk"));
    makeCommand(kCmdSaveAll, tr("Sa&ve All Files"), tr("Saves every file of the image to the hard disk"));
    makeCommand(kCmdAddFiles, tr("A&dd Files..."), tr("Adds files from the hard disk to the folder shown"));
    makeCommand(kCmdPrint, tr("&Print..."), tr("Prints the compare mismatch report"))->setShortcut(QKeySequence::Print);
    makeCommand(kCmdPrintDirect, tr("Print No&w"), tr("Prints the compare mismatch report on the default printer"));
    makeCommand(kCmdPrintPreview, tr("Print P&review"), tr("Shows the compare mismatch report as it will be printed"));
    makeCommand(kCmdLoad, tr("&Load"), tr("Loads a diskette into memory"));
    makeCommand(kCmdCopy, tr("&Copy"), tr("Copies the diskette image in memory to diskettes"));
    makeCommand(kCmdCompare, tr("C&ompare"), tr("Compares a diskette with the image in memory"));
    makeCommand(kCmdRescue, tr("&Rescue..."), tr("Reads a damaged diskette in passes, as far as it reads"));
    makeCommand(kCmdFormat, tr("&Format"), tr("Formats the diskette in the selected drive"));
    makeCommand(kCmdFormatDmf, tr("Format &DMF"), tr("Formats a 1.68 MB DMF diskette"));
    makeCommand(kCmdImageLabel, tr("&Image Label"), tr("Changes the volume label of the image in memory"));
    makeCommand(kCmdDisketteLabel, tr("Diskette La&bel"), tr("Changes the label of the diskette in the selected drive"));
    makeCommand(kCmdInitialize, tr("&Initialize"), tr("Empties the file list and the status lines"));
    makeCommand(kCmdRefresh, tr("Re&fresh"), tr("Reads the directory again from the diskette"))
        ->setShortcut(QKeySequence::Refresh);
    makeCommand(kCmdCopyFile, tr("&Copy a file"), tr("Copies the selected file to the hard disk"));
    makeCommand(kCmdMoveFile, tr("&Move a file"), tr("Moves the selected file out of the image to the hard disk"));
    const std::pair<QAction*, QKeySequence> keyed[] = {
        {makeCommand(kCmdDeleteFile, tr("&Delete a file"), tr("Deletes the selected file from the image in memory")),
         QKeySequence::Delete},
        {makeCommand(kCmdRenameFile, tr("&Rename a file"), tr("Renames the selected file in the image in memory")),
         Qt::Key_F2},
    };
    // Their keys act on the selected row wherever the view has the focus.
    for (const auto& [action, key] : keyed) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    makeCommand(kCmdExplore, tr("&Explore Diskette"), tr("Lists the files of the diskette in the selected drive"));
}

QAction* CVLMView::command(int id) const
{
    const auto it = commands_.find(id);
    return it != commands_.end() ? it->second : toolBar_->button(id);
}

void CVLMView::detectDrives()
{
    CDriveServices services(drives_.drives(), prompter_);
    floppyCount_ = std::max(1, services.CountFloppyDrives(kDriveMask));
    int types[DriveBackend::kDrives] = {};
    for (int d = 0; d < floppyCount_ && d < DriveBackend::kDrives; ++d) {
        DeviceParameterBlock block;
        if (services.GetDeviceParameters(d + 1, block))
            types[d] = block.deviceType();
    }
    doc_.MediaSizeKind = is35InchDrive(types[0]) ? kMedia35Inch : kMedia525Inch;
    toolBar_->showDrives(types[0], types[1], floppyCount_);
    selectDrive(0);
}

void CVLMView::selectDrive(int drive)
{
    doc_.SelectedDrive = static_cast<std::uint8_t>(floppyCount_ > 1 ? drive : 0);
    toolBar_->pressDrive(doc_.SelectedDrive);
}

void CVLMView::updateCommands()
{
    for (const auto& [id, action] : commands_)
        action->setEnabled(commandEnabled(id));
    for (int id : {kCmdLoadNow, kCmdCopyNow, kCmdCompareNow, kCmdSaveImage})
        toolBar_->button(id)->setEnabled(commandEnabled(id));
    list_->acceptFileDrops(commandEnabled(kCmdAddFiles));
}

void CVLMView::setBusy(bool busy)
{
    // Nothing the user does reaches the document or the drives meanwhile.
    toolBar_->setEnabled(!busy);
    list_->setEnabled(!busy);
    updateCommands();
}

bool CVLMView::commandEnabled(int command) const
{
    if (runner_->busy())
        return false;
    if (ViewCommands::needsMismatch(command) && doc_.mismatchHeader.empty())
        return false;
    return ViewCommands::enabledByList(command, imageShown_);
}

void CVLMView::post(ViewMessage message)
{
    QMetaObject::invokeMethod(
        this, [this, message] { runner_->whenIdle([this, message] { handle(message); }); }, Qt::QueuedConnection);
}

void CVLMView::handle(ViewMessage message)
{
    switch (message) {
    case ViewMessage::FillList: FillList(); break;
    case ViewMessage::Initialize: Initialize(); break;
    case ViewMessage::OpenImageFile: OnOpenImageFile(); break;
    case ViewMessage::RefreshFromDiskette: RefreshFromDiskette(); break;
    case ViewMessage::DisketteLabel: disk_->shellDrive(ShellDriveMenu::kLabel, {}); break;
    case ViewMessage::FinishRename: finishRename(); break;
    }
}

void CVLMView::run(int command)
{
    if (!commandEnabled(command))
        return;
    switch (command) {
    case kCmdExitButton: emit exitRequested(); break;
    case kCmdSelectA: selectDrive(0); break;
    case kCmdSelectB: selectDrive(1); break;
    case kCmdFormat:
    case kCmdFormatNow: disk_->shellDrive(ShellDriveMenu::kFormat, {}); break;
    case kCmdDisketteLabel: disk_->shellDrive(ShellDriveMenu::kLabel, {}); break;
    case kCmdExplore: disk_->shellDrive(ShellDriveMenu::kExplore, {}); break;
    case kCmdLoad: disk_->load(); break;
    case kCmdLoadNow: disk_->loadNow(); break;
    case kCmdCopy: disk_->copy(); break;
    case kCmdCopyNow: disk_->copyNow(); break;
    case kCmdCompare: disk_->compare(); break;
    case kCmdCompareNow: disk_->compareNow(); break;
    case kCmdRescue: disk_->rescue(); break;
    case kCmdPrint:
    case kCmdPrintDirect:
    case kCmdPrintPreview: print(command); break;
    case kCmdFormatDmf: disk_->formatDmf(); break;
    case kCmdImageLabel: disk_->imageLabel(); break;
    case kCmdRefresh: disk_->refresh(); break;
    case kCmdInitialize: whenReplaceable([this] { Initialize(); }); break;
    case kCmdNewImage: OnNewImage(); break;
    case kCmdAddFiles: files_->addFiles(); break;
    case kCmdOpenImage: OnOpenImageFile(); break;
    case kCmdSaveImage: OnSaveImageFile(); break;
    case kCmdSaveSelected: OnSaveSelected(); break;
    case kCmdSaveDirectory: files_->saveDirectory(); break;
    case kCmdSaveAll: files_->saveAll(); break;
    case kCmdCopyFile: files_->copyOrMove(HostPaths::FileAction::Copy); break;
    case kCmdMoveFile: files_->copyOrMove(HostPaths::FileAction::Move); break;
    case kCmdDeleteFile: files_->deleteFile(); break;
    case kCmdRenameFile: OnRenameFile(); break;
    case kCmdHelpTask: emit helpRequested(0); break;
    case kCmdHelpContext: enterHelpMode(); break;
    default: break;
    }
}

void CVLMView::print(int command)
{
    QWidget* parent = QApplication::activeWindow() ? QApplication::activeWindow() : window();
    const MismatchPrinter printer(doc_);
    if (command == kCmdPrintPreview)
        printer.preview(parent);
    else if (command == kCmdPrint)
        printer.printWithDialog(parent);
    else if (!printer.printDirect())
        prompter_.tell(kNoPrinter, Icon::Exclamation);
}

void CVLMView::OnInitialUpdate()
{
    if (pendingPath_)
        OnOpenImageFile();
}

void CVLMView::openImageFile(const QString& path)
{
    runner_->whenIdle([this, path] {
        pendingPath_ = path;
        OnOpenImageFile();
    });
}

void CVLMView::OnOpenImageFile()
{
    QString path;
    if (pendingPath_) {
        path = *pendingPath_;
        pendingPath_.reset();
    } else {
        VlmFileDialog dialog(VlmFileDialog::Kind::Open, description_, this);
        connect(&dialog, &HelpFileDialog::helpRequested, this, &CVLMView::helpRequested);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        path = dialog.selectedFiles().first();
    }
    if (!chooseZipMember(path))
        return;
    enum class Outcome { Declined, Failed, Opened };
    auto outcome = std::make_shared<Outcome>(Outcome::Declined);
    auto description = std::make_shared<QString>();
    runner_->start(
        [this, outcome, path, description] {
            if (!mayReplaceImage())
                return;
            ImageFile file(doc_, prompter_);
            const bool opened = file.open(path.toStdString());
            *outcome = opened ? Outcome::Opened : file.declined() ? Outcome::Declined : Outcome::Failed;
            *description = QString::fromStdString(file.description());
        },
        [this, outcome, path, description] {
            if (*outcome == Outcome::Declined)
                return;
            panel_->ShowLastOperation(kOpLoadFile, doc_.OperationState);
            // A file that was not opened left memory, and so the list, as they were.
            if (*outcome == Outcome::Failed)
                return;
            anotherImage();
            imageName_ = QFileInfo(path).fileName();
            description_ = *description;
            panel_->ShowVolumeAndMemoryStatus(doc_);
            FillList();
        });
}

bool CVLMView::chooseZipMember(QString& path)
{
    const std::filesystem::path file = path.toStdString();
    if (ForeignImage::kindOf(file) != ForeignImage::Kind::Zip)
        return true;
    std::vector<std::string> images;
    try {
        images = CompressedImage::zipImages(file);
    } catch (const Error&) {
        return true; // the open tells what is wrong with it
    }
    if (images.size() < 2)
        return true;
    QStringList names;
    for (const std::string& image : images)
        names << QString::fromStdString(image);
    bool chosen = false;
    const QString name = QInputDialog::getItem(
        this, tr("Open Image File"), tr("%1 holds several diskette images. Open which one?").arg(QFileInfo(path).fileName()),
        names, 0, false, &chosen);
    if (chosen)
        path += QLatin1Char(':') + name;
    return chosen;
}

void CVLMView::OnNewImage()
{
    NewImageDialog dialog(prompter_, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    whenReplaceable([this, format = dialog.format(), label = dialog.label().toStdString()] {
        if (!BlankImage(doc_, prompter_).create(format, label))
            return;
        anotherImage();
        description_.clear();
        imageName_ = tr("Untitled");
        panel_->ShowVolumeAndMemoryStatus(doc_);
        FillList();
    });
}

void CVLMView::whenReplaceable(std::function<void()> then)
{
    // Only a changed image asks, and may be saved: that runs as an operation.
    if (!doc_.imageChanged) {
        then();
        return;
    }
    auto may = std::make_shared<bool>(false);
    runner_->start([this, may] { *may = mayReplaceImage(); },
                   [may, then = std::move(then)] {
                       if (*may)
                           then();
                   });
}

bool CVLMView::mayReplaceImage()
{
    if (!doc_.imageChanged)
        return true;
    const Answer answer = prompter_.ask(kImageChangedQuestion, Buttons::YesNoCancel, Icon::Question);
    return answer == Answer::No || (answer == Answer::Yes && saveImageFile());
}

void CVLMView::OnSaveImageFile()
{
    runner_->start([this] { saveImageFile(); });
}

bool CVLMView::saveImageFile()
{
    QString chosen;
    std::string description;
    GuiThread::call([&] {
        VlmFileDialog dialog(VlmFileDialog::Kind::Save, description_, this);
        connect(&dialog, &HelpFileDialog::helpRequested, this, &CVLMView::helpRequested);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().first();
        description = description_.toStdString();
    });
    if (chosen.isEmpty())
        return false;
    const auto path = ImageFile::withDefaultExtension(chosen.toStdString());
    const bool saved = ImageFile(doc_, prompter_).save(path, description);
    panel_->ShowVolumeAndMemoryStatus(doc_);
    if (saved) {
        const QString written = QString::fromStdString(path.string());
        GuiThread::call([&] {
            imageName_ = QFileInfo(written).fileName();
            showWhereYouAre();
        });
        emit message(tr("Image saved to %1").arg(written));
    }
    return saved;
}

void CVLMView::OnSaveSelected()
{
    const int row = list_->selectedRow();
    if (row < 0 || !model_->record(row))
        return;
    if (model_->text(row, kAttributesColumn) == kDirText)
        onDoubleClick(row);
    else
        files_->saveFile(row);
}

void CVLMView::OnRenameFile()
{
    const int row = list_->selectedRow();
    const ListingRecord* record = row >= 0 ? model_->record(row) : nullptr;
    if (!record || record->shortName == kParentEntry)
        return;
    renameInImage_ = true;
    list_->startRename(row);
}

void CVLMView::imageChanged(int row, const QString& name)
{
    model_->table().load(doc_.directory.listing);
    model_->setDamage(damageTips(doc_, unreadable_));
    imageShown_ = model_->fill(doc_);
    const int named = name.isEmpty() ? -1 : model_->rowNamed(name);
    list_->selectRow(named >= 0 ? named : std::min(row, model_->rowCount() - 1));
    updateCommands();
    panel_->ShowVolumeAndMemoryStatus(doc_);
}

void CVLMView::Initialize()
{
    doc_.ImageEmpty = 1;
    doc_.imageChanged = false;
    anotherImage();
    FillList();
    panel_->ShowEmpty();
}

void CVLMView::FillList()
{
    // Without an image in memory there is nothing to list, whatever was read before.
    std::size_t dropped = 0;
    if (doc_.ImageEmpty)
        model_->table().clear();
    else
        dropped = model_->table().load(doc_.directory.listing);
    model_->setFolder(QString::fromStdString(folders_.header()));
    model_->setDamage(damageTips(doc_, unreadable_));
    imageShown_ = model_->fill(doc_);
    list_->selectRow(std::max(model_->rowNamed(QString::fromStdString(folders_.takeReselect())), 0));
    updateCommands();
    showWhereYouAre();
    if (dropped > 0)
        emit message(tr("This folder holds %1 entries; the list shows the first %2.")
                         .arg(doc_.directory.listing.size())
                         .arg(FileListTable::kSlots));
}

void CVLMView::reloaded()
{
    anotherImage();
    if (doc_.OperationState == kSuccessful)
        imageName_ = driveName(doc_.SelectedDrive);
    showWhereYouAre();
}

void CVLMView::anotherImage()
{
    folders_.clear();
    unreadable_.clear();
}

void CVLMView::rescued(std::vector<std::uint32_t> unreadable)
{
    reloaded();
    unreadable_ = std::move(unreadable);
    if (doc_.OperationState == kUnsuccessful)
        panel_->ShowBadSectors(unreadable_.size());
}

void CVLMView::showWhereYouAre()
{
    const bool empty = doc_.ImageEmpty != 0;
    folderLine_->setText(empty ? QString() : QString::fromStdString(folders_.line()));
    emit imageNamed(empty ? QString() : imageName_);
}

void CVLMView::RefreshFromDiskette()
{
    doc_.directory.chain.fill(0);
    run(kCmdRefresh);
}

void CVLMView::onDoubleClick(int row)
{
    const ListingRecord* record = model_->record(row);
    if (!record || record->shortName.empty() || record->shortName == kSelfEntry)
        return;
    if (model_->text(row, kAttributesColumn) != kDirText) {
        files_->saveFile(row);
        return;
    }
    if (record->shortName == kParentEntry) {
        leaveFolder();
        return;
    }
    showOutcome(folders_.enter(record->slot, nameOnDiskette(row).toStdString()));
    post(ViewMessage::FillList);
}

void CVLMView::leaveFolder()
{
    if (doc_.directory.depth == 0)
        return;
    // The folder just left is selected in its parent.
    showOutcome(folders_.leave());
    post(ViewMessage::FillList);
}

void CVLMView::showOutcome(const std::string& warning)
{
    if (!warning.empty())
        prompter_.tell(warning, Icon::Exclamation);
}

void CVLMView::onContextMenu(QPoint point)
{
    if (model_->showsPlaceholder())
        disketteMenu(point);
    else if (const QModelIndex index = list_->indexAt(point); index.isValid())
        fileMenu(index.row(), point);
}

void CVLMView::disketteMenu(QPoint point)
{
    QMenu menu(this);
    const std::pair<int, QString> items[] = {
        {kCmdLoad, tr("&Load Diskette")},
        {kCmdCopy, tr("&Copy Diskette")},
        {kCmdCompare, tr("Co&mpare Diskette")},
        {kCmdFormat, tr("&Format Diskette")},
    };
    for (const auto& [id, text] : items) {
        QAction* item = menu.addAction(text);
        item->setEnabled(ViewCommands::enabledByList(id, imageShown_));
        connect(item, &QAction::triggered, this, [this, id = id] { run(id); });
    }
    menu.exec(list_->viewport()->mapToGlobal(point));
}

bool CVLMView::waitForDiskette()
{
    while (!shellMenu_->diskettePresent(doc_.SelectedDrive))
        if (prompter_.ask(kInsertDiskette, Buttons::RetryCancel, Icon::Exclamation) != Answer::Retry)
            return false;
    return true;
}

QString CVLMView::nameOnDiskette(int row) const
{
    return withoutPadding(model_->text(row, 0));
}

QString CVLMView::diskettePath(const QString& name) const
{
    return QString::fromStdString(folders_.onDiskette(name.toStdString()));
}

void CVLMView::fileMenu(int row, QPoint point)
{
    const ListingRecord* record = model_->record(row);
    if (!record)
        return;
    const QString path =
        QStringLiteral("%1:\\%2").arg(QChar(u'a' + doc_.SelectedDrive), diskettePath(nameOnDiskette(row)));
    const QPoint at = list_->mapTo(this, list_->viewport()->mapTo(list_, point));
    const bool directory = record->attributes & dirent::kDirectory;
    auto result = std::make_shared<int>(ShellDriveMenu::kNothing);
    runner_->start(
        [this, result, path, at, directory] {
            if (waitForDiskette())
                *result = (*shellMenu_)(path, at, ShellDriveMenu::kMenu, directory);
        },
        [this, result, row] {
            if (*result == ShellDriveMenu::kCarriedOut)
                post(ViewMessage::RefreshFromDiskette);
            else if (*result == ShellDriveMenu::kRename) {
                renameInImage_ = false; // an F2 edit left with Escape never reported back
                list_->startRename(row);
            }
        });
}

void CVLMView::finishRename()
{
    const Rename done = std::exchange(rename_, {});
    if (done.row < 0)
        return;
    auto renamed = std::make_shared<bool>(false);
    runner_->start(
        [this, renamed, drive = doc_.SelectedDrive, from = diskettePath(withoutPadding(done.from)),
         to = diskettePath(withoutPadding(done.to))] { *renamed = shellMenu_->rename(drive, from, to); },
        [this, renamed, done] {
            if (*renamed) {
                folders_.reselect(withoutPadding(done.to).toStdString());
                post(ViewMessage::RefreshFromDiskette);
                return;
            }
            QApplication::beep();
            model_->setName(done.row, done.from);
        });
}

void CVLMView::enterHelpMode()
{
    if (helpMode_)
        return;
    // The next click picks the topic: a toolbar button's or a menu item's own, or the window's.
    helpMode_ = true;
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
    qApp->installEventFilter(this);
}

void CVLMView::leaveHelpMode(std::optional<int> topic)
{
    helpMode_ = false;
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    if (topic)
        emit helpRequested(*topic);
}

bool CVLMView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        leaveHelpMode(std::nullopt);
        return true;
    }
    // A click reaches the window first and then its widget, which tells what was clicked.
    if (event->type() != QEvent::MouseButtonPress || !watched->isWidgetType())
        return QWidget::eventFilter(watched, event);
    const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
    // The menu bar and submenus open as usual; a command of a menu gives its topic.
    if (qobject_cast<QMenuBar*>(watched))
        return false;
    if (auto* menu = qobject_cast<QMenu*>(watched)) {
        const QAction* item = menu->actionAt(menu->mapFromGlobal(global));
        if (!item || item->menu() || item->isSeparator())
            return false;
        const int topic = item->data().isValid() ? item->data().toInt() + ViewCommands::kButtonHelpBase : 0;
        // Closed before the release, which would run the command.
        while (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        leaveHelpMode(topic);
        return true;
    }
    const QPoint at = toolBar_->mapFromGlobal(global);
    const int command = toolBar_->rect().contains(at) ? toolBar_->commandAt(at) : 0;
    leaveHelpMode(ViewCommands::buttonHelpTopic(command));
    return true;
}

} // namespace vellum
