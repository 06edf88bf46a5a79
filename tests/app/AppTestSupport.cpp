#include "tests/app/AppTestSupport.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace vellum::test {

ExpectingPrompter& ExpectingPrompter::expect(std::string text, Buttons buttons, Icon icon, Answer answer)
{
    script_.push_back({std::move(text), false, buttons, icon, answer});
    return *this;
}

ExpectingPrompter& ExpectingPrompter::expectStart(std::string start, Icon icon, Answer answer)
{
    script_.push_back({std::move(start), true, Buttons::Ok, icon, answer});
    return *this;
}

Answer ExpectingPrompter::ask(const std::string& text, Buttons buttons, Icon icon)
{
    asked.push_back(text);
    if (script_.empty()) {
        problems_ << QStringLiteral("unexpected question: \"%1\"").arg(QString::fromStdString(text));
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
    const Step step = script_.front();
    script_.pop_front();
    const bool textOk = step.prefix ? text.starts_with(step.text) : text == step.text;
    if (!textOk || icon != step.icon || (!step.prefix && buttons != step.buttons))
        problems_ << QStringLiteral("asked \"%1\" instead of \"%2\" (or with other buttons or icon)")
                         .arg(QString::fromStdString(text), QString::fromStdString(step.text));
    return step.answer;
}

QStringList ExpectingPrompter::problems() const
{
    QStringList all = problems_;
    for (const Step& s : script_)
        all << QStringLiteral("never asked: \"%1\"").arg(QString::fromStdString(s.text));
    return all;
}

World::World()
    : profile(dir_.filePath(QStringLiteral("Vellum.conf")).toStdString()),
      drives(std::make_unique<DriveBay>(profile)), doc(std::make_unique<CVLMDoc>(profile, prompter))
{
}

void drainEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace vellum::test
