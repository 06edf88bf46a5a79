#include "core/ui/GuiThreadPrompter.h"

#include "core/ui/GuiThread.h"

namespace vellum {

Answer GuiThreadPrompter::ask(const std::string& text, Buttons buttons, Icon icon)
{
    Answer answer = Answer::Cancel;
    GuiThread::call([&] { answer = shown_.ask(text, buttons, icon); });
    return answer;
}

void GuiThreadPrompter::warn(const std::string& text)
{
    GuiThread::call([&] { shown_.warn(text); });
}

} // namespace vellum
