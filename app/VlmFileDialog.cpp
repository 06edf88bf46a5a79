#include "app/VlmFileDialog.h"

#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "core/VlmFile.h"

namespace vellum {

namespace {

const QString kPattern = QStringLiteral("*.VLM");
const QByteArray kMagic("\x1AVLM", 4);
const QStringList kFilters = {
    QStringLiteral("Vellum Files (*.VLM)"),
    QStringLiteral("Diskette Images (*.IMG *.IMA)"),
    QStringLiteral("All Files (*.*)"),
};

} // namespace

VlmFileDialog::VlmFileDialog(Kind kind, QString& description, QWidget* parent)
    : HelpFileDialog({kind == Kind::Open ? tr("Open a Vellum File") : tr("Save Diskette Image as a Vellum File"),
                      kFilters, kPattern, QStringLiteral("VLM"), kind == Kind::Open ? AcceptOpen : AcceptSave,
                      kind == Kind::Open ? ExistingFile : AnyFile,
                      kind == Kind::Open ? kOpenHelpTopic : kSaveHelpTopic},
                     parent),
      kind_(kind), remembered_(description), path_(new QLabel(this)), description_(new QLineEdit(this))
{
    addDescriptionRow();
    // Queued: the name box takes the name of a clicked file only after the current file changed.
    if (kind == Kind::Open)
        connect(this, &QFileDialog::currentChanged, this, &VlmFileDialog::preview, Qt::QueuedConnection);
    connect(this, &QFileDialog::directoryEntered, path_, &QLabel::setText);
}

void VlmFileDialog::addDescriptionRow()
{
    path_->setText(QDir::currentPath());
    description_->setObjectName(QStringLiteral("FileDescription"));
    description_->setMaxLength(kDescriptionLength);
    description_->setText(remembered_);
    description_->setPlaceholderText(kind_ == Kind::Save ? tr("A few words on what the diskette holds")
                                                         : QString());
    auto* grid = qobject_cast<QGridLayout*>(layout());
    if (!grid)
        return;
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(tr("Path:"), this), row, 0);
    grid->addWidget(path_, row, 1, 1, -1);
    auto* label = new QLabel(tr("File &Description:"), this);
    label->setBuddy(description_);
    grid->addWidget(label, row + 1, 0);
    grid->addWidget(description_, row + 1, 1, 1, -1);
}

QString VlmFileDialog::previewFor(const QString& nameBox, const QString& path)
{
    if (nameBox.startsWith(kPattern, Qt::CaseInsensitive))
        return {};
    // Only a Vellum file has a description; a raw image would show its boot code.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.read(kMagic.size()) != kMagic)
        return {};
    return QString::fromStdString(VlmFile::readDescription(path.toStdString()));
}

void VlmFileDialog::preview(const QString& path)
{
    if (QFileInfo(path).isFile() && !nameBox().startsWith(kPattern, Qt::CaseInsensitive))
        description_->setText(previewFor(nameBox(), path));
}

QString VlmFileDialog::description() const
{
    return description_->text().left(kDescriptionLength);
}

void VlmFileDialog::done(int result)
{
    remembered_ = description();
    QFileDialog::done(result);
}

} // namespace vellum
