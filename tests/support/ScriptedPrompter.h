#pragma once
// A prompter that expects an exact list of questions and fails the test on
// any question it was not told about.
#include <deque>
#include <string>

#include "core/Prompter.h"

namespace vellum::test {

class ScriptedPrompter : public Prompter {
public:
    ~ScriptedPrompter() override;

    ScriptedPrompter& expect(std::string text, Buttons buttons, Icon icon, Answer answer);
    Answer ask(const std::string& text, Buttons buttons, Icon icon) override;

    bool done() const { return script_.empty(); }

private:
    struct Step {
        std::string text;
        Buttons buttons;
        Icon icon;
        Answer answer;
    };
    std::deque<Step> script_;
};

} // namespace vellum::test
