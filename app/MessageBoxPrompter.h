#pragma once
// Prompter questions as message boxes titled "Vellum", owned by the window
// the user is working in (the progress window while an operation runs).
#include "core/Prompter.h"

namespace vellum {

class MessageBoxPrompter : public Prompter {
public:
    Answer ask(const std::string& text, Buttons buttons, Icon icon) override;
};

} // namespace vellum
