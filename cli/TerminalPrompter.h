#pragma once
// Message boxes on the terminal: messages go to stderr (a refusal as
// "vlm: error:", a warning the work goes past as "vlm: warning:"), questions are asked
// on the terminal, or answered with their first button under --yes. Without
// a terminal and without --yes a question takes its cautious answer. --yes
// never loops: a question asked again and again (a persistent error offered
// a Retry) gets its first button a few times, then its cautious answer.
#include <cstdio>
#include <string>

#include "core/Prompter.h"

namespace vellum::cli {

class TerminalPrompter : public Prompter {
public:
    explicit TerminalPrompter(bool assumeYes, std::FILE* in = stdin, std::FILE* out = stderr)
        : assumeYes_(assumeYes), in_(in), out_(out) {}

    static constexpr int kMaxRepeatedAnswers = 3;

    Answer ask(const std::string& text, Buttons buttons, Icon icon) override;
    void warn(const std::string& text) override;

private:
    bool assumeYes_;
    std::string lastQuestion_;
    int repeats_ = 0;
    std::FILE* in_;
    std::FILE* out_;
};

} // namespace vellum::cli
