#include "splitjoin/ui/CFileJoin.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <memory>
#include <filesystem>
#include <vector>

#include "widgets/HelpFileDialog.h"
#include "core/Prompter.h"
#include "core/ui/OperationRunner.h"
#include "splitjoin/FileJoiner.h"
#include "splitjoin/ui/PageControls.h"

namespace vellum {

using namespace PageControls;

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr const char* kSelectToAddText = "Please select which files to add to join list.";
constexpr const char* kSelectToRemoveText = "Please select which files to remove from list.";

QListWidgetItem* copyOf(const QListWidgetItem& item)
{
    auto* copy = new QListWidgetItem(item.text());
    copy->setData(kPathRole, item.data(kPathRole));
    copy->setToolTip(item.toolTip());
    return copy;
}

// The menu pops up over a list only while it holds entries.
void popUpOver(QListWidget* list, QMenu* menu)
{
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(list, &QListWidget::customContextMenuRequested, list, [list, menu](const QPoint& at) {
        if (list->count() > 0)
            menu->popup(list->viewport()->mapToGlobal(at));
    });
}

} // namespace

CFileJoin::CFileJoin(OperationRunner& runner, QWidget* parent)
    : WorkPage(runner, tr("&Join"), tr("Join"), tr("Join progress"), kHelpTopic, parent),
      prompter_(runner.prompter()), target_(named(new QLineEdit, tr("Enter target directory:"))),
      browseTarget_(browseButton(tr("Browse for destination"), this)),
      addFiles_(browseButton(tr("Browse for source file"), this)),
      originalPath_(valueLabel(tr("Original Path:"), this)), targetName_(valueLabel(tr("Target Filename:"), this)),
      files_(sortedList(tr("File list:"), this)), joinList_(sortedList(tr("Files to Join:"), this)),
      arrow_(named(new QPushButton(QStringLiteral("---->")), QStringLiteral("---->"))),
      processing_(valueLabel(tr("Processing:"), this))
{
    auto* formLayout = new QVBoxLayout(form_);
    formLayout->setContentsMargins(0, 0, 0, 0);
    formLayout->addWidget(makeTargetRows());
    formLayout->addWidget(makeLists(), 1);

    auto* status = new QFormLayout;
    status->addRow(tr("Processing:"), processing_);
    layOut({status});

    connect(target_, &QLineEdit::textChanged, this, [this](const QString& t) { targetDir_ = t; });
    connect(action_, &QPushButton::clicked, this, &CFileJoin::OnJoin);
    progress_.onStarted = [this](const QString& piece) { processing_->setText(piece); };
    tabChain({target_, browseTarget_, files_, addFiles_, arrow_, joinList_, cancel_, action_, help_});
    start();
}

QWidget* CFileJoin::makeTargetRows()
{
    connect(browseTarget_, &QPushButton::clicked, this, &CFileJoin::OnBrowseTarget);
    auto* rows = new QWidget(this);
    auto* form = new QFormLayout(rows);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(tr("Enter target directory:"), pathRow(target_, browseTarget_));
    form->addRow(tr("Original Path:"), originalPath_);
    form->addRow(tr("Target Filename:"), targetName_);
    return rows;
}

QWidget* CFileJoin::makeLists()
{
    addFiles_->setIcon(style()->standardIcon(QStyle::SP_FileDialogStart));
    arrow_->setToolTip(tr("Add files to list"));
    arrow_->setAccessibleDescription(tr("Add files to list"));
    connect(addFiles_, &QPushButton::clicked, this, &CFileJoin::OnBrowseFiles);
    connect(arrow_, &QPushButton::clicked, this, &CFileJoin::OnAddToJoinList);
    popUpOver(files_, makeFileListMenu());
    popUpOver(joinList_, makeJoinListMenu());

    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(addFiles_);
    middle->addWidget(arrow_);
    middle->addStretch();
    auto* lists = new QWidget(this);
    auto* grid = new QGridLayout(lists);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel(tr("File list:")), 0, 0);
    grid->addWidget(new QLabel(tr("Files to Join:")), 0, 2);
    grid->addWidget(files_, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(joinList_, 1, 2);
    return lists;
}

QMenu* CFileJoin::makeFileListMenu()
{
    auto* menu = new QMenu(this);
    menu->addAction(tr("&Add to Join List"), this, &CFileJoin::OnAddToJoinList);
    menu->addAction(tr("A&dd All to Join List"), this, &CFileJoin::OnAddAllToJoinList);
    menu->addAction(tr("&Remove from list"), this, &CFileJoin::OnRemoveFromFileList);
    menu->addAction(tr("&Clear list"), this, [this] {
        files_->clear();
        updateButtons();
    });
    menu->addAction(tr("&Select all"), files_, &QListWidget::selectAll);
    return menu;
}

