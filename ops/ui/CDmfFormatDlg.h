#pragma once
// The "Format DMF Diskette" dialog: a DMF-capable drive, a full or quick
// format and a volume label. Format closes it with the choices; the caller
// runs the format.
#include <QDialog>

#include "ops/DmfFormat.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vellum {

class CDmfFormatDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHelpTopic = 1079;

    // Enables the capable drives and checks the selected one (or the first
    // capable one); with none, says so and leaves only Cancel.
    CDmfFormatDlg(DmfFormat& format, int selectedDrive, QWidget* parent = nullptr);

    DmfFormatOptions options() const;
    bool anyCapableDrive() const { return anyCapable_; }

    // A label that cannot be one is told, and the dialog stays open.
    void accept() override;

signals:
    void helpRequested(int topic);

private:
    DmfFormat& engine_;
    QRadioButton* driveA_;
    QRadioButton* driveB_;
    QRadioButton* full_;
    QRadioButton* quick_;
    QLineEdit* label_;
    QPushButton* format_;
    bool anyCapable_ = false;
};

} // namespace vellum
