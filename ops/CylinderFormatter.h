#pragma once
// Formats a diskette for the image in memory through the drive layer, as
// fdformat does: every cylinder of the image's layout is laid down with
// sector IDs 1..n in order by the track driver, cylinder by cylinder on the
// progress window when one is given, which can cancel it. It writes no file
// system; the copy that asked for the format writes the image's system area next.
#include <cstdint>
#include <functional>
#include <string>

#include "ops/DisketteFormatter.h"

namespace vellum {

class CVLMDoc;
class DriveBackend;
class Progress;
class Prompter;
struct StandardFormat;

class CylinderFormatter : public DisketteFormatter {
public:
    CylinderFormatter(const CVLMDoc& doc, DriveBackend& drives, Prompter& prompter, Progress* progress = nullptr)
        : doc_(doc), drives_(drives), prompter_(prompter), progress_(progress) {}

    bool formatDiskette(int drive) override;

    // The layout of the image in memory; null when it has none of the standard ones.
    static const StandardFormat* layoutOf(const CVLMDoc& doc);

    // Lays every cylinder of `layout`; `before` sees each cylinder first and
    // stops the format by returning false, which still ends it. The status
    // of the cylinder that failed (`cylinder` names it), or of the end.
    static int layDown(DriveBackend& drives, int drive, const StandardFormat& layout,
                       const std::function<bool(std::uint32_t)>& before, std::uint32_t& cylinder);

private:
    bool fail(int drive, const std::string& why);
    bool showCylinder(std::uint32_t cylinder, std::uint32_t cylinders);

    const CVLMDoc& doc_;
    DriveBackend& drives_;
    Prompter& prompter_;
    Progress* progress_;
};

} // namespace vellum
