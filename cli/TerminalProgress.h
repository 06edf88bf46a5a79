#pragma once
// The progress window of vlm: one line on the terminal, redrawn in place,
// with the caption, a bar and the status line. Ctrl-C stands for the
// window's Cancel button: it raises a cancel request, which the operation
// confirms with "Are you sure?" at its next check. Nothing is drawn when
// standard error is not a terminal, so logs stay clean.
#include <csignal>
#include <cstdio>
#include <optional>

#include "ops/Progress.h"

namespace vellum::cli {

// Ctrl-C caught for as long as this lives, instead of ending vlm halfway
// through a write; the handler before it comes back afterwards.
class InterruptCatcher {
public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

    // Whether Ctrl-C was pressed since the last call.
    bool pressed();

private:
    struct sigaction previous_ {};
    bool installed_ = false;
};

class TerminalProgress : public Progress {
public:
    explicit TerminalProgress(Prompter& prompter, std::FILE* out = stderr);
    ~TerminalProgress() override;

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
