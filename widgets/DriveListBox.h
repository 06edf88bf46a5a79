#pragma once
// The drive list of the diskette dialogs: one entry "Drive X:" per usable
// diskette drive, a large drive picture above the name, drawn on the
// highlight colour when selected and framed when it has the keyboard focus.
// The Load dialog adds one more entry after the drives for an image file.
#include <QListWidget>

namespace vellum {

class DriveBackend;
class Prompter;

class DriveListBox : public QListWidget {
    Q_OBJECT
public:
    static constexpr int kIconSize = 32;

    explicit DriveListBox(QWidget* parent = nullptr);

    // Lists the first floppyCount drives that are diskette drives, and then
    // the image-file entry when asked; selects entry `selected` when it is a
    // drive's, else entry 0.
    void fill(DriveBackend& drives, Prompter& prompter, int floppyCount, int selected, bool imageFileEntry = false);

    // The picture of a drive of this DOS device type; empty for a type that is
    // no diskette drive.
    static QString pictureOf(int deviceType);
    static QString entryText(int drive);
    int driveCount() const { return drives_; }
    // The drive of the selected entry; -1 for the image-file entry or none.
    int selectedDrive() const;

private:
    void addEntry(const QString& text, const QString& picture, int drive);

    int drives_ = 0;
};

} // namespace vellum
