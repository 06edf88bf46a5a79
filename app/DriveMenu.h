#pragma once
// The "&Drive" menu: the virtual diskettes of the selected drive. It puts an
// image file in, takes it out, sets the write-protect tab, and makes a new
// blank (unformatted) diskette of a chosen capacity; or it gives the drive
// letter to a floppy or USB diskette drive of this machine.
#include <QMenu>

namespace vellum {

class CVLMDoc;
class DriveBay;
class Prompter;

class DriveMenu : public QMenu {
    Q_OBJECT
public:
    DriveMenu(CVLMDoc& doc, DriveBay& drives, Prompter& prompter, QWidget* parent = nullptr);

    // New blank diskettes go here unless the user picks another folder.
    static QString mediaFolder();

public slots:
    void insertDiskette();
    void ejectDiskette();
    void setWriteProtected(bool on);
    void newBlankDiskette();
    void useDrive();

private:
    void refresh();
    int drive() const;
    QString driveName() const;
    bool isVirtual() const;
    void insert(const QString& path);

    CVLMDoc& doc_;
    DriveBay& drives_;
    Prompter& prompter_;
    QAction* medium_;
    QAction* insert_;
    QAction* eject_;
    QAction* protect_;
    QAction* blank_;
};

} // namespace vellum
