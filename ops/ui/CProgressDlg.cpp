#include "ops/ui/CProgressDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>
#include <utility>

#include "core/Prompter.h"
#include "core/ui/GuiThread.h"

namespace vellum {

namespace {

constexpr int kStatusWidth = 280;
constexpr int kMostStatusWidth = 480;
constexpr int kBarHeight = 20;

QProgressBar* makeBar(QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setTextVisible(false);
    bar->setFixedHeight(kBarHeight);
    return bar;
}

} // namespace

CProgressDlg::CProgressDlg(Prompter& prompter, QWidget* owner)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      Progress(prompter), owner_(owner), prompter_(prompter), status_(new QLabel(this)), copyLabel_(new QLabel(tr("Copy"), this)),
      mainBar_(makeBar(this)), verifyLabel_(new QLabel(tr("Verify"), this)), verifyBar_(makeBar(this))
{
    status_->setAlignment(Qt::AlignCenter);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, &CProgressDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(copyLabel_);
    layout->addWidget(mainBar_);
    layout->addWidget(verifyLabel_);
    layout->addWidget(verifyBar_);
    layout->addSpacing(6);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    status_->setMinimumWidth(kStatusWidth);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CProgressDlg::~CProgressDlg()
{
    Destroy();
}

std::shared_ptr<CProgressDlg> CProgressDlg::shared(Prompter& prompter, QWidget* owner)
{
    return {new CProgressDlg(prompter, owner), [](CProgressDlg* dialog) { dialog->deleteLater(); }};
}

QWidget* CProgressDlg::findOwner() const
{
    if (owner_)
        return owner_;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    const auto tops = QApplication::topLevelWidgets();
    for (QWidget* w : tops)
        if (w->isVisible() && w != this && w->inherits("QMainWindow"))
            return w;
    return nullptr;
}

bool CProgressDlg::openWindow()
{
    GuiThread::call([this] { open(); });
    return true;
}

void CProgressDlg::open()
{
    QWidget* owner = findOwner();
    if (owner && owner->isEnabled()) {
        owner->setEnabled(false);
        disabledOwner_ = owner;
    }
    if (owner) {
        winId();
        windowHandle()->setTransientParent(owner->window()->windowHandle());
        // Laid out first: centred on its size before that, it lands off-centre.
        adjustSize();
        const QRect frame = frameGeometry();
        move(owner->window()->frameGeometry().center() - (frame.center() - frame.topLeft()));
    }
    show();
}

void CProgressDlg::closeWindow()
{
    GuiThread::call([this] {
        hide();
        enableOwner();
    });
}

void CProgressDlg::enableOwner()
{
    if (disabledOwner_)
        disabledOwner_->setEnabled(true);
    disabledOwner_ = nullptr;
}

void CProgressDlg::draw()
{
    const Shown shown{QString::fromStdString(caption()), QString::fromStdString(statusLine()), low(), high(),
                      mainPosition(), verifyPosition(), verifyShown()};
    GuiThread::post(this, [this, shown] { paint(shown); });
}

void CProgressDlg::paint(const Shown& shown)
{
    const QSize before = size();
    setWindowTitle(shown.caption);
    // A long file name is shortened in the middle rather than widening the window.
    status_->setText(status_->fontMetrics().elidedText(shown.status, Qt::ElideMiddle, kMostStatusWidth));
    for (QProgressBar* bar : {mainBar_, verifyBar_})
        bar->setRange(shown.low, shown.high);
    mainBar_->setValue(shown.main);
    verifyBar_->setValue(shown.verify);
    copyLabel_->setVisible(shown.verifyShown);
    verifyLabel_->setVisible(shown.verifyShown);
    verifyBar_->setVisible(shown.verifyShown);
    // A new text or bar changes the size: grow or shrink about the centre.
    adjustSize();
    if (isVisible() && size() != before)
        move(pos() + QPoint(before.width() - width(), before.height() - height()) / 2);
}

void CProgressDlg::reject()
{
    askCancel();
}

void CProgressDlg::askCancel()
{
    // The engine works on meanwhile; it stops at its next check once confirmed.
    if (std::exchange(asking_, true))
        return;
    if (prompter_.ask(std::string(kAreYouSure), Buttons::YesNo, Icon::Question) == Answer::Yes)
        cancelConfirmed();
    asking_ = false;
}

void CProgressDlg::accept()
{
    // No key or message closes the window; the operation does when it ends.
}

void CProgressDlg::closeEvent(QCloseEvent* event)
{
    askCancel();
    event->ignore();
}

} // namespace vellum
