#include "app/CTipOfTheDay.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/DataFile.h"
#include "appmodel/TipFile.h"

namespace vellum {

namespace {

const QString kMissingFile = QStringLiteral("Tips file does not exist in the prescribed directory");
const QString kTrouble = QStringLiteral("Trouble reading the tips file");
const QString kNoTips = QStringLiteral("The tips file holds no tips: every line of it is blank or a comment.");
const QString kTipsFileName = QStringLiteral("tips.txt");
constexpr int kTipWidth = 360;
constexpr int kTipHeight = 140;

} // namespace

CTipOfTheDay::CTipOfTheDay(const std::filesystem::path& tipsFile, Profile& profile, QWidget* parent)
    : QDialog(parent), profile_(profile), tips_(std::make_unique<TipFile>(tipsFile, profile)), tip_(new QLabel(this)),
      showAtStartUp_(new QCheckBox(tr("&Show Tips on StartUp"), this)), next_(new QPushButton(tr("&Next Tip"), this))
{
    setWindowTitle(tr("Tip of the Day"));
    showAtStartUp_->setChecked(TipFile::showAtStartUp(profile));
    auto* close = new QPushButton(tr("&Close"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &CTipOfTheDay::accept);
    connect(next_, &QPushButton::clicked, this, &CTipOfTheDay::showNextTip);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(showAtStartUp_);
    buttons->addStretch();
    buttons->addWidget(next_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeTipPanel());
    layout->addLayout(buttons);

    if (tips_->isOpen()) {
        showNextTip();
    } else {
        tip_->setText(kMissingFile);
        next_->setEnabled(false);
    }
}

CTipOfTheDay::~CTipOfTheDay() = default;

QWidget* CTipOfTheDay::makeTipPanel()
{
    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(white);

    auto* bulb = new QLabel(panel);
    bulb->setPixmap(QIcon(QStringLiteral(":/icons/bulb.svg")).pixmap(32, 32));
    bulb->setAlignment(Qt::AlignTop);
    auto* heading = new QLabel(tr("Did you know..."), panel);
    QFont big = heading->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    heading->setFont(big);
    tip_->setParent(panel);
    tip_->setWordWrap(true);
    tip_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    tip_->setTextFormat(Qt::PlainText);
    tip_->setMinimumSize(kTipWidth, kTipHeight);

    auto* text = new QVBoxLayout;
    text->addWidget(heading);
    text->addWidget(tip_, 1);
    auto* layout = new QHBoxLayout(panel);
    layout->addWidget(bulb, 0, Qt::AlignTop);
    layout->addLayout(text, 1);
    return panel;
}

std::filesystem::path CTipOfTheDay::defaultTipsFile()
{
    return locateDataFile(kTipsFileName).toStdString();
}

QString CTipOfTheDay::tipText() const
{
    return tip_->text();
}

void CTipOfTheDay::showNextTip()
{
    const auto tip = tips_->next();
    tip_->setText(tip ? QString::fromStdString(*tip) : tips_->trouble() ? kTrouble : kNoTips);
    next_->setEnabled(tip.has_value());
}

void CTipOfTheDay::accept()
{
    TipFile::setShowAtStartUp(profile_, showAtStartUp_->isChecked());
    QDialog::accept();
}

} // namespace vellum
