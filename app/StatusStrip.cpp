#include "app/StatusStrip.h"

#include <QLabel>
#include <QResizeEvent>

namespace vellum {

namespace {
constexpr int kHeight = 20;
}

StatusStrip::StatusStrip(Style style, QWidget* parent)
    : QFrame(parent), first_(makePart(style)), second_(makePart(style))
{
    setFixedHeight(kHeight);
}

QLabel* StatusStrip::makePart(Style style)
{
    auto* part = new QLabel(this);
    part->setFrameShape(style == Style::Sunken ? QFrame::Panel : QFrame::NoFrame);
    part->setFrameShadow(QFrame::Sunken);
    part->setTextFormat(Qt::PlainText);
    // The texts are laid out with leading blanks, as on a status bar.
    part->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return part;
}

void StatusStrip::setTexts(const QString& first, const QString& second)
{
    first_->setText(first);
    second_->setText(second);
}

QString StatusStrip::text(int part) const
{
    return (part == 0 ? first_ : second_)->text();
}

void StatusStrip::resizeEvent(QResizeEvent* event)
{
    const int half = event->size().width() / 2;
    first_->setGeometry(0, 0, half, height());
    second_->setGeometry(half, 0, event->size().width() - half, height());
}

} // namespace vellum
