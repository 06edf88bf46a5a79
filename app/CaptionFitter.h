#pragma once
// Keeps every dialog at least as wide as a window manager needs to show its
// whole caption beside the title bar's icon and buttons, as the caption is
// set and as the dialog is shown ("Copying and Verifying Diskette").
#include <QObject>

class QWidget;

namespace vellum {

class CaptionFitter : public QObject {
    Q_OBJECT
public:
    // Watches every window of the application.
    explicit CaptionFitter(QObject* parent = nullptr);

    // The width a title bar needs for the caption.
    static int widthFor(const QString& caption);
    static void fit(QWidget* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace vellum
