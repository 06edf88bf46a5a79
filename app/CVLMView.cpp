#include "app/CVLMView.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "app/FileListModel.h"
#include "app/FileListView.h"
#include "app/ShellDriveMenu.h"
#include "app/ShellFormatter.h"
#include "app/StatusStrip.h"
#include "core/ViewCommands.h"
#include "app/ViewStatusPanel.h"
#include "app/ViewToolBar.h"
#include "app/VlmFileDialog.h"
#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/Fat12Reader.h"
#include "core/ImageFile.h"
#include "core/MediaTable.h"
#include "core/Prompter.h"
#include "drive/CDriveServices.h"
#include "drive/DriveBay.h"
#include "drive/SectorDriver.h"
#include "files/FileListText.h"
#include "ops/CopyEngine.h"
#include "ops/CopyFormatter.h"
#include "ops/EngineContext.h"
#include "ops/LoadEngine.h"
#include "ops/ui/CProgressDlg.h"

namespace vellum {

namespace {

constexpr int kAttributesColumn = 3;
const QString kDirText = QStringLiteral("<dir>");
const std::string kParentEntry = "..      ";
const std::string kSelfEntry = ".       ";
const std::string kInsertDiskette =
    "Please ensure the diskette containing the disk image most recently \nloaded into memory is present in the "
    "drive.  Press Retry to continue \nor Cancel to cancel the Context Menu operation.";
// Both drive letters of the drive mask: A: and B:.
constexpr std::uint32_t kDriveMask = 0b11;

// A short name without a long one is padded to eight characters; the file's name is not.
QString withoutPadding(QString name)
{
    while (name.endsWith(u' '))
        name.chop(1);
    return name;
}

bool is35Inch(int dosType)
{
    return dosType == 2 || dosType == 7;
}

} // namespace

CVLMView::CVLMView(CVLMDoc& doc, Prompter& prompter, DriveBay& drives, Shell& shell, QWidget* parent)
    : QWidget(parent), doc_(doc), prompter_(prompter), drives_(drives), toolBar_(new ViewToolBar(this)),
      upper_(new StatusStrip(StatusStrip::Style::Flat, this)), model_(new FileListModel(this)),
      list_(new FileListView(*model_, this)), lower_(new StatusStrip(StatusStrip::Style::Sunken, this)),
      panel_(std::make_unique<ViewStatusPanel>(*upper_, *lower_)),
      shellMenu_(std::make_unique<ShellDriveMenu>(this, shell, drives, prompter)),
      driver_(std::make_unique<SectorDriver>(drives.drives()))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addWidget(upper_);
    layout->addWidget(list_, 1);
    layout->addWidget(lower_);

    createCommands();
    connect(toolBar_, &ViewToolBar::triggered, this, &CVLMView::run);
    connect(toolBar_, &ViewToolBar::driveMenuRequested, this, [this](int drive, QPoint point) {
        selectDrive(drive);
        shellDrive(ShellDriveMenu::kMenu, toolBar_->mapTo(this, point));
    });
    connect(list_, &FileListView::rowDoubleClicked, this, &CVLMView::onDoubleClick);
    connect(list_, &FileListView::contextMenuAt, this, &CVLMView::onContextMenu);
    connect(model_, &FileListModel::renamed, this, [this](int row, const QString& from, const QString& to) {
        rename_ = {row, from, to};
        post(ViewMessage::FinishRename);
    });
    toolBar_->setCopies(Options::clampCopies(doc_.options.NumberCopies));
    detectDrives();
    FillList();
}

CVLMView::~CVLMView() = default;

StatusPanel& CVLMView::statusPanel()
{
    return *panel_;
}

QAction* CVLMView::makeCommand(int id, const QString& text, const QString& tip)
{
    auto* action = new QAction(text, this);
    action->setStatusTip(tip);
    connect(action, &QAction::triggered, this, [this, id] { run(id); });
    commands_[id] = action;
    return action;
}

