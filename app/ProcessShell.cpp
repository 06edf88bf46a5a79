#include "app/ProcessShell.h"

#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QProcessEnvironment>

namespace vellum {

namespace {

// Runs the started process to its end with the events of the window still
// flowing; false when it could not be started.
bool waitForEnd(QProcess& process)
{
    QEventLoop loop;
    bool started = true;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            started = false;
            loop.quit();
        }
    });
    if (process.state() == QProcess::NotRunning)
        return false; // refused at once, before any event could tell
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return started;
}

} // namespace

Shell::Result ProcessShell::run(const std::string& program, const std::vector<std::string>& arguments)
{
    QStringList args;
    for (const std::string& a : arguments)
        args << QString::fromStdString(a);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Images of any layout Vellum knows, without mtools' geometry checks.
    env.insert(QStringLiteral("MTOOLS_SKIP_CHECK"), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());

    QApplication::setOverrideCursor(Qt::WaitCursor);
    process.start(QString::fromStdString(program), args);
    const bool started = waitForEnd(process);
    QApplication::restoreOverrideCursor();

    Result result;
    result.output = process.readAll().toStdString();
    if (!started)
        result.output = process.errorString().toStdString();
    else if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

} // namespace vellum
