#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <string_view>

#include "version/Version.h"

namespace vellum {

std::optional<int> CommandLine::answerInfoRequest(int argc, char** argv)
{
    bool asks = false;
    for (int i = 1; i < argc; ++i)
        for (std::string_view word : {"--help", "-h", "--help-all", "--version", "-v"})
            asks = asks || word == argv[i];
    if (!asks)
        return std::nullopt;

    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vellum"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Vellum, the diskette utility: loads a diskette into memory, writes it to one or many\n"
        "diskettes, compares, formats DMF diskettes, keeps images as .VLM files or raw images,\n"
        "browses their FAT12 folders, and splits and joins files. vlm(1) does the same from a\n"
        "terminal."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("nologo"), QStringLiteral("Do not show the tip of the day at start-up.")});
    parser.addPositionalArgument(QStringLiteral("IMAGE"),
                                 QStringLiteral("A diskette image (.VLM or raw) to open at start-up."),
                                 QStringLiteral("[IMAGE]"));
    parser.process(core); // prints and exits for --help and --version
    return 0;
}

} // namespace vellum
