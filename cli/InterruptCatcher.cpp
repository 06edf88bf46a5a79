#include "cli/InterruptCatcher.h"

namespace vellum::cli {

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int)
{
    interrupted = 1;
}

} // namespace

InterruptCatcher::InterruptCatcher()
{
    interrupted = 0;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    installed_ = sigaction(SIGINT, &action, &previous_) == 0;
}

InterruptCatcher::~InterruptCatcher()
{
    if (installed_)
        sigaction(SIGINT, &previous_, nullptr);
}

bool InterruptCatcher::pressed()
{
    const bool was = interrupted != 0;
    interrupted = 0;
    return was;
}

} // namespace vellum::cli