QMenu* CFileJoin::makeJoinListMenu()
{
    auto* menu = new QMenu(this);
    menu->addAction(tr("&Remove file"), this, &CFileJoin::OnRemoveFromJoinList);
    menu->addAction(tr("&Clear list"), this, [this] {
        joinList_->clear();
        updateButtons();
    });
    menu->addSeparator();
    menu->addAction(tr("&Join files"), this, &CFileJoin::OnJoin);
    return menu;
}

void CFileJoin::start()
{
    processing_->clear();
    bar_->hide();
    files_->clear();
    joinList_->clear();
    target_->setText(targetDir_.isEmpty() ? currentFolder() : targetDir_);
    updateButtons();
}

void CFileJoin::addFiles(const QStringList& paths)
{
    for (const QString& path : paths) {
        auto* item = new QListWidgetItem(QFileInfo(path).fileName());
        item->setData(kPathRole, path);
        item->setToolTip(path);
        files_->addItem(item);
    }
    updateButtons();
}

void CFileJoin::OnBrowseFiles()
{
    // The pattern after the shown filter: Qt hides the last bracket.
    HelpFileDialog dialog({tr("Select VLM Generated Split Files"),
                           {tr("VLM Generated Split Files (*.00*) (*.0?\?)")},
                           QStringLiteral("*.0?\?"),
                           {},
                           QFileDialog::AcceptOpen,
                           QFileDialog::ExistingFiles,
                           kHelpTopic},
                          this);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    connect(&dialog, &HelpFileDialog::helpRequested, this, &CFileJoin::helpRequested);
    if (dialog.exec() == QDialog::Accepted)
        addFiles(dialog.selectedFiles());
}

void CFileJoin::OnBrowseTarget()
{
    const QString folder = chooseTargetFolder(this, target_->text());
    if (!folder.isEmpty())
        target_->setText(folder);
}

void CFileJoin::OnAddToJoinList()
{
    copyItems(true);
}

void CFileJoin::OnAddAllToJoinList()
{
    copyItems(false);
}

void CFileJoin::copyItems(bool selectedOnly)
{
    QList<QListWidgetItem*> chosen = files_->selectedItems();
    if (!selectedOnly) {
        chosen.clear();
        for (int i = 0; i < files_->count(); ++i)
            chosen << files_->item(i);
    }
    if (chosen.isEmpty() && selectedOnly)
        prompter_.tell(kSelectToAddText, Icon::Information);
    for (const QListWidgetItem* item : chosen)
        joinList_->addItem(copyOf(*item));
    updateButtons();
}

void CFileJoin::OnRemoveFromFileList()
{
    removeSelected(files_);
}

void CFileJoin::OnRemoveFromJoinList()
{
    removeSelected(joinList_);
}

void CFileJoin::removeSelected(QListWidget* list)
{
    const QList<QListWidgetItem*> chosen = list->selectedItems();
    if (chosen.isEmpty())
        prompter_.tell(kSelectToRemoveText, Icon::Information);
    qDeleteAll(chosen);
    updateButtons();
}

void CFileJoin::updateButtons()
{
    arrow_->setEnabled(files_->count() > 0);
    updateAction();
}

bool CFileJoin::canAct() const
{
    return joinList_->count() > 0;
}

void CFileJoin::OnJoin()
{
    if (joinList_->count() == 0)
        return;
    std::vector<std::filesystem::path> pieces;
    for (int i = 0; i < joinList_->count(); ++i)
        pieces.emplace_back(joinList_->item(i)->data(kPathRole).toString().toStdString());
    targetDir_ = target_->text();
    auto outcome = std::make_shared<FileJoiner::Outcome>();
    work(
        [this, outcome, pieces, target = targetDir_.toStdString()] {
            *outcome = FileJoiner(prompter_, progress_, ExistingFiles::Ask).join(pieces, target);
        },
        [this, outcome] {
            originalPath_->setText(QString::fromStdString(outcome->originalPath));
            targetName_->setText(QString::fromStdString(outcome->targetName));
            processing_->setText(outcome->status == FileJoiner::Status::Completed
                                     ? QString::fromLatin1(FileJoiner::kCompletedText)
                                     : QString());
            targetDir_.clear();
        });
}

} // namespace vellum
