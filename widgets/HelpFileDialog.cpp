#include "widgets/HelpFileDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

namespace vellum {

namespace {
// The name box of Qt's own file dialog.
const QString kNameBox = QStringLiteral("fileNameEdit");
} // namespace

HelpFileDialog::HelpFileDialog(const Setup& setup, QWidget* parent)
    : QFileDialog(parent, setup.caption, QDir::currentPath())
{
    setOption(DontUseNativeDialog);
    setAcceptMode(setup.acceptMode);
    setFileMode(setup.fileMode);
    setNameFilters(setup.filters);
    setDefaultSuffix(setup.defaultSuffix);
    if (auto* buttons = findChild<QDialogButtonBox*>()) {
        QPushButton* help = buttons->addButton(QDialogButtonBox::Help);
        connect(help, &QPushButton::clicked, this, [this, topic = setup.helpTopic] { emit helpRequested(topic); });
    }
    selectFile(setup.initialName);
}

QString HelpFileDialog::nameBox() const
{
    const auto* box = findChild<QLineEdit*>(kNameBox);
    return box ? box->text() : QString();
}

} // namespace vellum
