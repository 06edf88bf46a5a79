#include "app/ViewToolBar.h"

#include <QActionGroup>
#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

#include "appmodel/ViewCommands.h"
#include "drive/DriveType.h"

namespace vellum {

namespace {

constexpr int kImageSize = 32;
constexpr int kCopiesWidth = 50;
constexpr int kCopiesRows = 10;

QIcon icon(const char* name)
{
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
}

} // namespace

ViewToolBar::ViewToolBar(QWidget* parent) : QToolBar(parent), drives_(new QActionGroup(this)), copies_(nullptr)
{
    setObjectName(QStringLiteral("ViewToolBar"));
    setIconSize({kImageSize, kImageSize});
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setMovable(false);
    setFloatable(false);

    addButton(kCmdExitButton, "exit");
    addSeparator();
    addButton(kCmdOpenImage, "open");
    addButton(kCmdSaveImage, "save");
    addSeparator();
    for (int command : {kCmdSelectA, kCmdSelectB}) {
        QAction* drive = addButton(command, command == kCmdSelectA ? "drive-a-525" : "drive-b-35");
        drive->setCheckable(true);
        drives_->addAction(drive);
        // The check selects: a screen reader toggles the button without clicking it.
        disconnect(drive, &QAction::triggered, this, nullptr);
        connect(drive, &QAction::toggled, this, [this, command](bool on) {
            if (on)
                emit triggered(command);
        });
    }
    addSeparator();
    addButton(kCmdLoadNow, "load");
    addButton(kCmdCopyNow, "copy");
    addButton(kCmdCompareNow, "compare");
    addButton(kCmdFormatNow, "format");
    addSeparator();
    addButton(kCmdHelpTask, "help");
    addButton(kCmdHelpContext, "context-help");
    addSeparator();
    addCopiesBox();
    pressDrive(0);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](QPoint point) {
        const int command = commandAt(point);
        if (command == kCmdSelectA || command == kCmdSelectB)
            emit driveMenuRequested(command == kCmdSelectA ? 0 : 1, point);
    });
}

QAction* ViewToolBar::addButton(int command, const char* iconName)
{
    QAction* action = addAction(icon(iconName), QString());
    const QString tip = QString::fromUtf8(ViewCommands::tooltip(command).value_or("").data());
    action->setToolTip(tip);
    action->setStatusTip(tip);
    // A screen reader names the button by its tooltip.
    widgetForAction(action)->setAccessibleName(tip);
    connect(action, &QAction::triggered, this, [this, command] { emit triggered(command); });
    buttons_[command] = action;
    return action;
}

void ViewToolBar::addCopiesBox()
{
    auto* holder = new QWidget(this);
    auto* label = new QLabel(tr("Copies:"), holder);
    copies_ = new QComboBox(holder);
    copies_->setObjectName(QStringLiteral("CopiesBox"));
    for (int n = 1; n <= kMaxCopies; ++n)
        copies_->addItem(QString::number(n));
    // The list mode keeps the drop-down to its visible rows; the style's
    // own popup would show all 99 as a column the height of the screen.
    copies_->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    copies_->setMaxVisibleItems(kCopiesRows);
    copies_->setFixedWidth(kCopiesWidth + 10);
    copies_->setToolTip(tr("Number of diskettes the Copy button writes"));
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(1);
    layout->addWidget(label);
    layout->addWidget(copies_);
    addWidget(holder);
}

QAction* ViewToolBar::button(int command) const
{
    const auto it = buttons_.find(command);
    return it == buttons_.end() ? nullptr : it->second;
}

int ViewToolBar::commandAt(QPoint point) const
{
    const QAction* hit = actionAt(point);
    for (const auto& [command, action] : buttons_)
        if (action == hit)
            return command;
    return 0;
}

void ViewToolBar::showDrives(int typeA, int typeB, int floppyCount)
{
    buttons_[kCmdSelectA]->setIcon(icon(is35InchDrive(typeA) ? "drive-a-35" : "drive-a-525"));
    buttons_[kCmdSelectB]->setIcon(icon(is525InchDrive(typeB) ? "drive-b-525" : "drive-b-35"));
    buttons_[kCmdSelectB]->setVisible(floppyCount > 1);
    pressDrive(0);
}

void ViewToolBar::pressDrive(int drive)
{
    buttons_[drive == 0 ? kCmdSelectA : kCmdSelectB]->setChecked(true);
}

int ViewToolBar::copies() const
{
    return copies_->currentIndex() + 1;
}

void ViewToolBar::setCopies(int copies)
{
    copies_->setCurrentIndex(copies - 1);
}

} // namespace vellum
