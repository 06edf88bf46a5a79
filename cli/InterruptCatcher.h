#pragma once
#include <csignal>

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

} // namespace vellum::cli
