#pragma once
// The progress window of vlm: one line on the terminal, redrawn in place,
// with the caption, a bar and the status line. Ctrl-C stands for the
// window's Cancel button: it raises a cancel request, which the operation
// confirms with "Are you sure?" at its next check. Nothing is drawn when
// standard error is not a terminal, so logs stay clean.
#include <cstdio>
#include <optional>
#include <string>

#include "cli/InterruptCatcher.h"
#include "ops/Progress.h"

namespace vellum::cli {

class TerminalProgress : public Progress {
public:
    explicit TerminalProgress(Prompter& prompter, std::FILE* out = stderr);
    ~TerminalProgress() override;

    // A line on standard output that the progress line does not run into;
    // the progress line comes back at its next change.
    void printAbove(const std::string& line);

protected:
    bool openWindow() override;
    void closeWindow() override;
    void draw() override;
    void PumpMessages() override;

private:
    std::FILE* out_;
    bool onTerminal_;
    bool drawn_ = false;
    std::optional<InterruptCatcher> interrupt_; // while the window is open
};

} // namespace vellum::cli
