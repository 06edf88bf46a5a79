#include "app/CMainFrame.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

#include "app/CAboutBox.h"
#include "app/CaptionFitter.h"
#include "app/CTipOfTheDay.h"
#include "app/CVLMView.h"
#include "app/DriveMenu.h"
#include "app/HelpWindow.h"
#include "appmodel/ViewCommands.h"
#include "app/ViewToolBar.h"
#include "core/CVLMDoc.h"
#include "core/Prompter.h"
#include "core/ui/OperationRunner.h"
#include "ops/Progress.h"
#include "splitjoin/ui/JoinSplitSheet.h"

namespace vellum {

namespace {

const QString kProgramName = QStringLiteral("Vellum");
constexpr int kClockMs = 10'000;
constexpr int kHoursPerHalfDay = 12;
// Files a drop opens, by their names: .VLM files, raw images, archive images and packed images.
const QStringList kImageSuffixes = {QStringLiteral("vlm"), QStringLiteral("img"), QStringLiteral("ima"),
                                    QStringLiteral("imd"), QStringLiteral("td0"), QStringLiteral("cqm"),
                                    QStringLiteral("gz"),  QStringLiteral("xz"),  QStringLiteral("zip")};

// The first image file among the dropped ones; empty when there is none.
QString droppedImageFile(const QMimeData* data)
{
    if (data)
        for (const QUrl& url : data->urls())
            if (url.isLocalFile() && kImageSuffixes.contains(QFileInfo(url.toLocalFile()).suffix(), Qt::CaseInsensitive))
                return url.toLocalFile();
    return {};
}

// The Help button a dialog shows, if it has one.
QAbstractButton* helpButtonOf(QWidget* dialog)
{
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
        if (button->isVisible() && button->isEnabled() && QString(button->text()).remove(u'&') == QStringLiteral("Help"))
            return button;
    return nullptr;
}

} // namespace

CMainFrame::CMainFrame(CVLMDoc& doc, Profile& profile, Prompter& prompter, DriveBay& drives, Shell& shell)
    : doc_(doc), profile_(profile), prompter_(prompter), drives_(drives), options_(doc.options, profile),
      view_(new CVLMView(doc, prompter, drives, shell, this)), toolFolders_(SystemTools::standardFolders())
{
    setWindowTitle(kProgramName);
    setWindowIcon(QIcon(QStringLiteral(":/icons/vellum.svg")));
    setAcceptDrops(true);
    setCentralWidget(view_);
    createMenus();
    createStatusBar();
    connect(view_, &CVLMView::exitRequested, this, &CMainFrame::OnExit, Qt::QueuedConnection);
    connect(view_, &CVLMView::helpRequested, this, &CMainFrame::showHelp);
    connect(view_, &CVLMView::message, statusBar(), [this](const QString& text) { statusBar()->showMessage(text); });
    connect(view_, &CVLMView::imageNamed, this, [this](const QString& name) {
        setWindowTitle(name.isEmpty() ? kProgramName : tr("%1 - %2").arg(name, kProgramName));
    });
    // The menus start nothing while an operation runs.
    connect(&view_->runner(), &OperationRunner::busyChanged, menuBar(),
            [this](bool busy) { menuBar()->setEnabled(!busy); });
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(placement(screen->availableGeometry()));
    view_->updateCommands();
    qApp->installEventFilter(this);
    new CaptionFitter(this);
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    // F1 in a dialog presses its Help button; the main window has its own F1.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        QWidget* dialog = QApplication::activeModalWidget();
        if (QAbstractButton* help = dialog ? helpButtonOf(dialog) : nullptr) {
            help->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

QRect CMainFrame::placement(const QRect& screen)
{
    const int w = std::min(std::max(screen.width() * 7 / 10, kMinWidth), screen.width());
    const int h = screen.height() * 7 / 10;
    return {screen.x() + (screen.width() - w) / 2, screen.y() + (screen.height() - h) / 2, w, h};
}

QString CMainFrame::dateText(const QDateTime& now)
{
    return QLocale::c().toString(now.date(), QStringLiteral("dddd, MMMM dd, yyyy "));
}

QString CMainFrame::timeText(const QDateTime& now)
{
    const int hour = now.time().hour();
    const int twelve = hour % kHoursPerHalfDay == 0 ? kHoursPerHalfDay : hour % kHoursPerHalfDay;
    return QStringLiteral("%1:%2  %3 ")
        .arg(twelve, 2, 10, QLatin1Char('0'))
        .arg(now.time().minute(), 2, 10, QLatin1Char('0'))
        .arg(hour < kHoursPerHalfDay ? QStringLiteral("AM") : QStringLiteral("PM"));
}

QAction* CMainFrame::makeCommand(int id, const QString& text, const QString& tip)
{
    auto* action = new QAction(text, this);
    action->setStatusTip(tip);
    action->setData(id); // the context help of a menu item finds its topic by it
    commands_[id] = action;
    return action;
}

QAction* CMainFrame::command(int id) const
{
    const auto it = commands_.find(id);
    return it != commands_.end() ? it->second : view_->command(id);
}

void CMainFrame::createMenus()
{
    createFileMenu();
    createDisketteMenu();
    createOptionsMenu();
    createToolsMenu();
    menuBar()->addMenu(new DriveMenu(doc_, drives_, prompter_, this))->setStatusTip(
        tr("Inserts, ejects and write-protects virtual diskettes"));
    createHelpMenu();
}

void CMainFrame::createFileMenu()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    for (int id : {kCmdNewImage, kCmdOpenImage, kCmdSaveImage})
        file->addAction(view_->command(id));
    file->addSeparator();
    for (int id : {kCmdSaveSelected, kCmdSaveDirectory, kCmdSaveAll, kCmdAddFiles})
        file->addAction(view_->command(id));
    file->addSeparator();
    for (int id : {kCmdPrint, kCmdPrintDirect, kCmdPrintPreview})
        file->addAction(view_->command(id));
    file->addSeparator();
    QAction* exit = makeCommand(kCmdExit, tr("E&xit VLM"), tr("Quits Vellum, asking to save changed options"));
    exit->setShortcut(QKeySequence::Quit);
    connect(exit, &QAction::triggered, this, &CMainFrame::OnExit);
    file->addAction(exit);
}

void CMainFrame::createDisketteMenu()
{
    QMenu* diskette = menuBar()->addMenu(tr("Dis&kette"));
    for (int id : {kCmdLoad, kCmdCopy, kCmdCompare, kCmdRescue})
        diskette->addAction(view_->command(id));
    diskette->addSeparator();
    for (int id : {kCmdFormat, kCmdFormatDmf, kCmdImageLabel, kCmdDisketteLabel})
        diskette->addAction(view_->command(id));
    diskette->addAction(view_->command(kCmdExplore));
    diskette->addSeparator();
    diskette->addAction(view_->command(kCmdInitialize));
    diskette->addAction(view_->command(kCmdRefresh));
}

void CMainFrame::addOption(int id, OptionCommands::Option option, const QString& text, const QString& tip)
{
    QAction* action = makeCommand(id, text, tip);
    action->setCheckable(true);
    optionIds_[id] = option;
    connect(action, &QAction::triggered, this, [this, id] { optionsCommand(id); });
}

void CMainFrame::createOptionsMenu()
{
    using O = OptionCommands::Option;
    addOption(kCmdLoadEntire, O::LoadEntireDiskette, tr("&Load Entire Diskette"),
              tr("When checked, entire diskette will be loaded"));
    addOption(kCmdForceFormat, O::ForceFormat, tr("&Force Format"),
              tr("When checked, diskette will be formatted prior to copy"));
    addOption(kCmdVerifyCopy, O::VerifyCopy, tr("&Verify Copy"),
              tr("When checked, each track will be verified as it is copied"));
    addOption(kCmdKeepDirs, O::KeepDirStructure, tr("&Keep Directory Structure"),
              tr("When checked, the Save All Files command keeps directory structure."));
    const std::pair<int, std::pair<QString, QString>> group[] = {
        {kCmdCheckAll, {tr("&Check All Options"), tr("Turns every option on")}},
        {kCmdResetAll, {tr("&Reset All Options"), tr("Turns every option off but Keep Directory Structure")}},
        {kCmdToggleAll, {tr("To&ggle All Options"), tr("Turns every option the other way")}},
        {kCmdSaveOptions, {tr("&Save Options"), tr("Keeps the options for the next session")}},
        {kCmdRestoreOptions, {tr("Restore &Options"), tr("Takes back the options as they were saved")}},
    };
    for (const auto& [id, texts] : group)
        connect(makeCommand(id, texts.first, texts.second), &QAction::triggered, this, [this, id = id] { optionsCommand(id); });

    QMenu* menu = menuBar()->addMenu(tr("&Options"));
    for (int id : {kCmdLoadEntire, kCmdForceFormat, kCmdVerifyCopy, kCmdKeepDirs})
        menu->addAction(commands_[id]);
    menu->addSeparator();
    for (int id : {kCmdCheckAll, kCmdResetAll, kCmdToggleAll})
        menu->addAction(commands_[id]);
    menu->addSeparator();
    menu->addAction(commands_[kCmdSaveOptions]);
    menu->addAction(commands_[kCmdRestoreOptions]);
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateOptionMarks);
    updateOptionMarks();
}

void CMainFrame::optionsCommand(int id)
{
    if (const auto it = optionIds_.find(id); it != optionIds_.end())
        options_.toggle(it->second);
    else if (id == kCmdCheckAll)
        options_.checkAll();
    else if (id == kCmdResetAll)
        options_.resetAll();
    else if (id == kCmdToggleAll)
        options_.toggleAll();
    else if (id == kCmdSaveOptions)
        options_.save();
    else if (id == kCmdRestoreOptions) {
        options_.restore();
        view_->toolBar().setCopies(doc_.options.NumberCopies);
    }
    updateOptionMarks();
}

void CMainFrame::updateOptionMarks()
{
    for (const auto& [id, option] : optionIds_)
        commands_[id]->setChecked(options_.value(option));
}

void CMainFrame::createToolsMenu()
{
    QMenu* tools = menuBar()->addMenu(tr("&Tools"));
    systemTools_ = tools->addMenu(tr("&System Tools"));
    tools->addSeparator();
    QAction* joinSplit = makeCommand(kCmdJoinSplit, tr("&Join/Split a file"),
                                     tr("Splits a file into diskette-sized pieces, or joins the pieces again"));
    connect(joinSplit, &QAction::triggered, this, &CMainFrame::OnJoinSplit);
    tools->addAction(joinSplit);
    tools->addSeparator();
    for (int id : {kCmdCopyFile, kCmdMoveFile, kCmdDeleteFile})
        tools->addAction(view_->command(id));
    connect(tools, &QMenu::aboutToShow, this, &CMainFrame::rebuildSystemTools);
    rebuildSystemTools();
}

void CMainFrame::rebuildSystemTools()
{
    systemTools_->clear();
    tools_ = SystemTools::find(toolFolders_);
    if (tools_.empty())
        systemTools_->addAction(tr("Empty"))->setEnabled(false);
    for (std::size_t i = 0; i < tools_.size(); ++i)
        connect(systemTools_->addAction(tools_[i].name), &QAction::triggered, this,
                [this, i] { SystemTools::start(tools_[i]); });
    systemTools_->setEnabled(!tools_.empty());
}

void CMainFrame::createHelpMenu()
{
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    QAction* tip = makeCommand(kCmdTipOfTheDay, tr("Ti&p of the Day..."), tr("Shows a tip about Vellum"));
    connect(tip, &QAction::triggered, this, &CMainFrame::OnTipOfTheDay);
    help->addAction(tip);
    help->addSeparator();
    QAction* topics = makeCommand(kCmdHelpIndex, tr("&Help Topics"), tr("Shows how Vellum is used"));
    topics->setShortcut(QKeySequence::HelpContents);
    connect(topics, &QAction::triggered, this, [this] { showHelp(0); });
    help->addAction(topics);
    help->addSeparator();
    QAction* about = makeCommand(kCmdAbout, tr("&About VLM..."), tr("Shows the version and the machine's resources"));
    connect(about, &QAction::triggered, this, &CMainFrame::OnAbout);
    help->addAction(about);
}

void CMainFrame::createStatusBar()
{
    date_ = new QLabel(this);
    time_ = new QLabel(this);
    for (QLabel* pane : {date_, time_}) {
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        statusBar()->addPermanentWidget(pane);
    }
    // A menu prompt that ends leaves the pane empty: it says "Ready" again.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& text) {
        if (text.isEmpty())
            statusBar()->showMessage(tr("Ready"));
    });
    statusBar()->showMessage(tr("Ready"));
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &CMainFrame::updateClock);
    timer->start(kClockMs);
    updateClock();
}

