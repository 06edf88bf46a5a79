#include "tests/app/AppTestSupport.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace vellum::test {

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

QString problemText(const PromptScript& prompter)
{
    QStringList lines;
    for (const std::string& p : prompter.problems())
        lines << QString::fromStdString(p);
    return lines.join(u'\n');
}

} // namespace vellum::test
