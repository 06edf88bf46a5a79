// The process runner, run as an operation, keeps the window alive while a command runs.
#include <QtTest>

#include "app/ProcessShell.h"
#include "core/ui/OperationRunner.h"
#include "tests/app/AppTestSupport.h"

using namespace vellum;
using namespace vellum::test;

class ProcessShellTest : public QObject {
    Q_OBJECT

private slots:
    void eventsRunWhileTheCommandDoes()
    {
        QTemporaryDir dir;
        const QString marker = dir.filePath("go");
        // The child ends well only once the window's timer made the marker;
        // a window that stopped its events lets it give up instead.
        const std::string script = "for i in $(seq 200); do [ -e \"$1\" ] && echo done && exit 0; sleep 0.05; done; exit 7";
        PromptScript prompter;
        OperationRunner runner(prompter);
        bool busyCursor = false;
        QTimer::singleShot(0, [&] {
            busyCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor;
            QFile(marker).open(QIODevice::WriteOnly);
        });
        ProcessShell shell;
        Shell::Result result;
        QVERIFY(runner.start([&] { result = shell.run("sh", {"-c", script, "sh", marker.toStdString()}); }));
        waitIdle(runner);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.output, std::string("done\n"));
        QVERIFY(busyCursor);
        QVERIFY(!QApplication::overrideCursor());
    }

    void aProgramThatCannotStartSaysWhy()
    {
        ProcessShell shell;
        const Shell::Result result = shell.run("/nonexistent/mformat", {});
        QCOMPARE(result.exitCode, -1);
        QVERIFY(!result.output.empty());
    }
};

QTEST_MAIN(ProcessShellTest)
#include "ProcessShellTest.moc"