void CVLMView::createCommands()
{
    makeCommand(kCmdOpenImage, tr("&Open Image File..."), tr("Opens an existing VLM file"))
        ->setShortcut(QKeySequence::Open);
    makeCommand(kCmdSaveImage, tr("&Save Image File..."), tr("Saves the disk image in memory as a file"))
        ->setShortcut(QKeySequence::Save);
    makeCommand(kCmdSaveSelected, tr("S&ave Selected File"), tr("Saves the selected file to the hard disk"));
    makeCommand(kCmdSaveDirectory, tr("Save &Current Directory"), tr("Saves the files of the folder shown to the hard disk"));
    makeCommand(kCmdSaveAll, tr("Sa&ve All Files"), tr("Saves every file of the image to the hard disk"));
    makeCommand(kCmdPrint, tr("&Print..."), tr("Prints the compare mismatch report"))->setShortcut(QKeySequence::Print);
    makeCommand(kCmdPrintPreview, tr("Print Pre&view"), tr("Shows the compare mismatch report as it will be printed"));
    makeCommand(kCmdLoad, tr("&Load"), tr("Loads a diskette into memory"));
    makeCommand(kCmdCopy, tr("&Copy"), tr("Copies the diskette image in memory to diskettes"));
    makeCommand(kCmdCompare, tr("C&ompare"), tr("Compares a diskette with the image in memory"));
    makeCommand(kCmdFormat, tr("&Format"), tr("Formats the diskette in the selected drive"));
    makeCommand(kCmdFormatDmf, tr("Format &DMF"), tr("Formats a 1.68 MB DMF diskette"));
    makeCommand(kCmdImageLabel, tr("&Image Label"), tr("Changes the volume label of the image in memory"));
    makeCommand(kCmdDisketteLabel, tr("Diskette La&bel"), tr("Changes the label of the diskette in the selected drive"));
    makeCommand(kCmdInitialize, tr("&Initialize"), tr("Empties the file list and the status lines"));
    makeCommand(kCmdRefresh, tr("Re&fresh"), tr("Reads the directory again from the diskette"))
        ->setShortcut(QKeySequence::Refresh);
    makeCommand(kCmdCopyFile, tr("&Copy a file"), tr("Copies the selected file to the hard disk"));
    makeCommand(kCmdMoveFile, tr("&Move a file"), tr("Moves the selected file out of the image to the hard disk"));
    makeCommand(kCmdDeleteFile, tr("&Delete a file"), tr("Deletes the selected file from the image in memory"));
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
    doc_.MediaSizeKind = is35Inch(types[0]) ? kMedia35Inch : kMedia525Inch;
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
        action->setEnabled(ViewCommands::enabled(id, imageShown_));
    for (int id : {kCmdLoadNow, kCmdCopyNow, kCmdCompareNow, kCmdSaveImage})
        toolBar_->button(id)->setEnabled(ViewCommands::enabled(id, imageShown_));
}

void CVLMView::post(ViewMessage message)
{
    QMetaObject::invokeMethod(this, [this, message] { handle(message); }, Qt::QueuedConnection);
}

void CVLMView::handle(ViewMessage message)
{
    switch (message) {
    case ViewMessage::FillList: FillList(); break;
    case ViewMessage::Initialize: Initialize(); break;
    case ViewMessage::OpenImageFile: OnOpenImageFile(); break;
    case ViewMessage::RefreshFromDiskette: RefreshFromDiskette(); break;
    case ViewMessage::DisketteLabel: shellDrive(ShellDriveMenu::kLabel, {}); break;
    case ViewMessage::FinishRename: finishRename(); break;
    }
}

void CVLMView::run(int command)
{
    if (!ViewCommands::enabled(command, imageShown_))
        return;
    switch (command) {
    case kCmdExitButton: emit exitRequested(); break;
    case kCmdSelectA: selectDrive(0); break;
    case kCmdSelectB: selectDrive(1); break;
    case kCmdFormat:
    case kCmdFormatNow: shellDrive(ShellDriveMenu::kFormat, {}); break;
    case kCmdDisketteLabel: shellDrive(ShellDriveMenu::kLabel, {}); break;
    case kCmdExplore: shellDrive(ShellDriveMenu::kExplore, {}); break;
    case kCmdLoadNow: OnLoadNow(); break;
    case kCmdCopyNow: OnCopyNow(); break;
    case kCmdRefresh: OnRefresh(); break;
    case kCmdInitialize: Initialize(); break;
    case kCmdOpenImage: OnOpenImageFile(); break;
    case kCmdSaveImage: OnSaveImageFile(); break;
    case kCmdHelpTask: emit helpRequested(0); break;
    case kCmdHelpContext: enterHelpMode(); break;
    default: break;
    }
}

EngineContext CVLMView::engineContext(Progress& progress)
{
    return {doc_, drives_.drives(), driver_.get(), prompter_, progress, *panel_, *this};
}

void CVLMView::OnLoadNow()
{
    CProgressDlg progress(prompter_);
    LoadEngine(engineContext(progress)).run(doc_.SelectedDrive, doc_.options.LoadEntireDiskette);
    folders_.clear();
}

void CVLMView::OnCopyNow()
{
    const int copies = toolBar_->copies();
    CProgressDlg progress(prompter_);
    const EngineContext context = engineContext(progress);
    CopyFormatter dmf(context);
    ShellFormatter formatter(doc_, *shellMenu_, dmf);
    // A format the user cancels leaves the diskette to the copy's own media check.
    if (doc_.options.ForceFormat)
        formatter.formatDiskette(doc_.SelectedDrive);
    CopyEngine(context, formatter).RunCopy(doc_.SelectedDrive, copies);
    doc_.options.NumberCopies = copies;
}

void CVLMView::OnRefresh()
{
    CProgressDlg progress(prompter_);
    LoadEngine(engineContext(progress)).Refresh();
    folders_.clear();
}

