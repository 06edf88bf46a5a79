#include "app/VlmFileDialog.h"

#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "core/ImdFile.h"
#include "core/VlmFile.h"

namespace vellum {

namespace {

const QString kPattern = QStringLiteral("*.VLM");
const QByteArray kMagic("\x1AVLM", 4);
const QString kImdFilter = QStringLiteral("ImageDisk (*.IMD)");
const QStringList kOpenFilters = {
    QStringLiteral("Vellum Files (*.VLM)"),
    QStringLiteral("Diskette Images (*.IMG *.IMA)"),
    QStringLiteral("Archive Images (*.IMD *.TD0 *.CQM *.GZ *.XZ *.ZIP)"),
    QStringLiteral("All Files (*.*)"),
};
const QStringList kSaveFilters = {
    QStringLiteral("Vellum Files (*.VLM)"),
    QStringLiteral("Diskette Images (*.IMG *.IMA)"),
    kImdFilter,
    QStringLiteral("All Files (*.*)"),
};

} // namespace

VlmFileDialog::VlmFileDialog(Kind kind, QString& description, QWidget* parent)
    : HelpFileDialog({kind == Kind::Open ? tr("Open a Vellum File") : tr("Save Diskette Image as a Vellum File"),
                      kind == Kind::Open ? kOpenFilters : kSaveFilters, kPattern, QStringLiteral("VLM"), kind == Kind::Open ? AcceptOpen : AcceptSave,
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
    // A name typed without a suffix takes the chosen format's.
    connect(this, &QFileDialog::filterSelected, this, [this](const QString& filter) {
        setDefaultSuffix(filter == kImdFilter ? QStringLiteral("IMD") : QStringLiteral("VLM"));
    });
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
    // Only a Vellum file and an ImageDisk file have a description; a raw image would show its boot code.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(kMagic.size());
    if (head == QByteArray(ImdFile::kMagic.data(), static_cast<qsizetype>(ImdFile::kMagic.size())))
        return QString::fromStdString(ImdFile::readComment(path.toStdString()));
    if (head != kMagic)
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
