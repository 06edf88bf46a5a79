#include "ops/ui/CRescueDlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "core/CVLMDoc.h"
#include "core/Error.h"
#include "core/Prompter.h"
#include "ops/RescueEngine.h"
#include "widgets/DialogButtons.h"
#include "widgets/DriveListBox.h"

namespace vellum {

namespace {

const QString kMapName = QStringLiteral("rescue.map");
constexpr int kHelpTopic = 0x1804A; // the Rescue command's own

} // namespace

CRescueDlg::CRescueDlg(CVLMDoc& doc, DriveBackend& drives, Prompter& prompter, int floppyCount, QWidget* parent)
    : QDialog(parent), doc_(doc), prompter_(prompter), source_(new DriveListBox(this)), passes_(new QSpinBox(this)),
      map_(new QLineEdit(QDir::home().filePath(kMapName), this))
{
    setWindowTitle(tr("Rescue Diskette"));
    auto* sourceLabel = new QLabel(tr("&Source:"), this);
    sourceLabel->setBuddy(source_);
    source_->setAccessibleName(tr("Source:"));
    source_->setFixedWidth(110);
    auto* passesLabel = new QLabel(tr("&Passes:"), this);
    passesLabel->setBuddy(passes_);
    passes_->setAccessibleName(tr("Passes:"));
    passes_->setRange(1, RescueEngine::kMostPasses);
    passes_->setValue(RescueEngine::kDefaultPasses);
    auto* mapLabel = new QLabel(tr("&Map file:"), this);
    mapLabel->setBuddy(map_);
    map_->setAccessibleName(tr("Map file:"));
    map_->setMinimumWidth(240);
    auto* browse = new QPushButton(tr("&Browse..."), this);
    connect(browse, &QPushButton::clicked, this, &CRescueDlg::browse);

    auto* layout = new QGridLayout(this);
    layout->addWidget(sourceLabel, 0, 0);
    layout->addWidget(source_, 1, 0, 4, 1);
    layout->addWidget(passesLabel, 0, 1);
    layout->addWidget(passes_, 1, 1);
    layout->addWidget(mapLabel, 2, 1);
    layout->addWidget(map_, 3, 1);
    layout->addWidget(browse, 3, 2);
    layout->addWidget(okCancelHelp(this, [this] { emit helpRequested(kHelpTopic); }), 0, 3, 5, 1, Qt::AlignTop);

    source_->fill(drives, prompter, floppyCount, doc.SelectedDrive);
    connect(source_, &QListWidget::itemDoubleClicked, this, &CRescueDlg::accept);
}

int CRescueDlg::passes() const
{
    return passes_->value();
}

QString CRescueDlg::mapFile() const
{
    return map_->text();
}

void CRescueDlg::browse()
{
    const QString file = QFileDialog::getSaveFileName(this, tr("Map file"), map_->text());
    if (!file.isEmpty())
        map_->setText(file);
}

void CRescueDlg::accept()
{
    const int drive = source_->selectedDrive();
    if (drive < 0 || map_->text().isEmpty() || !chooseEarlierMap())
        return;
    doc_.SelectedDrive = static_cast<std::uint8_t>(drive);
    QDialog::accept();
}

bool CRescueDlg::chooseEarlierMap()
{
    earlier_.reset();
    const std::filesystem::path file = map_->text().toStdString();
    if (!std::filesystem::exists(file))
        return true;
    RescueMap map;
    try {
        map = RescueMap::read(file);
    } catch (const Error& e) {
        prompter_.tell(e.what(), Icon::Stop);
        return false;
    }
    // Going on keeps what the map calls read from memory, so it must be asked:
    // a map left by another diskette would mix two diskettes in one image.
    const std::uint32_t read = map.count(RescueMap::State::Read);
    const std::uint32_t left = map.sectors() - read;
    const std::string question = "The map file holds an earlier rescue: " + groupedNumber(read) + " sectors read, " +
                                 groupedNumber(left) + " still to read.\n\nDo you want to go on with it? The sectors "
                                 "it calls read are then kept from the image in memory, which must be that rescue's "
                                 "image. No starts a new map in its place.";
    switch (prompter_.ask(question, Buttons::YesNoCancel, Icon::Question)) {
    case Answer::Yes: earlier_ = std::move(map); return true;
    case Answer::No: return true;
    default: return false;
    }
}

} // namespace vellum
