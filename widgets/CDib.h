#pragma once
// A picture drawn behind a dialog: repeated from the top-left corner
// (tile), once in the middle (centre) or spread over the whole rectangle
// (stretch).
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;

namespace vellum {

class CDib {
public:
    enum class Mode { Tile, Centre, Stretch };

    CDib() = default;
    explicit CDib(const QString& path) { Load(path); }

    // False when the picture cannot be read; nothing is drawn then.
    bool Load(const QString& path);
    void Release() { image_ = {}; }
    QSize GetSize() const { return image_.size(); }
    bool isLoaded() const { return !image_.isNull(); }

    void Draw(QPainter& painter, const QRect& destination, Mode mode) const;

private:
    QImage image_;
};

} // namespace vellum
