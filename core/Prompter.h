#pragma once
// A message box: the exact text, buttons and icon are part of the contract.
// The application shows a dialog, vlm asks on the terminal, tests script it.
#include <string>

namespace vellum {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class Icon { None, Information, Exclamation, Stop, Question };
enum class Answer { Ok, Cancel, Yes, No, Retry };

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual Answer ask(const std::string& text, Buttons buttons, Icon icon) = 0;

    void tell(const std::string& text, Icon icon) { ask(text, Buttons::Ok, icon); }
    // Something met on the way that the work goes past (damage in an image, a
    // lock not had), told as a message with the exclamation icon; refusals
    // are told with tell.
    virtual void warn(const std::string& text) { tell(text, Icon::Exclamation); }
};

// Answers OK to everything, unseen: for a walk that only counts or
// collects, whose findings another walk tells the user.
class SilentPrompter : public Prompter {
public:
    Answer ask(const std::string&, Buttons, Icon) override { return Answer::Ok; }
};

} // namespace vellum
