#include "widgets/DialogBackground.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>
#include <array>

namespace vellum {

namespace {

struct Look {
    DialogBackground::Dialog dialog;
    const char* picture;
    CDib::Mode mode;
};

using D = DialogBackground::Dialog;
constexpr std::array<Look, 5> kLooks = {{
    {D::Load, ":/backgrounds/load.svg", CDib::Mode::Tile},
    {D::Compare, ":/backgrounds/compare.svg", CDib::Mode::Stretch},
    {D::Copy, ":/backgrounds/copy.svg", CDib::Mode::Stretch},
    {D::FormatDmf, ":/backgrounds/format-dmf.svg", CDib::Mode::Tile},
    {D::VolumeLabel, ":/backgrounds/volume-label.svg", CDib::Mode::Tile},
}};

const Look& lookOf(D which)
{
    for (const Look& look : kLooks)
        if (look.dialog == which)
            return look;
    return kLooks.front();
}

} // namespace

DialogBackground::DialogBackground(QWidget* dialog, Dialog which)
    : QObject(dialog), dialog_(dialog), picture_(pictureOf(which)), mode_(modeOf(which))
{
    dialog->installEventFilter(this);
}

CDib::Mode DialogBackground::modeOf(Dialog which)
{
    return lookOf(which).mode;
}

QString DialogBackground::pictureOf(Dialog which)
{
    return QString::fromLatin1(lookOf(which).picture);
}

bool DialogBackground::eventFilter(QObject* watched, QEvent* event)
{
    // Painted first; the dialog's own painting and its children come on top.
    if (watched == dialog_ && event->type() == QEvent::Paint) {
        QPainter painter(dialog_);
        picture_.Draw(painter, dialog_->rect(), mode_);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vellum