void CVLMView::OnInitialUpdate()
{
    if (pendingPath_)
        OnOpenImageFile();
}

void CVLMView::openImageFile(const QString& path)
{
    pendingPath_ = path;
    OnOpenImageFile();
}

void CVLMView::OnOpenImageFile()
{
    QString path;
    if (pendingPath_) {
        path = *pendingPath_;
        pendingPath_.reset();
    } else {
        VlmFileDialog dialog(VlmFileDialog::Kind::Open, description_, this);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        path = dialog.selectedFiles().first();
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ImageFile(doc_, prompter_).open(path.toStdString());
    QApplication::restoreOverrideCursor();
    folders_.clear();
    panel_->ShowVolumeAndMemoryStatus(doc_);
    panel_->ShowLastOperation(kOpLoadFile, doc_.OperationState);
    if (doc_.OperationState == kSuccessful)
        FillList();
    else
        Initialize();
}

void CVLMView::OnSaveImageFile()
{
    VlmFileDialog dialog(VlmFileDialog::Kind::Save, description_, this);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const auto path = ImageFile::withDefaultExtension(dialog.selectedFiles().first().toStdString());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ImageFile(doc_, prompter_).save(path, description_.toStdString());
    QApplication::restoreOverrideCursor();
}

void CVLMView::Initialize()
{
    doc_.ImageEmpty = 1;
    folders_.clear();
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
    imageShown_ = model_->fill(doc_);
    list_->selectRow(reselectRow_ >= 0 && reselectRow_ < model_->rowCount() ? reselectRow_ : 0);
    reselectRow_ = -1;
    updateCommands();
    if (dropped > 0)
        emit message(tr("This folder holds %1 entries; the list shows the first %2.")
                         .arg(doc_.directory.listing.size())
                         .arg(FileListTable::kSlots));
}

void CVLMView::RefreshFromDiskette()
{
    doc_.directory.chain.fill(0);
    run(kCmdRefresh);
}

void CVLMView::shellDrive(int mode, QPoint point)
{
    const QString root = QStringLiteral("%1:\\").arg(QChar(u'a' + doc_.SelectedDrive));
    (*shellMenu_)(root, point, mode);
}

void CVLMView::onDoubleClick(int row)
{
    const ListingRecord* record = model_->record(row);
    if (!record || record->shortName.empty() || record->shortName == kSelfEntry)
        return;
    if (model_->text(row, kAttributesColumn) != kDirText)
        return; // saving a single file comes with the file commands
    Fat12Reader reader(doc_, prompter_);
    if (record->shortName == kParentEntry) {
        showOutcome(reader.leaveDirectory().warning);
        if (!folders_.isEmpty())
            folders_.removeLast();
    } else {
        showOutcome(reader.enterDirectory(record->shortName).warning);
        folders_.append(nameOnDiskette(row));
    }
    reselectRow_ = row;
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
        item->setEnabled(ViewCommands::enabled(id, imageShown_));
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
    QStringList parts = folders_;
    parts.append(name);
    return parts.join(u'\\');
}

void CVLMView::fileMenu(int row, QPoint point)
{
    const ListingRecord* record = model_->record(row);
    if (!record || !waitForDiskette())
        return;
    const QString name = nameOnDiskette(row);
    const QString path = QStringLiteral("%1:\\%2").arg(QChar(u'a' + doc_.SelectedDrive), diskettePath(name));
    const QPoint at = list_->mapTo(this, list_->viewport()->mapTo(list_, point));
    const int result = (*shellMenu_)(path, at, ShellDriveMenu::kMenu, record->attributes & dirent::kDirectory);
    if (result == ShellDriveMenu::kCarriedOut)
        post(ViewMessage::RefreshFromDiskette);
    else if (result == ShellDriveMenu::kRename)
        list_->startRename(row);
}

void CVLMView::finishRename()
{
    const Rename done = std::exchange(rename_, {});
    if (done.row < 0)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool renamed = shellMenu_->rename(doc_.SelectedDrive, diskettePath(withoutPadding(done.from)),
                                            diskettePath(withoutPadding(done.to)));
    QApplication::restoreOverrideCursor();
    if (renamed) {
        post(ViewMessage::RefreshFromDiskette);
        return;
    }
    QApplication::beep();
    model_->setName(done.row, done.from);
}

void CVLMView::enterHelpMode()
{
    // The next click anywhere picks the topic: a toolbar button's own, or the window's.
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
    qApp->installEventFilter(this);
}

bool CVLMView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress)
        return QWidget::eventFilter(watched, event);
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    const auto* click = static_cast<QMouseEvent*>(event);
    const QPoint at = toolBar_->mapFromGlobal(click->globalPosition().toPoint());
    const int command = toolBar_->rect().contains(at) ? toolBar_->commandAt(at) : 0;
    emit helpRequested(ViewCommands::buttonHelpTopic(command));
    return true;
}

} // namespace vellum
