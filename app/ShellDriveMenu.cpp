#include "app/ShellDriveMenu.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QInputDialog>
#include <QMenu>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QWidget>

#include "app/FormatDialog.h"
#include "core/ui/GuiThread.h"
#include "core/CVLMDoc.h"
#include "core/Prompter.h"
#include "drive/DriveBay.h"
#include "drive/DriveSettings.h"
#include "drive/DriveStatus.h"
#include "drive/DriveType.h"
#include "core/StandardFormats.h"
#include "drive/VirtualMedium.h"
#include "ops/VolumeLabel.h"

namespace vellum {

namespace {

constexpr int kDmfFormatCode = 18;

std::string text(const QString& s)
{
    return s.toStdString();
}

char letterOf(int drive)
{
    return static_cast<char>('A' + drive);
}

QString driveName(int drive)
{
    return QString::fromStdString(DriveSettings::driveName(drive));
}

// The standard capacities the drive takes; DMF has its own command.
std::vector<const StandardFormat*> capacitiesOf(const DriveType& type)
{
    std::vector<const StandardFormat*> list;
    for (const StandardFormat& f : standardFormats())
        if (type.takes(f) && f.formatCode != kDmfFormatCode)
            list.push_back(&f);
    return list;
}

void showText(QWidget* owner, const QString& title, const QString& body)
{
    GuiThread::call([&] {
        QDialog dialog(owner);
        dialog.setWindowTitle(title);
        auto* view = new QPlainTextEdit(body, &dialog);
        view->setReadOnly(true);
        view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        view->setMinimumSize(560, 360);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(view);
        layout->addWidget(buttons);
        dialog.exec();
    });
}

} // namespace

ShellDriveMenu::ShellDriveMenu(QWidget* owner, Shell& shell, DriveBay& drives, Prompter& prompter)
    : owner_(owner), shell_(shell, &drives.drives()), drives_(drives), prompter_(prompter)
{
}

std::optional<std::pair<int, QString>> ShellDriveMenu::split(const QString& path)
{
    if (path.size() < 3 || path[1] != u':' || path[2] != u'\\')
        return std::nullopt;
    const int drive = path[0].toLower().unicode() - u'a';
    if (drive < 0 || drive >= DriveBackend::kDrives)
        return std::nullopt;
    QString file = path.mid(3).replace(u'\\', u'/');
    if (file == QStringLiteral("."))
        file.clear();
    return std::pair{drive, file};
}

std::optional<DisketteShell::Target> ShellDriveMenu::targetOf(int drive) const
{
    if (const std::string& device = drives_.device(drive); !device.empty())
        return DisketteShell::Target{device, true, drive};
    const auto medium = drives_.virtualDrives().medium(drive);
    if (!medium || medium->state() == VirtualMedium::State::Missing)
        return std::nullopt;
    return DisketteShell::Target{medium->path().string(), false, drive};
}

bool ShellDriveMenu::diskettePresent(int drive) const
{
    const auto target = targetOf(drive);
    return target && QFileInfo::exists(QString::fromStdString(target->path));
}

int ShellDriveMenu::operator()(const QString& path, QPoint point, int mode, bool directory)
{
    const auto where = split(path);
    if (!where)
        return kNothing;
    const auto [drive, file] = *where;
    if (!diskettePresent(drive)) {
        prompter_.tell("Drive " + DriveSettings::driveName(drive) +
                           " holds no diskette.  Insert one with the Drive menu first.",
                       Icon::Exclamation);
        return kNothing;
    }
    switch (mode) {
    case kExplore: return explore(drive);
    case kLabel: return changeLabel(drive);
    case kFormat:
    case kFormatDefault: return format(drive);
    default: return showMenu(drive, file, point, directory);
    }
}

int ShellDriveMenu::showMenu(int drive, const QString& file, QPoint point, bool directory)
{
    const Choice chosen = choose(file.isEmpty(), point);
    switch (chosen) {
    case Choice::Explore: return explore(drive);
    case Choice::Format: return format(drive);
    case Choice::Label: return changeLabel(drive);
    case Choice::Rename: return refuseWhenProtected(drive) ? kNothing : kRename;
    case Choice::Remove: return removeFile(drive, file, directory);
    case Choice::Properties: return showProperties(drive, file);
    case Choice::Nothing: break;
    }
    return kNothing;
}

ShellDriveMenu::Choice ShellDriveMenu::choose(bool root, QPoint point)
{
    Choice chosen = Choice::Nothing;
    GuiThread::call([&] {
        QMenu menu(owner_);
        const auto item = [&](const QString& text, Choice choice) {
            QObject::connect(menu.addAction(text), &QAction::triggered, [&chosen, choice] { chosen = choice; });
        };
        if (root) {
            item(QObject::tr("&Explore"), Choice::Explore);
            item(QObject::tr("&Format..."), Choice::Format);
            item(QObject::tr("Diskette La&bel..."), Choice::Label);
        } else {
            item(QObject::tr("Re&name"), Choice::Rename);
            item(QObject::tr("&Delete"), Choice::Remove);
            menu.addSeparator();
            item(QObject::tr("P&roperties"), Choice::Properties);
        }
        menu.exec(owner_->mapToGlobal(point));
    });
    return chosen;
}

bool ShellDriveMenu::refuseWhenProtected(int drive)
{
    if (!drives_.device(drive).empty() || !drives_.virtualDrives().writeProtected(drive))
        return false;
    prompter_.tell("The diskette in drive " + DriveSettings::driveName(drive) +
                       " is write-protected.  Remove the protection with the Drive menu and try again.",
                   Icon::Exclamation);
    return true;
}

bool ShellDriveMenu::report(const Shell::Result& result, const QString& what)
{
    if (result.ok())
        return true;
    prompter_.tell(text(what) + " failed.\n\n" + DisketteShell::reason(result), Icon::Exclamation);
    return false;
}

int ShellDriveMenu::format(int drive)
{
    if (refuseWhenProtected(drive))
        return kNothing;
    const auto target = targetOf(drive);
    const DriveType& type = typeOf(drive);
    const auto medium = drives_.virtualDrives().medium(drive);
    const StandardFormat* current = medium ? medium->format() : &type.native();
    const bool formatted = target->device || (medium && medium->state() == VirtualMedium::State::Formatted);
    const StandardFormat* capacity = nullptr;
    bool full = true;
    QString label;
    GuiThread::call([&] {
        FormatDialog dialog(driveName(drive), capacitiesOf(type), current, formatted, prompter_, owner_);
        if (dialog.exec() != QDialog::Accepted)
            return;
        capacity = dialog.capacity();
        // A diskette of another capacity is laid down anew, which only a full format does.
        full = !dialog.quick() || capacity != current;
        label = dialog.label();
    });
    if (!capacity)
        return kNothing;
    const auto result = shell_.format(*target, *capacity, full, text(label));
    return report(result, QObject::tr("Formatting the diskette in drive %1").arg(driveName(drive))) ? kCarriedOut
                                                                                                   : kNothing;
}

const DriveType& ShellDriveMenu::typeOf(int drive) const
{
    // A real drive tells its own type (a USB diskette drive is a 1.44 MB drive).
    if (drives_.device(drive).empty())
        return drives_.virtualDrives().driveType(drive);
    DriveParameters native;
    const int status = drives_.drives().parameters(drive, kDriveDefaultBpb, native);
    drives_.drives().releaseDrive(drive); // the format's own tools open the device next
    const DriveType* type = status == kStatusOk ? driveTypeOf(native.deviceType) : nullptr;
    return type ? *type : drives_.virtualDrives().driveType(drive);
}

int ShellDriveMenu::changeLabel(int drive)
{
    if (refuseWhenProtected(drive))
        return kNothing;
    const auto target = targetOf(drive);
    QString label = QString::fromStdString(shell_.label(*target).value_or(""));
    // Asked again until the text can be a label, or the question is cancelled.
    do {
        bool ok = false;
        GuiThread::call([&] {
            label = QInputDialog::getText(owner_, QObject::tr("Diskette Label - Drive %1").arg(driveName(drive)),
                                          QObject::tr("&Label (up to %1 characters, empty for none):").arg(kVolumeLabelLength),
                                          QLineEdit::Normal, label, &ok);
        });
        if (!ok)
            return kNothing;
    } while (!VolumeLabel::acceptable(text(label), prompter_));
    const std::string chosen = text(label.toUpper());
    return report(shell_.setLabel(*target, chosen), QObject::tr("Changing the label")) ? kCarriedOut : kNothing;
}

int ShellDriveMenu::explore(int drive)
{
    const Shell::Result listing = shell_.listing(*targetOf(drive));
    if (!report(listing, QObject::tr("Reading the diskette in drive %1").arg(driveName(drive))))
        return kNothing;
    showText(owner_, QObject::tr("Diskette in Drive %1").arg(driveName(drive)), QString::fromStdString(DisketteShell::inDriveTerms(listing.output, letterOf(drive))));
    return kNothing; // a look changes nothing on the diskette
}

int ShellDriveMenu::removeFile(int drive, const QString& file, bool directory)
{
    if (refuseWhenProtected(drive))
        return kNothing;
    const std::string question = directory ? "Are you sure you want to delete the folder \"" + text(file) +
                                                 "\" and everything in it from the diskette?"
                                           : "Are you sure you want to delete \"" + text(file) + "\" from the diskette?";
    if (prompter_.ask(question, Buttons::YesNo, Icon::Question) != Answer::Yes)
        return kNothing;
    return report(shell_.remove(*targetOf(drive), text(file), directory), QObject::tr("Deleting %1").arg(file))
               ? kCarriedOut
               : kNothing;
}

int ShellDriveMenu::showProperties(int drive, const QString& file)
{
    const Shell::Result shown = shell_.properties(*targetOf(drive), text(file));
    if (!report(shown, QObject::tr("Reading %1").arg(file)))
        return kNothing;
    showText(owner_, QObject::tr("Properties of %1").arg(file), QString::fromStdString(DisketteShell::inDriveTerms(shown.output, letterOf(drive))));
    return kNothing; // a look changes nothing on the diskette
}

bool ShellDriveMenu::rename(int drive, const QString& from, const QString& to)
{
    const auto target = targetOf(drive);
    if (!target || refuseWhenProtected(drive))
        return false;
    const QString source = QString(from).replace(u'\\', u'/');
    const QString destination = QString(to).replace(u'\\', u'/');
    return report(shell_.rename(*target, text(source), text(destination)),
                  QObject::tr("Renaming %1 to %2").arg(source, destination));
}

} // namespace vellum
