#include "drive/ui/UseDriveDialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "drive/DriveBackend.h"
#include "drive/DriveSettings.h"

namespace vellum {

namespace {

QString describe(const FoundDrive& drive)
{
    const QString device = QString::fromStdString(drive.device);
    if (drive.kind == FoundDrive::Kind::Floppy)
        return QObject::tr("%1  floppy drive, %2")
            .arg(device, drive.type.empty() ? QObject::tr("type unknown") : QString::fromStdString(drive.type));
    return QObject::tr("%1  USB diskette drive, %2 %3")
        .arg(device, QString::fromStdString(drive.vendor), QString::fromStdString(drive.model));
}

} // namespace

UseDriveDialog::UseDriveDialog(std::vector<FoundDrive> found, int drive, QWidget* parent)
    : QDialog(parent), found_(std::move(found)), list_(new QListWidget(this)), letters_(new QButtonGroup(this))
{
    setWindowTitle(tr("Use Drive"));
    auto* label = new QLabel(found_.empty() ? tr("No diskette drive was found on this machine.")
                                            : tr("&Drives found on this machine:"),
                             this);
    label->setBuddy(list_);
    list_->setAccessibleName(tr("Drives found on this machine"));
    list_->addItem(tr("Virtual drive (diskette image files)"));
    for (const FoundDrive& f : found_)
        list_->addItem(describe(f));
    list_->setCurrentRow(found_.empty() ? 0 : 1);
    list_->setMinimumWidth(420);

    auto* letters = new QHBoxLayout;
    letters->addWidget(new QLabel(tr("Use it as:"), this));
    for (int d = 0; d < DriveBackend::kDrives; ++d) {
        auto* button = new QRadioButton(QStringLiteral("&") + QString::fromStdString(DriveSettings::driveName(d)), this);
        button->setChecked(d == drive);
        letters_->addButton(button, d);
        letters->addWidget(button);
    }
    letters->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(list_);
    layout->addLayout(letters);
    layout->addWidget(buttons);
}

int UseDriveDialog::drive() const
{
    return letters_->checkedId();
}

std::string UseDriveDialog::device() const
{
    const int row = list_->currentRow();
    return row >= 1 && static_cast<std::size_t>(row) <= found_.size() ? found_[static_cast<std::size_t>(row) - 1].device
                                                                       : std::string();
}

} // namespace vellum
