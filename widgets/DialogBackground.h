#pragma once
// The picture behind a diskette dialog. Each dialog has its own: Load,
// Format DMF and Volume Label repeat a small pattern; Compare and Copy
// spread a picture over the whole window.
#include <QObject>

#include "widgets/CDib.h"

class QWidget;

namespace vellum {

class DialogBackground : public QObject {
    Q_OBJECT
public:
    enum class Dialog { Load, Compare, Copy, FormatDmf, VolumeLabel };

    // Paints behind `dialog` from now on; owned by it.
    DialogBackground(QWidget* dialog, Dialog which);

    static CDib::Mode modeOf(Dialog which);
    static QString pictureOf(Dialog which);
    CDib::Mode mode() const { return mode_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* dialog_;
    CDib picture_;
    CDib::Mode mode_;
};

} // namespace vellum
