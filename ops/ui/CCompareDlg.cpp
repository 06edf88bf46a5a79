#include "ops/ui/CCompareDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

#include "widgets/DialogBackground.h"
#include "widgets/DriveListBox.h"
#include "widgets/DialogButtons.h"

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

    QDialogButtonBox* buttons = okCancelHelp(this, [this] { emit helpRequested(kHelpTopic); }, tr("&Help"));
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
