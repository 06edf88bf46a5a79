#include "app/SystemTools.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <algorithm>

namespace vellum {

namespace {

const QString kGroup = QStringLiteral("[Desktop Entry]");

// The [Desktop Entry] group's keys; other groups (actions) are skipped.
QHash<QString, QString> entryKeys(const QString& text)
{
    QHash<QString, QString> keys;
    bool inEntry = false;
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            inEntry = line == kGroup;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (inEntry && eq > 0 && !line.startsWith(u'#'))
            keys.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return keys;
}

bool isTrue(const QString& value)
{
    return value.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0;
}

// The Exec line without its field codes (%f, %U, ...), which name files to open.
QStringList commandOf(const QString& exec)
{
    QStringList words = QProcess::splitCommand(exec);
    words.removeIf([](const QString& w) { return w.size() == 2 && w.startsWith(u'%'); });
    return words;
}

} // namespace

std::optional<SystemTools::Tool> SystemTools::parse(const QString& desktopEntry)
{
    const QHash<QString, QString> keys = entryKeys(desktopEntry);
    const QStringList categories = keys.value(QStringLiteral("Categories")).split(u';', Qt::SkipEmptyParts);
    if (keys.value(QStringLiteral("Type")) != QStringLiteral("Application") ||
        !categories.contains(QStringLiteral("System")) || isTrue(keys.value(QStringLiteral("NoDisplay"))) ||
        isTrue(keys.value(QStringLiteral("Hidden"))))
        return std::nullopt;
    const QStringList command = commandOf(keys.value(QStringLiteral("Exec")));
    const QString name = keys.value(QStringLiteral("Name"));
    if (command.isEmpty() || name.isEmpty())
        return std::nullopt;
    return Tool{name, command.first(), command.mid(1)};
}

std::vector<SystemTools::Tool> SystemTools::find(const QStringList& folders)
{
    std::vector<Tool> tools;
    QSet<QString> seen;
    for (const QString& folder : folders) {
        const QDir dir(folder);
        for (const QString& file : dir.entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name)) {
            if (seen.contains(file))
                continue;
            seen.insert(file);
            QFile f(dir.filePath(file));
            if (!f.open(QIODevice::ReadOnly))
                continue;
            if (auto tool = parse(QString::fromUtf8(f.readAll())))
                tools.push_back(std::move(*tool));
        }
    }
    std::sort(tools.begin(), tools.end(),
              [](const Tool& a, const Tool& b) { return a.name.localeAwareCompare(b.name) < 0; });
    if (tools.size() > static_cast<std::size_t>(kMaxTools))
        tools.resize(kMaxTools);
    return tools;
}

QStringList SystemTools::standardFolders()
{
    return QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
}

bool SystemTools::start(const Tool& tool)
{
    return QProcess::startDetached(tool.program, tool.arguments);
}

} // namespace vellum