void CMainFrame::updateClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    date_->setText(dateText(now));
    time_->setText(timeText(now));
}

void CMainFrame::OnExit()
{
    if (view_->runner().busy()) {
        cancelThenClose();
        return;
    }
    view_->whenReplaceable([this] {
        leave();
        close();
    });
}

void CMainFrame::leave()
{
    options_.onExit(prompter_);
    leaving_ = true;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    const bool busy = view_->runner().busy();
    if (!leaving_ && !busy && !doc_.imageChanged)
        leave();
    if (leaving_) {
        QMainWindow::closeEvent(event);
        return;
    }
    // Asked after this close event, as only a later one can close the window.
    event->ignore();
    QMetaObject::invokeMethod(this, busy ? &CMainFrame::cancelThenClose : &CMainFrame::OnExit, Qt::QueuedConnection);
}

void CMainFrame::cancelThenClose()
{
    OperationRunner& runner = view_->runner();
    if (!runner.busy()) {
        OnExit();
        return;
    }
    if (std::exchange(closing_, true))
        return;
    if (prompter_.ask(std::string(Progress::kAreYouSure), Buttons::YesNo, Icon::Question) != Answer::Yes) {
        closing_ = false;
        return;
    }
    runner.cancel();
    runner.whenIdle([this] {
        closing_ = false;
        close();
    });
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedImageFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const QString path = droppedImageFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop is over, so the file manager is not kept waiting
    // while questions about the image in memory are asked.
    QMetaObject::invokeMethod(this, [this, path] { view_->openImageFile(path); }, Qt::QueuedConnection);
}

void CMainFrame::OnTipOfTheDay()
{
    CTipOfTheDay(CTipOfTheDay::defaultTipsFile(), profile_, this).exec();
}

void CMainFrame::OnAbout()
{
    CAboutBox(prompter_, this).exec();
}

void CMainFrame::OnJoinSplit()
{
    if (!joinSplit_) {
        joinSplit_ = new JoinSplitSheet(view_->runner(), this);
        connect(joinSplit_, &JoinSplitSheet::helpRequested, this, &CMainFrame::showHelp);
    }
    joinSplit_->exec();
}

void CMainFrame::showHelp(int topic)
{
    // A modal dialog blocks every window but its own: the help window belongs
    // to the dialog open, so that it can be read and scrolled in front of it.
    QWidget* owner = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this;
    if (!help_ || help_->parentWidget() != owner) {
        delete help_;
        help_ = new HelpWindow(owner);
    }
    help_->showTopic(topic);
}

void CMainFrame::bringToFront()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

} // namespace vellum
