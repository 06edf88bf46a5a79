#pragma once
// The "Volume Label Operations" dialog on the image in memory: the current
// label, a new one, "Delete Image Label" and "Modify Diskette Label". OK
// with nothing changed asks whether to try again; otherwise it closes and
// applies the change.
#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace vellum {

class CVLMDoc;
class VolumeLabel;

class CVolumeLabelDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHelpTopic = 1078;

    CVolumeLabelDlg(const CVLMDoc& doc, VolumeLabel& label, QWidget* parent = nullptr);

signals:
    void helpRequested(int topic);

public slots:
    void accept() override;

private:
    void deleteToggled(bool on);

    const CVLMDoc& doc_;
    VolumeLabel& label_;
    QLineEdit* text_;
    QCheckBox* delete_;
    QCheckBox* modify_;
    QString original_;
};

} // namespace vellum
