#include "app/FormatDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/CVLMDoc.h"
#include "core/StandardFormats.h"
#include "ops/VolumeLabel.h"

namespace vellum {

namespace {

QString capacityText(const StandardFormat& f)
{
    return QStringLiteral("%1 (%2 bytes)").arg(QString::fromUtf8(f.capacity.data(), static_cast<qsizetype>(f.capacity.size())),
                                               QLocale().toString(static_cast<qulonglong>(f.imageBytes())));
}

} // namespace

FormatDialog::FormatDialog(const QString& driveName, const std::vector<const StandardFormat*>& capacities,
                           const StandardFormat* current, bool quickAllowed, Prompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter), capacities_(capacities), capacity_(new QComboBox(this)),
      quick_(new QRadioButton(tr("&Quick (erase)"), this)), full_(new QRadioButton(tr("&Full"), this)),
      label_(new QLineEdit(this))
{
    setWindowTitle(tr("Format - Drive %1").arg(driveName));
    for (const StandardFormat* f : capacities_)
        capacity_->addItem(capacityText(*f));
    const auto at = std::find(capacities_.begin(), capacities_.end(), current);
    capacity_->setCurrentIndex(at == capacities_.end() ? 0 : static_cast<int>(at - capacities_.begin()));

    quick_->setEnabled(quickAllowed);
    (quickAllowed ? quick_ : full_)->setChecked(true);
    label_->setMaxLength(static_cast<int>(kVolumeLabelLength));

    auto* type = new QGroupBox(tr("Format type"), this);
    auto* typeLayout = new QVBoxLayout(type);
    typeLayout->addWidget(quick_);
    typeLayout->addWidget(full_);

    auto* form = new QFormLayout;
    form->addRow(tr("&Capacity:"), capacity_);
    form->addRow(type);
    form->addRow(tr("&Label:"), label_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->addButton(tr("&Start"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

const StandardFormat* FormatDialog::capacity() const
{
    const int i = capacity_->currentIndex();
    return i < 0 ? nullptr : capacities_[static_cast<std::size_t>(i)];
}

bool FormatDialog::quick() const
{
    return quick_->isChecked();
}

QString FormatDialog::label() const
{
    return label_->text().toUpper();
}

void FormatDialog::accept()
{
    if (!VolumeLabel::acceptable(label_->text().toStdString(), prompter_)) {
        label_->setFocus();
        label_->selectAll();
        return;
    }
    QDialog::accept();
}

} // namespace vellum
