#pragma once
// A newly formatted diskette as the image in memory: zeroed sectors with
// the boot sector, empty FATs and root that Vellum writes when it formats,
// and an optional volume label. Nothing is written to a file or a drive.
#include <ctime>
#include <string_view>

namespace vellum {

class CVLMDoc;
class Prompter;
struct StandardFormat;

class BlankImage {
public:
    BlankImage(CVLMDoc& doc, Prompter& prompter) : doc_(doc), prompter_(prompter) {}

    // The format a new image may have, by the name a user gives a capacity
    // ("1.44M") or "DMF"; null for one that is unknown or too big for memory.
    static const StandardFormat* formatNamed(std::string_view name);

    // Replaces the image in memory; it is then changed, with its root
    // listed. False, with nothing changed, after telling why the label or
    // the format cannot be had.
    bool create(const StandardFormat& format, std::string_view label, std::time_t now = std::time(nullptr));

private:
    CVLMDoc& doc_;
    Prompter& prompter_;
};

} // namespace vellum
