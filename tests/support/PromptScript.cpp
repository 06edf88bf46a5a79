#include "tests/support/PromptScript.h"

namespace vellum::test {

PromptScript& PromptScript::expect(std::string text, Buttons buttons, Icon icon, Answer answer)
{
    script_.push_back({std::move(text), false, buttons, icon, answer});
    return *this;
}

PromptScript& PromptScript::expectStart(std::string start, Icon icon, Answer answer)
{
    script_.push_back({std::move(start), true, Buttons::Ok, icon, answer});
    return *this;
}

Answer PromptScript::ask(const std::string& text, Buttons buttons, Icon icon)
{
    asked.push_back(text);
    if (script_.empty()) {
        report("unexpected question: \"" + text + "\"");
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
    const Step step = script_.front();
    script_.pop_front();
    if (step.prefix ? !text.starts_with(step.text) : text != step.text)
        report("asked \"" + text + "\" instead of \"" + step.text + "\"");
    else if (!step.prefix && buttons != step.buttons)
        report("other buttons for \"" + text + "\"");
    else if (icon != step.icon)
        report("another icon for \"" + text + "\"");
    return step.answer;
}

std::vector<std::string> PromptScript::neverAsked() const
{
    std::vector<std::string> steps;
    for (const Step& s : script_)
        steps.push_back("expected question never asked: \"" + s.text + "\"");
    return steps;
}

std::vector<std::string> PromptScript::problems() const
{
    std::vector<std::string> all = problems_;
    for (std::string& s : neverAsked())
        all.push_back(std::move(s));
    return all;
}

} // namespace vellum::test
