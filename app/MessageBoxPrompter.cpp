#include "app/MessageBoxPrompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include "ops/ui/CProgressDlg.h"

namespace vellum {

namespace {

const QString kCaption = QStringLiteral("Vellum");
constexpr int kGap = 8;

// The progress window of the operation under way, if one is open.
QWidget* openProgressWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && qobject_cast<CProgressDlg*>(w))
            return w;
    return nullptr;
}

// Below the progress window, or above it where the screen ends, so the
// question never hides the bars it is about.
void placeBeside(QMessageBox& box, const QWidget& progress)
{
    box.adjustSize();
    const QRect owner = progress.frameGeometry();
    QPoint at(owner.center().x() - box.width() / 2, owner.bottom() + kGap);
    const QScreen* screen = progress.screen();
    if (screen && at.y() + box.height() > screen->availableGeometry().bottom())
        at.setY(owner.top() - kGap - box.height());
    box.move(at);
}

QMessageBox::StandardButtons standardButtons(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return QMessageBox::Ok;
    case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon boxIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Stop: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

Answer answerOf(int button)
{
    switch (button) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Retry: return Answer::Retry;
    default: return Answer::Cancel;
    }
}

} // namespace

Answer MessageBoxPrompter::ask(const std::string& text, Buttons buttons, Icon icon)
{
    QWidget* progress = openProgressWindow();
    QMessageBox box(boxIcon(icon), kCaption, QString::fromStdString(text), standardButtons(buttons),
                    progress ? progress : QApplication::activeWindow());
    if (progress)
        placeBeside(box, *progress);
    return answerOf(box.exec());
}

} // namespace vellum
