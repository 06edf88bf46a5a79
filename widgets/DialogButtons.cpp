#include "widgets/DialogButtons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace vellum {

QDialogButtonBox* okCancelHelp(QDialog* dialog, const std::function<void()>& help, const QString& helpText)
{
    auto* buttons = new QDialogButtonBox(Qt::Vertical, dialog);
    buttons->addButton(QDialogButtonBox::Ok)->setText(QDialog::tr("OK"));
    buttons->addButton(QDialogButtonBox::Cancel)->setText(QDialog::tr("Cancel"));
    QPushButton* helpButton = buttons->addButton(helpText, QDialogButtonBox::HelpRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QObject::connect(helpButton, &QPushButton::clicked, dialog, help);
    return buttons;
}

} // namespace vellum
