#pragma once
// How the copy formats a diskette: a DMF image's diskette gets the DMF
// format without asking, any other the shell's format dialog on the drive.
#include "ops/DisketteFormatter.h"

namespace vellum {

class CVLMDoc;
class ShellDriveMenu;

class ShellFormatter : public DisketteFormatter {
public:
    ShellFormatter(const CVLMDoc& doc, ShellDriveMenu& menu, DisketteFormatter& dmf)
        : doc_(doc), menu_(menu), dmf_(dmf) {}

    bool formatDiskette(int drive) override;

private:
    const CVLMDoc& doc_;
    ShellDriveMenu& menu_;
    DisketteFormatter& dmf_;
};

} // namespace vellum
