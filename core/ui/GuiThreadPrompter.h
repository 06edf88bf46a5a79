#pragma once
// A Prompter whose questions, asked from an operation's worker thread, are
// shown by another Prompter on the GUI thread; the worker waits for the answer.
#include "core/Prompter.h"

namespace vellum {

class GuiThreadPrompter : public Prompter {
public:
    explicit GuiThreadPrompter(Prompter& shown) : shown_(shown) {}

    Answer ask(const std::string& text, Buttons buttons, Icon icon) override;
    void warn(const std::string& text) override;

private:
    Prompter& shown_;
};

} // namespace vellum
