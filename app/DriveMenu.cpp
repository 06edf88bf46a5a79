#include "app/DriveMenu.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QStandardPaths>

#include "core/CVLMDoc.h"
#include "core/Error.h"
#include "core/Prompter.h"
#include "drive/DriveBay.h"
#include "drive/DriveSettings.h"
#include "drive/DriveScanner.h"
#include "drive/DriveType.h"
#include "drive/PosixSystemCalls.h"
#include "core/StandardFormats.h"
#include "drive/VirtualMedium.h"
#include "drive/ui/UseDriveDialog.h"

namespace vellum {

namespace {

const QString kImageFilter = QStringLiteral(
    "Diskette Images (*.IMG *.IMA *.VFD);;Archive Images (*.IMD *.TD0 *.CQM *.GZ *.XZ *.ZIP);;All Files (*)");

QString fromView(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

DriveMenu::DriveMenu(CVLMDoc& doc, DriveBay& drives, Prompter& prompter, QWidget* parent)
    : QMenu(tr("&Drive"), parent), doc_(doc), drives_(drives), prompter_(prompter)
{
    medium_ = addAction(QString());
    medium_->setEnabled(false);
    addSeparator();
    insert_ = addAction(tr("&Insert Diskette..."), this, &DriveMenu::insertDiskette);
    insert_->setStatusTip(tr("Puts a diskette image file into the selected virtual drive"));
    eject_ = addAction(tr("&Eject Diskette"), this, &DriveMenu::ejectDiskette);
    eject_->setStatusTip(tr("Takes the diskette out of the selected virtual drive"));
    protect_ = addAction(tr("&Write-Protect"));
    protect_->setCheckable(true);
    protect_->setStatusTip(tr("Sets or clears the write-protect tab of the diskette in the selected drive"));
    connect(protect_, &QAction::triggered, this, &DriveMenu::setWriteProtected);
    addSeparator();
    blank_ = addAction(tr("&New Blank Diskette..."), this, &DriveMenu::newBlankDiskette);
    blank_->setStatusTip(tr("Makes a new unformatted diskette and puts it into the selected virtual drive"));
    addSeparator();
    QAction* use = addAction(tr("&Use Drive..."), this, &DriveMenu::useDrive);
    use->setStatusTip(tr("Chooses a floppy or USB diskette drive of this machine for A: or B:"));
    connect(this, &QMenu::aboutToShow, this, &DriveMenu::refresh);
}

QString DriveMenu::mediaFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

int DriveMenu::drive() const
{
    return doc_.SelectedDrive;
}

QString DriveMenu::driveName() const
{
    return QString::fromStdString(DriveSettings::driveName(drive()));
}

bool DriveMenu::isVirtual() const
{
    return drives_.device(drive()).empty();
}

void DriveMenu::refresh()
{
    drives_.reload();
    const auto medium = drives_.virtualDrives().medium(drive());
    const QString type = fromView(drives_.virtualDrives().driveType(drive()).name);
    if (!isVirtual())
        medium_->setText(tr("%1 is the device %2").arg(driveName(), QString::fromStdString(drives_.device(drive()))));
    else if (medium)
        medium_->setText(tr("%1 (%2): %3").arg(driveName(), type, QString::fromStdString(medium->path().filename().string())));
    else
        medium_->setText(tr("%1 (%2): no diskette").arg(driveName(), type));
    insert_->setEnabled(isVirtual());
    eject_->setEnabled(isVirtual() && medium.has_value());
    protect_->setEnabled(isVirtual() && medium.has_value());
    protect_->setChecked(isVirtual() && drives_.virtualDrives().writeProtected(drive()));
    blank_->setEnabled(isVirtual());
}

void DriveMenu::insert(const QString& path)
{
    try {
        drives_.virtualDrives().insertImage(drive(), path.toStdString(), mediaFolder().toStdString());
    } catch (const Error& e) {
        prompter_.tell(e.what(), Icon::Exclamation);
    }
}

void DriveMenu::insertDiskette()
{
    const QString path = QFileDialog::getOpenFileName(parentWidget(), tr("Insert a Diskette into %1").arg(driveName()),
                                                      mediaFolder(), kImageFilter);
    if (!path.isEmpty())
        insert(path);
}

void DriveMenu::ejectDiskette()
{
    drives_.virtualDrives().eject(drive());
}

void DriveMenu::setWriteProtected(bool on)
{
    drives_.virtualDrives().setWriteProtected(drive(), on);
}

void DriveMenu::newBlankDiskette()
{
    const DriveType& type = drives_.virtualDrives().driveType(drive());
    QStringList names;
    for (const StandardFormat& f : standardFormats())
        if (type.takes(f))
            names << fromView(f.capacity);
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parentWidget(), tr("New Blank Diskette"),
                                                 tr("&Capacity of the new diskette for %1").arg(driveName()), names,
                                                 names.indexOf(fromView(type.native().capacity)), false, &ok);
    if (!ok)
        return;
    QDir().mkpath(mediaFolder());
    const QString suggested = QString::fromStdString(
        VirtualMedium::freeBlankPath(mediaFolder().toStdString(), *formatNamed(chosen.toStdString())).string());
    // An existing file is never replaced: the new diskette needs a name of its own.
    const QString path = QFileDialog::getSaveFileName(parentWidget(), tr("New Blank Diskette"), suggested, kImageFilter,
                                                      nullptr, QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty())
        return;
    try {
        VirtualMedium::createBlank(path.toStdString(), *formatNamed(chosen.toStdString()));
    } catch (const Error& e) {
        prompter_.tell(e.what(), Icon::Exclamation);
        return;
    }
    insert(path);
}

void DriveMenu::useDrive()
{
    PosixSystemCalls system;
    UseDriveDialog dialog(DriveScanner(system).scan(), drive(), parentWidget());
    if (dialog.exec() != QDialog::Accepted)
        return;
    // A drive unplugged since the scan is named in the message.
    try {
        if (dialog.device().empty())
            drives_.useVirtual(dialog.drive());
        else
            drives_.useDevice(dialog.drive(), dialog.device());
    } catch (const Error& e) {
        prompter_.tell(e.what(), Icon::Exclamation);
    }
}

} // namespace vellum
