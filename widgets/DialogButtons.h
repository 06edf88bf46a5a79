#pragma once
// The column of buttons the diskette dialogs end with: OK accepts, Cancel
// rejects, and Help calls `help`.
#include <QString>
#include <functional>

class QDialog;
class QDialogButtonBox;

namespace vellum {

QDialogButtonBox* okCancelHelp(QDialog* dialog, const std::function<void()>& help,
                               const QString& helpText = QStringLiteral("Help"));

} // namespace vellum
