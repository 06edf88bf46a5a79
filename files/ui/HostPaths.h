#pragma once
// Where on the host the file commands write: a folder for the save commands
// and a file for Copy and Move, each chosen in a dialog. Tests script the
// answers instead.
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QFileDialog;
class QWidget;

namespace vellum {

class HostPaths {
public:
    enum class FileAction { Copy, Move };

    virtual ~HostPaths() = default;
    // A folder for the files; `name`, when given, names the one file saved.
    virtual std::optional<QString> folder(QWidget* parent, const QString& name) = 0;
    // The file to copy or move the file named `name` to.
    virtual std::optional<QString> file(QWidget* parent, FileAction action, const QString& name) = 0;
    // Host files to add to the image; empty when none were chosen.
    virtual QStringList filesToAdd(QWidget* parent) = 0;

    // "Copying NAME..." for one file, otherwise "Orrindale".
    static QString folderTitle(const QString& name);
    // The "Copy file" or "Move file" dialog, its OK button named "Copy" or "Move".
    static std::unique_ptr<QFileDialog> fileDialog(QWidget* parent, FileAction action, const QString& name);
};

// The real dialogs: the folder chooser and the file dialog.
class HostPathDialogs : public HostPaths {
public:
    std::optional<QString> folder(QWidget* parent, const QString& name) override;
    std::optional<QString> file(QWidget* parent, FileAction action, const QString& name) override;
    QStringList filesToAdd(QWidget* parent) override;
};

} // namespace vellum
