#include "splitjoin/ui/CFileSplit.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <memory>

#include "core/ui/OperationRunner.h"
#include "splitjoin/FileSplitter.h"
#include "splitjoin/ui/PageControls.h"

namespace vellum {

using namespace PageControls;

namespace {

constexpr std::array<const char*, SplitSettings::kRadioCount> kRadioTexts = {"1.44M", "1.2M", "720K", "360K"};

} // namespace

CFileSplit::CFileSplit(OperationRunner& runner, VolumeProbe& volume, QWidget* parent)
    : WorkPage(runner, tr("Split"), tr("Split"), tr("Split progress"), kHelpTopic, parent),
      prompter_(runner.prompter()), volume_(volume), source_(named(new QLineEdit, tr("File to split:"))),
      browseSource_(browseButton(tr("Browse for source file"), this)),
      dest_(named(new QLineEdit, tr("Destination:"))), browseDest_(browseButton(tr("Browse for destination"), this)),
      radios_(new QButtonGroup(this)),
      sizeList_(named(new QComboBox, tr("File Size:"))), fileSize_(valueLabel(tr("Filesize:"), this)),
      count_(valueLabel(tr("Number of Diskettes required:"), this)),
      created_(named(new QListWidget, tr("Files created:")))
{
    auto* formLayout = new QVBoxLayout(form_);
    formLayout->setContentsMargins(0, 0, 0, 0);
    formLayout->addWidget(makeFileRows());
    formLayout->addWidget(makeSizeRows());
    formLayout->addWidget(new QLabel(tr("Files created:")));
    formLayout->addWidget(created_, 1);
    layOut();

    connect(source_, &QLineEdit::textChanged, this, &CFileSplit::OnSourceChanged);
    connect(source_, &QLineEdit::editingFinished, this, &CFileSplit::recompute);
    connect(dest_, &QLineEdit::textChanged, this, [this](const QString& t) { settings_.m_strDest = t.toStdString(); });
    connect(sizeList_, &QComboBox::activated, this, &CFileSplit::OnSizeSelected);
    connect(action_, &QPushButton::clicked, this, &CFileSplit::OnSplit);
    progress_.onCreated = [this](const QString& piece) { created_->addItem(piece); };
    tabChain({source_, browseSource_, dest_, browseDest_, radio_[0], radio_[1], radio_[2], radio_[3], sizeList_,
              created_, cancel_, action_, help_});
    start();
}

QWidget* CFileSplit::makeFileRows()
{
    connect(browseSource_, &QPushButton::clicked, this, &CFileSplit::OnBrowseSource);
    connect(browseDest_, &QPushButton::clicked, this, &CFileSplit::OnBrowseDest);
    auto* rows = new QWidget(this);
    auto* form = new QFormLayout(rows);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(tr("File to split:"), pathRow(source_, browseSource_));
    form->addRow(tr("Destination:"), pathRow(dest_, browseDest_));
    return rows;
}

QWidget* CFileSplit::makeSizeRows()
{
    auto* group = named(new QGroupBox(tr("Select target diskette size:")), tr("Select target diskette size:"));
    auto* radioRow = new QHBoxLayout(group);
    for (std::size_t i = 0; i < radio_.size(); ++i) {
        radio_[i] = named(new QRadioButton(QString::fromLatin1(kRadioTexts[i])), QString::fromLatin1(kRadioTexts[i]));
        radios_->addButton(radio_[i]);
        radioRow->addWidget(radio_[i]);
        const auto type = static_cast<std::uint8_t>(kSize144 + i);
        connect(radio_[i], &QRadioButton::clicked, this, [this, type] { OnRadio(type); });
    }
    auto* rows = new QWidget(this);
    auto* form = new QFormLayout(rows);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(group);
    form->addRow(tr("File Size:"), sizeList_);
    form->addRow(tr("Filesize:"), fileSize_);
    form->addRow(tr("Number of Diskettes required:"), count_);
    return rows;
}

void CFileSplit::start()
{
    fileSize_->clear();
    count_->clear();
    created_->clear();
    dest_->setText(currentFolder());
    bar_->hide();
    for (QRadioButton* r : radio_)
        r->setEnabled(true);
    radio_[0]->setChecked(true);
    OnRadio(kSize144);
    updateAction();
}

void CFileSplit::OnSourceChanged(const QString& text)
{
    created_->clear();
    settings_.m_strSource = text.toStdString();
    updateAction();
}

void CFileSplit::OnBrowseSource()
{
    const QString file = QFileDialog::getOpenFileName(
        this, tr("Select a file to split"), QString::fromStdString(settings_.m_strSource),
        tr("Executable files {*.exe; *.com; *.bat} (*.exe *.com *.bat);;All files {*.*} (*)"), nullptr,
        QFileDialog::HideNameFilterDetails);
    if (file.isEmpty())
        return;
    source_->setText(file);
    source_->selectAll();
    recompute();
}

void CFileSplit::OnBrowseDest()
{
    const QString folder = chooseTargetFolder(this, dest_->text());
    if (folder.isEmpty())
        return;
    dest_->setText(folder);
    created_->clear();
}

void CFileSplit::OnRadio(std::uint8_t sizeType)
{
    sizeList_->clear();
    for (const std::string& entry : SplitSettings::sizeList(sizeType))
        sizeList_->addItem(QString::fromStdString(entry));
    sizeList_->setCurrentIndex(-1);
    settings_.chooseRadio(sizeType);
    recompute();
}

void CFileSplit::OnSizeSelected(int index)
{
    const auto enabled = settings_.chooseListEntry(sizeList_->itemText(index).toStdString());
    // Unchecking needs the group open for a moment: exclusive groups keep one checked.
    radios_->setExclusive(false);
    for (std::size_t i = 0; i < radio_.size(); ++i) {
        radio_[i]->setEnabled(enabled[i]);
        if (!enabled[i])
            radio_[i]->setChecked(false);
    }
    radios_->setExclusive(true);
    recompute();
}

void CFileSplit::recompute()
{
    if (settings_.m_strSource.empty())
        return;
    settings_.recompute(prompter_);
    fileSize_->setText(QString::fromStdString(settings_.sizeText()));
    count_->setText(QString::fromStdString(settings_.countText()));
}

void CFileSplit::OnSplit()
{
    created_->clear();
    auto outcome = std::make_shared<FileSplitter::Outcome>();
    work(
        [this, outcome] {
            *outcome = FileSplitter(prompter_, volume_, progress_, ExistingFiles::Ask).split(settings_);
        },
        [this, outcome] {
            // A cancel takes back pieces the list already showed.
            created_->clear();
            for (const std::string& name : outcome->created)
                created_->addItem(QString::fromStdString(name));
        });
}

bool CFileSplit::canAct() const
{
    return settings_.canSplit();
}

} // namespace vellum
