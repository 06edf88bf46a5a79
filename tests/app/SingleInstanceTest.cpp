// The hand-over from a second start to the running copy.
#include <QtTest>

#include "app/CVLMApp.h"
#include "app/SingleInstance.h"

using namespace vellum;

class SingleInstanceTest : public QObject {
    Q_OBJECT

    QString name_ = QStringLiteral("VellumTest-%1").arg(QCoreApplication::applicationPid());

private slots:
    void aSecondStartHandsItsPathOver()
    {
        QVERIFY(!SingleInstance::isRunning(name_));
        SingleInstance running(name_);
        QVERIFY(running.listen());
        QVERIFY(SingleInstance::isRunning(name_));
        QSignalSpy forward(&running, &SingleInstance::activationRequested);
        QSignalSpy open(&running, &SingleInstance::openRequested);

        // Any byte but NUL may be in a path, a newline too.
        for (const QString& path :
             {QStringLiteral("/tmp/images/Ünïcode disk.vlm"), QStringLiteral("/tmp/two\nlines.vlm")}) {
            QVERIFY(SingleInstance::handOver(path, name_));
            QVERIFY(open.wait(5000));
            QCOMPARE(open.takeFirst().at(0).toString(), path);
        }
        QCOMPARE(forward.count(), 2);

        // No path: only come forward.
        QVERIFY(SingleInstance::handOver(QString(), name_));
        QVERIFY(forward.wait(5000));
        QCOMPARE(open.count(), 0);

        SingleInstance second(name_);
        QVERIFY(!second.listen());
    }

    void aCopyThatEndedLeavesTheNameFree()
    {
        {
            SingleInstance first(name_ + "-2");
            QVERIFY(first.listen());
        }
        QVERIFY(!SingleInstance::isRunning(name_ + "-2"));
        SingleInstance next(name_ + "-2");
        QVERIFY(next.listen());
    }

    void commandLineGivesThePathAndTheBannerFlag()
    {
        QCOMPARE(CVLMApp::pathArgument({"vellum", "/nologo", "a.vlm"}), QString("a.vlm"));
        QCOMPARE(CVLMApp::pathArgument({"vellum"}), QString());
        QVERIFY(CVLMApp::suppressesBanner({"vellum", "-NOLOGO"}));
        QVERIFY(!CVLMApp::suppressesBanner({"vellum", "a.vlm"}));
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
