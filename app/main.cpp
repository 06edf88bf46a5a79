// Vellum: the diskette utility's desktop program.
#include <QApplication>

#include "app/CVLMApp.h"
#include "app/CommandLine.h"

int main(int argc, char** argv)
{
    if (const auto status = vellum::CommandLine::answerInfoRequest(argc, argv))
        return *status;
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orrindale"));
    QApplication::setApplicationName(QStringLiteral("Vellum"));
    // No display name: Qt would append it to every window caption.
    QApplication::setQuitOnLastWindowClosed(true);

    vellum::CVLMApp vellum(QApplication::arguments());
    if (!vellum.InitInstance())
        return 1;
    return QApplication::exec();
}
