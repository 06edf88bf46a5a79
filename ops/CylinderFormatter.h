#pragma once
// Formats a diskette for the image in memory through the drive layer, as
// fdformat does: every cylinder of the image's layout is laid down with
// sector IDs 1..n in order by the track driver. It writes no file system;
// the copy that asked for the format writes the image's system area next.
#include <cstdint>
#include <string>

#include "ops/DisketteFormatter.h"

namespace vellum {

class CVLMDoc;
class DriveBackend;
class Prompter;
struct StandardFormat;

class CylinderFormatter : public DisketteFormatter {
public:
    CylinderFormatter(const CVLMDoc& doc, DriveBackend& drives, Prompter& prompter)
        : doc_(doc), drives_(drives), prompter_(prompter) {}

    bool formatDiskette(int drive) override;

    // The layout of the image in memory; null when it has none of the standard ones.
    static const StandardFormat* layoutOf(const CVLMDoc& doc);

private:
    bool fail(int drive, const std::string& why);

    const CVLMDoc& doc_;
    DriveBackend& drives_;
    Prompter& prompter_;
};

} // namespace vellum
