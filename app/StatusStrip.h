#pragma once
// One of the view's two status bars: two parts side by side, the first half
// the width, the second reaching the right edge.
#include <QFrame>

class QLabel;

namespace vellum {

class StatusStrip : public QFrame {
    Q_OBJECT
public:
    enum class Style { Flat, Sunken };

    explicit StatusStrip(Style style, QWidget* parent = nullptr);

    void setTexts(const QString& first, const QString& second);
    QString text(int part) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* makePart(Style style);

    QLabel* first_;
    QLabel* second_;
};

} // namespace vellum
