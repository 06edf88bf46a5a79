#include "tests/app/AppTestSupport.h"

#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <QWidget>

#include "core/ui/OperationRunner.h"

namespace vellum::test {

World::World()
    : profile(dir_.filePath(QStringLiteral("Vellum.conf")).toStdString()),
      drives(std::make_unique<DriveBay>(profile)), doc(std::make_unique<CVLMDoc>(profile, prompter))
{
}

namespace {

constexpr int kLongestOperationMs = 30'000;

bool anyRunnerBusy()
{
    for (QWidget* top : QApplication::topLevelWidgets())
        for (const OperationRunner* runner : top->findChildren<OperationRunner*>())
            if (runner->busy())
                return true;
    return false;
}

} // namespace

void drainEvents()
{
    settle();
    // What an operation's end handles may start the next one.
    while (anyRunnerBusy() && QTest::qWaitFor([] { return !anyRunnerBusy(); }, kLongestOperationMs))
        settle();
}

void settle()
{
    // Twice: what an operation's end posts may post again.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void waitIdle(OperationRunner& runner)
{
    QVERIFY(QTest::qWaitFor([&] { return !runner.busy(); }, kLongestOperationMs));
    settle();
}

QString problemText(const PromptScript& prompter)
{
    QStringList lines;
    for (const std::string& p : prompter.problems())
        lines << QString::fromStdString(p);
    return lines.join(u'\n');
}

} // namespace vellum::test
