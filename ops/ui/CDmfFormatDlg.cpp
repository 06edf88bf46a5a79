#include "ops/ui/CDmfFormatDlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "widgets/DialogBackground.h"
#include "core/CVLMDoc.h"

namespace vellum {

namespace {

QGroupBox* group(const QString& title, std::initializer_list<QWidget*> members, QWidget* parent)
{
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(box);
    auto* buttons = new QButtonGroup(box);
    for (QWidget* member : members) {
        layout->addWidget(member);
        buttons->addButton(static_cast<QRadioButton*>(member));
    }
    return box;
}

} // namespace

CDmfFormatDlg::CDmfFormatDlg(DmfFormat& format, int selectedDrive, QWidget* parent)
    : QDialog(parent), engine_(format), driveA_(new QRadioButton(tr("Drive A:"), this)), driveB_(new QRadioButton(tr("Drive B:"), this)),
      full_(new QRadioButton(tr("Full Format"), this)), quick_(new QRadioButton(tr("Quick Format"), this)),
      label_(new QLineEdit(this))
{
    setWindowTitle(tr("Format DMF Diskette"));
    new DialogBackground(this, DialogBackground::Dialog::FormatDmf);

    auto* labelText = new QLabel(tr(" Volume Label:"), this);
    labelText->setBuddy(label_);
    label_->setAccessibleName(tr("Volume Label:"));
    label_->setMaxLength(static_cast<int>(kVolumeLabelLength));

    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    format_ = buttons->addButton(tr("Format"), QDialogButtonBox::AcceptRole);
    format_->setDefault(true);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setText(tr("Cancel"));
    QPushButton* help = buttons->addButton(tr("Help"), QDialogButtonBox::HelpRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDmfFormatDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDmfFormatDlg::reject);
    connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpTopic); });

    auto* layout = new QGridLayout(this);
    layout->addWidget(group(tr("DMF Capable Drives:"), {driveA_, driveB_}, this), 0, 0);
    auto* options = group(tr("Options:"), {full_, quick_}, this);
    options->layout()->addWidget(labelText);
    options->layout()->addWidget(label_);
    layout->addWidget(options, 0, 1);
    layout->addWidget(buttons, 0, 2, Qt::AlignTop);

    full_->setChecked(true);
    const auto capable = format.capableDrives();
    QRadioButton* radios[] = {driveA_, driveB_};
    for (std::size_t d = 0; d < std::size(radios); ++d)
        radios[d]->setEnabled(capable[d]);
    anyCapable_ = capable[0] || capable[1];
    const std::size_t selected = selectedDrive == 1 ? 1 : 0;
    const std::size_t drive = capable[selected] ? selected : (capable[0] ? 0 : 1);
    if (anyCapable_) {
        radios[drive]->setChecked(true);
        return;
    }
    format_->setEnabled(false);
    cancel->setFocus();
    format.checkDrive(selectedDrive); // tells the user why nothing can be formatted
}

void CDmfFormatDlg::accept()
{
    if (!engine_.checkLabel(label_->text().toStdString())) {
        label_->setFocus();
        label_->selectAll();
        return;
    }
    QDialog::accept();
}

DmfFormatOptions CDmfFormatDlg::options() const
{
    DmfFormatOptions o;
    o.drive = driveB_->isChecked() ? 1 : 0;
    o.fullFormat = full_->isChecked();
    o.label = label_->text().toStdString();
    return o;
}

} // namespace vellum
