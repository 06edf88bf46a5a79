#include "files/ui/HostPaths.h"

#include <QDir>
#include <QFileDialog>

namespace vellum {

QString HostPaths::folderTitle(const QString& name)
{
    return name.isEmpty() ? QStringLiteral("Orrindale") : QStringLiteral("Copying ") + name + QStringLiteral("...");
}

std::unique_ptr<QFileDialog> HostPaths::fileDialog(QWidget* parent, FileAction action, const QString& name)
{
    const bool copy = action == FileAction::Copy;
    auto dialog = std::make_unique<QFileDialog>(parent, copy ? QStringLiteral("Copy file") : QStringLiteral("Move file"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QStringLiteral("All Files(*.*)"));
    // The save itself asks before it replaces a file.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setLabelText(QFileDialog::Accept, copy ? QStringLiteral("Copy") : QStringLiteral("Move"));
    dialog->selectFile(name);
    return dialog;
}

std::optional<QString> HostPathDialogs::folder(QWidget* parent, const QString& name)
{
    const QString chosen = QFileDialog::getExistingDirectory(parent, folderTitle(name), QDir::currentPath());
    return chosen.isEmpty() ? std::nullopt : std::optional(chosen);
}

std::optional<QString> HostPathDialogs::file(QWidget* parent, FileAction action, const QString& name)
{
    const auto dialog = fileDialog(parent, action, name);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return dialog->selectedFiles().first();
}

QStringList HostPathDialogs::filesToAdd(QWidget* parent)
{
    return QFileDialog::getOpenFileNames(parent, QStringLiteral("Add Files"), QDir::currentPath(),
                                         QStringLiteral("All Files(*)"));
}

} // namespace vellum
