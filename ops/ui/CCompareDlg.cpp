#include "ops/ui/CCompareDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace vellum {

CCompareDlg::CCompareDlg(int selected, int floppyCount, QWidget* parent)
    : QDialog(parent), targets_(new QListWidget(this))
{
    setWindowTitle(tr("Compare Diskette"));
    auto* label = new QLabel(tr(" Target:"), this);
    label->setBuddy(targets_);
    targets_->setAccessibleName(tr("Target:"));
    for (int d = 0; d < floppyCount; ++d)
        targets_->addItem(tr("Drive %1:").arg(QChar(u'A' + d)));
    targets_->setCurrentRow(selected < targets_->count() ? selected : 0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* help = buttons->addButton(tr("&Help"), QDialogButtonBox::HelpRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCompareDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCompareDlg::reject);
    connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpTopic); });
    connect(targets_, &QListWidget::itemDoubleClicked, this, &CCompareDlg::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(targets_);
    layout->addWidget(buttons);
}

void CCompareDlg::accept()
{
    setEnabled(false);
    emit targetChosen(targets_->currentRow());
    setEnabled(true);
    QDialog::accept();
}

} // namespace vellum
