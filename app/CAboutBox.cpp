#include "app/CAboutBox.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <sys/sysinfo.h>

#include "appmodel/WebSite.h"
#include "core/Prompter.h"
#include "version/Version.h"

namespace vellum {

namespace {

constexpr std::uint64_t kKilobyte = 1024;
const std::string kVisitQuestion =
    "Do you want to use your default web browser to visit the Vellum web site?";
const std::string kNoBrowser = std::string("The web browser could not be started automatically.  \n"
                                           "Please visit ") + kWebSite + " by hand.";

QLabel* valueLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

CAboutBox::CAboutBox(Prompter& prompter, QWidget* parent) : QDialog(parent), prompter_(prompter)
{
    setWindowTitle(tr("About Vellum"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/vellum.svg")).pixmap(48, 48));
    auto* name = new QLabel(tr("Vellum Version 2.1"), this);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    auto* release = new QLabel(
        tr("Release %1, licence %2").arg(QString::fromLatin1(kVersion), QString::fromLatin1(kLicence)), this);

    const auto memory = physicalMemory();
    const QString where = QDir::currentPath();
    auto* resources = new QGroupBox(tr("System Resources"), this);
    auto* form = new QFormLayout(resources);
    form->addRow(tr("Available Pysical Memory:  "),
                 valueLabel(memory ? memoryText(*memory) : tr("Unavailable"), resources));
    form->addRow(tr("Available Disk Space:"),
                 valueLabel(freeSpaceText(freeSpace(where.toStdString()), where), resources));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* web = buttons->addButton(tr("WWW Site"), QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(web, &QPushButton::clicked, this, qOverload<>(&CAboutBox::visitWebSite));

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    auto* names = new QVBoxLayout;
    names->addWidget(name);
    names->addWidget(release);
    top->addLayout(names, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(resources);
    layout->addWidget(buttons);
}

QString CAboutBox::memoryText(std::uint64_t bytes)
{
    return QStringLiteral("%1 KB").arg(bytes / kKilobyte);
}

QString CAboutBox::freeSpaceText(std::optional<std::uint64_t> bytes, const QString& where)
{
    if (!bytes)
        return QStringLiteral("Unavailable");
    return QStringLiteral("%1 KB Free on %2").arg(*bytes / kKilobyte).arg(where);
}

std::optional<std::uint64_t> CAboutBox::physicalMemory()
{
    struct sysinfo info {};
    if (sysinfo(&info) != 0)
        return std::nullopt;
    return std::uint64_t{info.totalram} * info.mem_unit;
}

std::optional<std::uint64_t> CAboutBox::freeSpace(const std::filesystem::path& where)
{
    std::error_code ec;
    const auto space = std::filesystem::space(where, ec);
    if (ec)
        return std::nullopt;
    return space.available;
}

void CAboutBox::visitWebSite(Prompter& prompter, const Launcher& browser, const Launcher& fallback)
{
    if (prompter.ask(kVisitQuestion, Buttons::YesNo, Icon::Question) != Answer::Yes)
        return;
    if (browser() || fallback())
        return;
    QApplication::beep();
    prompter.tell(kNoBrowser, Icon::Exclamation);
}

void CAboutBox::visitWebSite()
{
    const QUrl site(QString::fromLatin1(kWebSite));
    visitWebSite(
        prompter_, [&] { return QDesktopServices::openUrl(site); },
        [&] { return QProcess::startDetached(QStringLiteral("xdg-open"), {site.toString()}); });
}

} // namespace vellum
