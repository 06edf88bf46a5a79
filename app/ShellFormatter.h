#pragma once
// How the copy formats a diskette: a DMF image's diskette is laid down by
// the drive layer without asking, any other through the shell's format
// dialog on the drive.
#include "ops/DisketteFormatter.h"

namespace vellum {

class CVLMDoc;
class CylinderFormatter;
class ShellDriveMenu;

class ShellFormatter : public DisketteFormatter {
public:
    ShellFormatter(const CVLMDoc& doc, ShellDriveMenu& menu, CylinderFormatter& dmf)
        : doc_(doc), menu_(menu), dmf_(dmf) {}

    bool formatDiskette(int drive) override;

private:
    const CVLMDoc& doc_;
    ShellDriveMenu& menu_;
    CylinderFormatter& dmf_;
};

} // namespace vellum
