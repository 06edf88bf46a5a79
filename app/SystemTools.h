#pragma once
// The "&System Tools" submenu's entries: the desktop's applications whose
// .desktop entry lists the System category, found in the XDG application
// folders, in name order.
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vellum {

class SystemTools {
public:
    static constexpr int kFirstCommand = 301;
    static constexpr int kMaxTools = 100; // commands 301 to 400

    struct Tool {
        QString name;
        QString program;
        QStringList arguments;
    };

    // Reads the folders in order; an entry found earlier hides one of the same file name.
    static std::vector<Tool> find(const QStringList& folders);
    // The folders of the user and the system, as the desktop searches them.
    static QStringList standardFolders();
    // One .desktop file's text; nothing when it is no visible System application.
    static std::optional<Tool> parse(const QString& desktopEntry);
    static bool start(const Tool& tool);
};

} // namespace vellum
