#pragma once
// The Rescue dialog: the drive to read, how many passes the rescue makes and
// where its GNU ddrescue map goes. A map that is there already may be gone
// on with. OK makes the chosen drive the document's SelectedDrive; the
// caller then runs the rescue.
#include <QDialog>
#include <optional>

#include "ops/RescueMap.h"

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
    // The map to go on with; none for a new one.
    const std::optional<RescueMap>& earlierMap() const { return earlier_; }

signals:
    void helpRequested(int topic);

public slots:
    void accept() override;

private:
    void browse();
    // False when the user keeps the dialog open.
    bool chooseEarlierMap();

    CVLMDoc& doc_;
    Prompter& prompter_;
    DriveListBox* source_;
    QSpinBox* passes_;
    QLineEdit* map_;
    std::optional<RescueMap> earlier_;
};

} // namespace vellum
