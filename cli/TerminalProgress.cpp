#include "cli/TerminalProgress.h"
#include "cli/TerminalText.h"

#include <algorithm>
#include <string>
#include <unistd.h>
#include <utility>

namespace vellum::cli {

namespace {

constexpr int kBarWidth = 30;

} // namespace

TerminalProgress::TerminalProgress(Prompter& prompter, std::FILE* out)
    : Progress(prompter), out_(out), onTerminal_(isatty(fileno(out)) != 0)
{
}

TerminalProgress::~TerminalProgress() = default;

void TerminalProgress::printAbove(const std::string& line)
{
    if (std::exchange(drawn_, false)) {
        std::fputs("\r\033[K", out_);
        std::fflush(out_);
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

bool TerminalProgress::openWindow()
{
    interrupt_.emplace();
    return true;
}

void TerminalProgress::closeWindow()
{
    if (drawn_) {
        std::fputc('\n', out_);
        std::fflush(out_);
    }
    drawn_ = false;
    interrupt_.reset();
}

void TerminalProgress::draw()
{
    if (!onTerminal_ || caption() == kPlaceholderCaption)
        return;
    drawn_ = true;
    const int span = high() - low();
    // A range set smaller than the position reached fills the bar, no more.
    const int filled = span > 0 ? std::clamp((mainPosition() - low()) * kBarWidth / span, 0, kBarWidth) : 0;
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(kBarWidth - filled), ' ');
    std::fprintf(out_, "\r%s [%s] %s\033[K", TerminalText::escaped(caption()).c_str(), bar.c_str(),
                 TerminalText::escaped(statusLine()).c_str());
    std::fflush(out_);
}

void TerminalProgress::PumpMessages()
{
    if (interrupt_ && interrupt_->pressed()) {
        if (drawn_)
            std::fputc('\n', out_);
        requestCancel();
    }
}

} // namespace vellum::cli
