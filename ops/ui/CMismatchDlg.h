#pragma once
// The Diskette Mismatch dialog: where the difference is, the sector that
// holds it as read from the diskette and as held in memory (in hexadecimal
// or as characters, the line of the difference selected), how the compare
// goes on, and the two sectors printed or saved as a text file.
#include <QDialog>
#include <QString>

#include "ops/MismatchDialog.h"

class QGridLayout;
class QLabel;
class QListWidget;
class QRadioButton;

namespace vellum {

class Prompter;

class CMismatchDlg : public QDialog, public MismatchDialog {
    Q_OBJECT
public:
    static constexpr int kHelpTopic = 0x10471;

    explicit CMismatchDlg(Prompter& prompter, QWidget* parent = nullptr);

    // Shows the difference on the GUI thread and waits: true for "Resume Compare".
    bool run(MismatchReport& report) override;
    // Fills the dialog for a difference in its opening state, as run does before it waits.
    void present(MismatchReport& report);

    // Writes the report of the difference shown; a failure is told with the
    // path and leaves the dialog open.
    bool saveReport(const QString& path);

    QListWidget* disketteList() const { return disketteList_; }
    QListWidget* memoryList() const { return memoryList_; }

signals:
    // "Print" with "Printer" chosen: the view prints the two sectors.
    void printRequested();
    void helpRequested(int topic);

private:
    void buildLocation(QGridLayout* grid);
    void buildData(QGridLayout* grid);
    void buildChoices(QGridLayout* grid);
    void fillLists();
    void print();
    QString askReportPath();

    Prompter& prompter_;
    MismatchReport* report_ = nullptr;
    QLabel* area_;
    QLabel* track_;
    QLabel* sector_;
    QLabel* offset_;
    QLabel* tracksPerDisk_;
    QLabel* sectorsPerTrack_;
    QLabel* bytesPerSector_;
    QListWidget* disketteList_;
    QListWidget* memoryList_;
    QRadioButton* hexadecimal_;
    QRadioButton* nextTrack_;
    QRadioButton* printer_;
};

} // namespace vellum
