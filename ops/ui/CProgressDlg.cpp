#include "ops/ui/CProgressDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

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
      Progress(prompter), owner_(owner), status_(new QLabel(this)), copyLabel_(new QLabel(tr("Copy"), this)),
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
    return true;
}

void CProgressDlg::closeWindow()
{
    hide();
    enableOwner();
}

void CProgressDlg::enableOwner()
{
    if (disabledOwner_)
        disabledOwner_->setEnabled(true);
    disabledOwner_ = nullptr;
}

void CProgressDlg::draw()
{
    const QSize before = size();
    setWindowTitle(QString::fromStdString(caption()));
    // A long file name is shortened in the middle rather than widening the window.
    status_->setText(status_->fontMetrics().elidedText(QString::fromStdString(statusLine()), Qt::ElideMiddle,
                                                       kMostStatusWidth));
    for (QProgressBar* bar : {mainBar_, verifyBar_})
        bar->setRange(low(), high());
    mainBar_->setValue(mainPosition());
    verifyBar_->setValue(verifyPosition());
    copyLabel_->setVisible(verifyShown());
    verifyLabel_->setVisible(verifyShown());
    verifyBar_->setVisible(verifyShown());
    // A new text or bar changes the size: grow or shrink about the centre.
    adjustSize();
    if (isVisible() && size() != before)
        move(pos() + QPoint(before.width() - width(), before.height() - height()) / 2);
}

void CProgressDlg::PumpMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void CProgressDlg::reject()
{
    requestCancel();
}

void CProgressDlg::accept()
{
    // No key or message closes the window; the operation does when it ends.
}

void CProgressDlg::closeEvent(QCloseEvent* event)
{
    requestCancel();
    event->ignore();
}

} // namespace vellum
