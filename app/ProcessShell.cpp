#include "app/ProcessShell.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace vellum {

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

    process.start(QString::fromStdString(program), args);
    const bool started = process.waitForStarted(-1);
    if (started)
        process.waitForFinished(-1);

    Result result;
    result.output = process.readAll().toStdString();
    if (!started)
        result.output = process.errorString().toStdString();
    else if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

} // namespace vellum
