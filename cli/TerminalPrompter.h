#pragma once
// Message boxes on the terminal: messages go to stderr, questions are asked
// on the terminal, or answered with their first button under --yes. Without
// a terminal and without --yes a question takes its cautious answer.
#include <cstdio>

#include "core/Prompter.h"

namespace vellum::cli {

class TerminalPrompter : public Prompter {
public:
    explicit TerminalPrompter(bool assumeYes, std::FILE* in = stdin, std::FILE* out = stderr)
        : assumeYes_(assumeYes), in_(in), out_(out) {}

    Answer ask(const std::string& text, Buttons buttons, Icon icon) override;

private:
    bool assumeYes_;
    std::FILE* in_;
    std::FILE* out_;
};

} // namespace vellum::cli
