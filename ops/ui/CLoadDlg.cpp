#include "ops/ui/CLoadDlg.h"

#include <QCheckBox>
#include <memory>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QTreeWidget>

#include "widgets/DialogBackground.h"
#include "widgets/DriveListBox.h"
#include "core/CVLMDoc.h"
#include "core/ui/OperationRunner.h"
#include "ops/RootPreview.h"
#include "widgets/DialogButtons.h"

namespace vellum {

namespace {

constexpr int kHelpTopic = 0x10070; // the toolbar Load button's own
const QString kFolderPicture = QStringLiteral(":/icons/folder.svg");
const QString kFilePicture = QStringLiteral(":/icons/preview-file.svg");
const QString kNoFilesPicture = QStringLiteral(":/icons/preview-no-files.svg");
const QString kNotReadyPicture = QStringLiteral(":/icons/preview-not-ready.svg");

} // namespace

CLoadDlg::CLoadDlg(CVLMDoc& doc, DriveBackend& drives, OperationRunner& runner, int floppyCount, QWidget* parent)
    : QDialog(parent), doc_(doc), drives_(drives), runner_(runner), source_(new DriveListBox(this)),
      files_(new QTreeWidget(this)), entire_(new QCheckBox(tr("Load Entire Diskette"), this)),
      loadEntire_(doc.options.LoadEntireDiskette)
{
    setWindowTitle(tr(" Load Diskette Image"));
    new DialogBackground(this, DialogBackground::Dialog::Load);

    auto* sourceLabel = new QLabel(tr(" Source:"), this);
    sourceLabel->setBuddy(source_);
    source_->setAccessibleName(tr("Source:"));
    source_->setFixedWidth(110);
    auto* filesLabel = new QLabel(tr(" Files:"), this);
    filesLabel->setBuddy(files_);
    files_->setAccessibleName(tr("Files:"));
    files_->setHeaderHidden(true);
    files_->setRootIsDecorated(false);
    files_->setMinimumWidth(200);
    entire_->setChecked(loadEntire_);
    connect(entire_, &QCheckBox::toggled, this, [this](bool on) { loadEntire_ = on; });

    QDialogButtonBox* buttons = okCancelHelp(this, [this] { emit helpRequested(kHelpTopic); });

    auto* layout = new QGridLayout(this);
    layout->addWidget(sourceLabel, 0, 0);
    layout->addWidget(filesLabel, 0, 1);
    layout->addWidget(source_, 1, 0);
    layout->addWidget(files_, 1, 1);
    layout->addWidget(entire_, 2, 0, 1, 2);
    layout->addWidget(buttons, 1, 2, Qt::AlignTop);

    source_->fill(drives, runner.prompter(), floppyCount, doc.SelectedDrive, true);
    fillPreview();
    connect(source_, &QListWidget::currentRowChanged, this, &CLoadDlg::fillPreview);
    connect(source_, &QListWidget::itemDoubleClicked, this, &CLoadDlg::accept);
}

void CLoadDlg::fillPreview()
{
    files_->clear();
    const int drive = source_->selectedDrive();
    if (drive < 0)
        return;
    // Read on the operations' worker, so a diskette slow to read leaves the
    // window painting; only the newest request is shown, and none once the
    // dialog is gone.
    const int asked = ++previewsAsked_;
    const QPointer<CLoadDlg> self(this);
    const auto current = [self, asked] { return self && self->previewsAsked_ == asked; };
    runner_.whenIdle([this, current, drive] {
        if (!current())
            return;
        auto root = std::make_shared<RootPreview::Result>();
        runner_.start([root, drive, &drives = drives_, &runner = runner_] {
            *root = RootPreview::read(drives, runner.prompter(), drive);
        }, [this, current, root] {
            if (current())
                showPreview(*root);
        });
    });
}

void CLoadDlg::showPreview(const RootPreview::Result& root)
{
    switch (root.status) {
    case RootPreview::Status::NotReady: addPreviewItem(tr("The device is not ready"), kNotReadyPicture); break;
    case RootPreview::Status::NoFiles: addPreviewItem(tr("No files found"), kNoFilesPicture); break;
    case RootPreview::Status::Listed:
        for (const RootPreview::Entry& entry : root.entries)
            addPreviewItem(QString::fromStdString(entry.name), entry.directory ? kFolderPicture : kFilePicture);
        break;
    }
    files_->sortItems(0, Qt::AscendingOrder);
}

void CLoadDlg::addPreviewItem(const QString& text, const QString& picture)
{
    auto* item = new QTreeWidgetItem(files_, {text});
    item->setIcon(0, QIcon(picture));
}

void CLoadDlg::accept()
{
    doc_.options.LoadEntireDiskette = loadEntire_;
    if (source_->currentRow() < 0)
        return;
    const int drive = source_->selectedDrive();
    if (drive >= 0) {
        doc_.SelectedDrive = static_cast<std::uint8_t>(drive);
        choice_ = Choice::Drive;
    } else {
        choice_ = Choice::ImageFile;
    }
    QDialog::accept();
}

} // namespace vellum
