// The process runner keeps the window alive while a command runs.
#include <QtTest>

#include "app/ProcessShell.h"

using namespace vellum;

class ProcessShellTest : public QObject {
    Q_OBJECT

private slots:
    void eventsRunWhileTheCommandDoes()
    {
        QTemporaryDir dir;
        const QString marker = dir.filePath("go");
        // The child ends well only once the waiting window's timer made the
        // marker; a window that stopped its events lets it give up instead.
        const std::string script = "for i in $(seq 200); do [ -e \"$1\" ] && echo done && exit 0; sleep 0.05; done; exit 7";
        bool waitCursor = false;
        QTimer::singleShot(0, [&] {
            waitCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            QFile(marker).open(QIODevice::WriteOnly);
        });
        ProcessShell shell;
        const Shell::Result result = shell.run("sh", {"-c", script, "sh", marker.toStdString()});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.output, std::string("done\n"));
        QVERIFY(waitCursor);
        QVERIFY(!QApplication::overrideCursor());
    }

    void aProgramThatCannotStartSaysWhy()
    {
        ProcessShell shell;
        const Shell::Result result = shell.run("/nonexistent/mformat", {});
        QCOMPARE(result.exitCode, -1);
        QVERIFY(!result.output.empty());
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(ProcessShellTest)
#include "ProcessShellTest.moc"
