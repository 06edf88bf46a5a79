#pragma once
// The diskette's own commands, as the desktop offers them for a drive or a
// file: format, label, a look at its files, and rename, delete and
// properties of a file, carried out by the diskette shell on the diskette
// in the drive (not on the image in memory).
//
// Paths name a drive root ("a:\") or a file on it ("a:\DOCS\README.TXT").
// Modes: 0 shows the menu at the point, 4 lists the diskette, 20 changes its
// label, 36 and 38 format it. Results: 0 the diskette is as it was, 1 a
// command changed it, 2 the user chose Rename, which is left to the caller.
// The commands run on an operation's worker thread; their menus and
// dialogs are shown on the GUI thread.
#include <QPoint>
#include <QString>
#include <optional>

#include "ops/DisketteShell.h"

class QWidget;

namespace vellum {

struct DriveType;
class DriveBay;
class Prompter;

class ShellDriveMenu {
public:
    enum Mode { kMenu = 0, kExplore = 4, kLabel = 20, kFormat = 36, kFormatDefault = 38 };
    enum Result { kNothing = 0, kCarriedOut = 1, kRename = 2 };

    ShellDriveMenu(QWidget* owner, Shell& shell, DriveBay& drives, Prompter& prompter);

    // `directory` tells whether a file path names a folder.
    int operator()(const QString& path, QPoint point, int mode, bool directory = false);

    // Whether the drive holds a diskette the commands can reach.
    bool diskettePresent(int drive) const;
    // The type of the drive: a real drive's own, a virtual drive's as set.
    const DriveType& typeOf(int drive) const;
    // Renames on the diskette in the drive, paths from its root with
    // backslashes between folders; false after telling the user why not.
    bool rename(int drive, const QString& from, const QString& to);
    std::optional<DisketteShell::Target> targetOf(int drive) const;

    // "a:\DOCS\X" gives drive 0 and "DOCS/X"; nothing for a path of no drive.
    static std::optional<std::pair<int, QString>> split(const QString& path);

private:
    enum class Choice { Nothing, Explore, Format, Label, Rename, Remove, Properties };

    int showMenu(int drive, const QString& file, QPoint point, bool directory);
    // The menu item chosen, for the drive's root or for a file.
    Choice choose(bool root, QPoint point);
    int format(int drive);
    int changeLabel(int drive);
    int explore(int drive);
    int removeFile(int drive, const QString& file, bool directory);
    int showProperties(int drive, const QString& file);
    bool refuseWhenProtected(int drive);
    bool report(const Shell::Result& result, const QString& what);

    QWidget* owner_;
    DisketteShell shell_;
    DriveBay& drives_;
    Prompter& prompter_;
};

} // namespace vellum
