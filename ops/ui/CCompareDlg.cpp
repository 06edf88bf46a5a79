#include "ops/ui/CCompareDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "app/DialogBackground.h"
#include "app/DriveListBox.h"

namespace vellum {

namespace {

constexpr int kListWidth = 110;

} // namespace

CCompareDlg::CCompareDlg(DriveBackend& drives, Prompter& prompter, int floppyCount, int selected, QWidget* parent)
    : QDialog(parent), targets_(new DriveListBox(this))
{
    setWindowTitle(tr("Compare Diskette"));
    new DialogBackground(this, DialogBackground::Dialog::Compare);
    auto* label = new QLabel(tr(" Target:"), this);
    label->setBuddy(targets_);
    targets_->setAccessibleName(tr("Target:"));
    targets_->setFixedWidth(kListWidth);
    targets_->fill(drives, prompter, floppyCount, selected);

    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    buttons->addButton(QDialogButtonBox::Ok)->setText(tr("OK"));
    buttons->addButton(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    QPushButton* help = buttons->addButton(tr("&Help"), QDialogButtonBox::HelpRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCompareDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCompareDlg::reject);
    connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpTopic); });
    connect(targets_, &QListWidget::itemDoubleClicked, this, &CCompareDlg::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(targets_, 1, 0);
    layout->addWidget(buttons, 1, 1, Qt::AlignTop);
}

void CCompareDlg::accept()
{
    if (const int drive = targets_->selectedDrive(); drive >= 0) {
        setEnabled(false);
        emit targetChosen(drive);
        setEnabled(true);
    }
    QDialog::accept();
}

} // namespace vellum
