#pragma once
// The Rescue dialog: the drive to read, how many passes the rescue makes and
// where its GNU ddrescue map goes. OK makes the chosen drive the document's
// SelectedDrive; the caller then runs the rescue.
#include <QDialog>

class QLineEdit;
class QSpinBox;

namespace vellum {

class CVLMDoc;
class DriveBackend;
class DriveListBox;
class Prompter;

class CRescueDlg : public QDialog {
    Q_OBJECT
public:
    CRescueDlg(CVLMDoc& doc, DriveBackend& drives, Prompter& prompter, int floppyCount, QWidget* parent = nullptr);

    int passes() const;
    QString mapFile() const;

signals:
    void helpRequested(int topic);

public slots:
    void accept() override;

private:
    void browse();

    CVLMDoc& doc_;
    DriveListBox* source_;
    QSpinBox* passes_;
    QLineEdit* map_;
};

} // namespace vellum
