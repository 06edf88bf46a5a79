#pragma once
// The main view's toolbar: exit, open and save, the A:/B: pair, load, copy,
// compare and format, the two help buttons, and the number of copies.
#include <QToolBar>
#include <map>

class QActionGroup;
class QComboBox;

namespace vellum {

class ViewToolBar : public QToolBar {
    Q_OBJECT
public:
    static constexpr int kMaxCopies = 99;

    explicit ViewToolBar(QWidget* parent = nullptr);

    // The button of a command; null for a command without one.
    QAction* button(int command) const;
    // The command of the button under a point of the toolbar; 0 for none.
    int commandAt(QPoint point) const;

    // Picks the drive pictures by DOS device type; with one drive, B: goes.
    void showDrives(int typeA, int typeB, int floppyCount);
    void pressDrive(int drive);

    int copies() const;
    void setCopies(int copies);

signals:
    void triggered(int command);
    // A right-click on a drive button.
    void driveMenuRequested(int drive, QPoint point);

private:
    QAction* addButton(int command, const char* icon);
    void addCopiesBox();

    std::map<int, QAction*> buttons_;
    QActionGroup* drives_;
    QComboBox* copies_;
};

} // namespace vellum
