#include "app/CaptionFitter.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDialog>
#include <QEvent>

namespace vellum {

namespace {
// The title bar's icon and its three buttons, with the gaps, in line heights.
constexpr int kTitleBarExtrasInLines = 8;
} // namespace

CaptionFitter::CaptionFitter(QObject* parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

int CaptionFitter::widthFor(const QString& caption)
{
    // Title bars mostly show the caption in bold.
    QFont font = QApplication::font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(caption) + kTitleBarExtrasInLines * metrics.height();
}

void CaptionFitter::fit(QWidget* dialog)
{
    const int width = widthFor(dialog->windowTitle());
    if (dialog->windowTitle().isEmpty() || dialog->minimumWidth() >= width)
        return;
    // A fixed-size dialog takes its size from its layout, which must then ask for the room.
    auto* box = qobject_cast<QBoxLayout*>(dialog->layout());
    const bool vertical = box && (box->direction() == QBoxLayout::TopToBottom || box->direction() == QBoxLayout::BottomToTop);
    if (vertical && box->sizeConstraint() == QLayout::SetFixedSize) {
        box->addStrut(width);
        box->activate();
    } else
        dialog->setMinimumWidth(width);
}

bool CaptionFitter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowTitleChange)
        if (auto* dialog = qobject_cast<QDialog*>(watched); dialog && dialog->isWindow())
            fit(dialog);
    return QObject::eventFilter(watched, event);
}

} // namespace vellum
