#pragma once
// The Diskette Mismatch dialog as the compare sees it: shown for each
// difference, it returns true for "Resume Compare" (with the report's
// resumeMode set) and false for Cancel. The application shows the Qt dialog,
// vlm prints the difference, tests script the answers.
namespace vellum {

class MismatchReport;

class MismatchDialog {
public:
    virtual ~MismatchDialog() = default;
    virtual bool run(MismatchReport& report) = 0;
};

} // namespace vellum
