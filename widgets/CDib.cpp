#include "widgets/CDib.h"

#include <QPainter>
#include <QPixmap>

namespace vellum {

bool CDib::Load(const QString& path)
{
    image_ = QImage(path);
    return isLoaded();
}

void CDib::Draw(QPainter& painter, const QRect& destination, Mode mode) const
{
    if (!isLoaded())
        return;
    switch (mode) {
    case Mode::Tile:
        painter.drawTiledPixmap(destination, QPixmap::fromImage(image_));
        break;
    case Mode::Centre: {
        QRect placed(QPoint(), image_.size());
        placed.moveCenter(destination.center());
        painter.drawImage(placed, image_);
        break;
    }
    case Mode::Stretch:
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(destination, image_);
        break;
    }
}

} // namespace vellum
