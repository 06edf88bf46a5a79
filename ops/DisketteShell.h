#pragma once
// The diskette commands of the shell drive menu as mtools command lines on
// the diskette in a drive: the image file of a virtual drive or the device
// of a real one. A full format of a floppy drive (/dev/fdN) runs fdformat
// first; of another device, a USB diskette drive, it lays every cylinder
// through the drive layer; of a virtual diskette it lays every cylinder
// again, as a drive would.
#include <optional>
#include <string>

#include "core/Shell.h"

namespace vellum {

class DriveBackend;
struct StandardFormat;

class DisketteShell {
public:
    // Where a drive's diskette is.
    struct Target {
        std::string path; // the image file, or the device
        bool device = false;
        int drive = 0; // 0 for A:, 1 for B:
    };

    // Without `drives`, only floppy drives and virtual diskettes are formatted.
    explicit DisketteShell(Shell& shell, DriveBackend* drives = nullptr) : shell_(shell), drives_(drives) {}

    // Empty label: no label. Returns the failed step's result, or the last one.
    Shell::Result format(const Target& target, const StandardFormat& capacity, bool full, const std::string& label);
    // Empty label: removes it.
    Shell::Result setLabel(const Target& target, const std::string& label);
    // The label, or nothing when the diskette has none or cannot be read.
    std::optional<std::string> label(const Target& target);
    // Paths inside the diskette use "/" and begin at its root.
    Shell::Result rename(const Target& target, const std::string& from, const std::string& to);
    Shell::Result remove(const Target& target, const std::string& path, bool directory);
    Shell::Result properties(const Target& target, const std::string& path);
    Shell::Result listing(const Target& target);

    // Why a command failed, told in Vellum's words rather than mtools'.
    static std::string reason(const Shell::Result& result);
    // "::" and the path, as mtools names a file of the diskette.
    static std::string diskettePath(const std::string& path);
    // mtools' report with the drive named as the user knows it: "drive A:"
    // and "A:\DOCS\X" where mtools writes "drive :" and "::/DOCS/X".
    static std::string inDriveTerms(const std::string& output, char letter);

private:
    Shell::Result layDown(const Target& target, const StandardFormat& capacity);
    Shell::Result layOnDrive(const Target& target, const StandardFormat& capacity);

    Shell& shell_;
    DriveBackend* drives_;
};

} // namespace vellum
