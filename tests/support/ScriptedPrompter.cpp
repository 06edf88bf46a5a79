#include "tests/support/ScriptedPrompter.h"

#include <gtest/gtest.h>

namespace vellum::test {

ScriptedPrompter::~ScriptedPrompter()
{
    for (const Step& s : script_)
        ADD_FAILURE() << "expected question never asked: \"" << s.text << "\"";
}

ScriptedPrompter& ScriptedPrompter::expect(std::string text, Buttons buttons, Icon icon, Answer answer)
{
    script_.push_back({std::move(text), buttons, icon, answer});
    return *this;
}

Answer ScriptedPrompter::ask(const std::string& text, Buttons buttons, Icon icon)
{
    if (script_.empty()) {
        ADD_FAILURE() << "unexpected question: \"" << text << "\"";
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
    const Step step = script_.front();
    script_.pop_front();
    EXPECT_EQ(step.text, text);
    EXPECT_EQ(static_cast<int>(step.buttons), static_cast<int>(buttons)) << "buttons of \"" << text << "\"";
    EXPECT_EQ(static_cast<int>(step.icon), static_cast<int>(icon)) << "icon of \"" << text << "\"";
    return step.answer;
}

} // namespace vellum::test
