#pragma once
// "Use Drive": the diskette drives found on this machine, scanned afresh
// each time the dialog opens, and the drive letter to give the chosen one.
// The first row makes the letter a virtual drive again.
#include <QDialog>
#include <string>
#include <vector>

#include "drive/DriveScanner.h"

class QButtonGroup;
class QListWidget;

namespace vellum {

class UseDriveDialog : public QDialog {
    Q_OBJECT
public:
    UseDriveDialog(std::vector<FoundDrive> found, int drive, QWidget* parent = nullptr);

    // The letter chosen: 0 for A:, 1 for B:.
    int drive() const;
    // The chosen drive's device; empty for a virtual drive.
    std::string device() const;

private:
    std::vector<FoundDrive> found_;
    QListWidget* list_;
    QButtonGroup* letters_;
};

} // namespace vellum
