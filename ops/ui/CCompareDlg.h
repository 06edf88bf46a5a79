#pragma once
// The Compare Diskette dialog: the target drive, OK, Cancel and Help. OK
// hands the chosen drive to the view while the dialog stays on screen,
// disabled, then closes it.
#include <QDialog>

namespace vellum {

class DriveBackend;
class DriveListBox;
class Prompter;

class CCompareDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHelpTopic = 0x10072;

    CCompareDlg(DriveBackend& drives, Prompter& prompter, int floppyCount, int selected, QWidget* parent = nullptr);

    DriveListBox* targets() const { return targets_; }

public slots:
    void accept() override;

signals:
    // OK with a drive chosen: 0 = A:, 1 = B:.
    void targetChosen(int drive);
    void helpRequested(int topic);

private:
    DriveListBox* targets_;
};

} // namespace vellum
