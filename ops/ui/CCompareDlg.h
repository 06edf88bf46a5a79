#pragma once
// The Compare Diskette dialog: the target drive, OK, Cancel and Help. OK
// hands the chosen entry to the view while the dialog stays on screen,
// disabled, then closes it.
#include <QDialog>

class QListWidget;

namespace vellum {

class CCompareDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHelpTopic = 0x10072;

    // Lists drives A: .. for `floppyCount` drives; `selected` is picked when listed.
    CCompareDlg(int selected, int floppyCount, QWidget* parent = nullptr);

    QListWidget* targets() const { return targets_; }

public slots:
    void accept() override;

signals:
    // The entry chosen with OK: a drive, or the count of drives for an image file.
    void targetChosen(int entry);
    void helpRequested(int topic);

private:
    QListWidget* targets_;
};

} // namespace vellum
