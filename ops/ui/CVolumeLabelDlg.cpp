#include "ops/ui/CVolumeLabelDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "widgets/DialogBackground.h"
#include "core/CVLMDoc.h"
#include "ops/VolumeLabel.h"
#include "widgets/DialogButtons.h"

namespace vellum {

namespace {

// A label read from the root entry keeps the entry's blank padding.
QString withoutTrailingBlanks(QString text)
{
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

} // namespace

CVolumeLabelDlg::CVolumeLabelDlg(const CVLMDoc& doc, VolumeLabel& label, QWidget* parent)
    : QDialog(parent), doc_(doc), label_(label), text_(new QLineEdit(this)),
      delete_(new QCheckBox(tr("Delete Image Label"), this)), modify_(new QCheckBox(tr("Modify Diskette Label"), this)),
      original_(withoutTrailingBlanks(QString::fromStdString(doc.volumeLabelText())))
{
    setWindowTitle(tr("Volume Label Operations"));
    new DialogBackground(this, DialogBackground::Dialog::VolumeLabel);

    // Eleven places, the label written over their start, so the box keeps its width.
    auto* current = new QLabel(original_.leftJustified(static_cast<int>(kVolumeLabelLength)), this);
    current->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* currentBox = new QGroupBox(tr("Current Image Label"), this);
    (new QVBoxLayout(currentBox))->addWidget(current);

    auto* newLabel = new QLabel(tr("New Image Label:"), this);
    newLabel->setBuddy(text_);
    text_->setAccessibleName(tr("New Image Label:"));
    text_->setMaxLength(static_cast<int>(kVolumeLabelLength));
    text_->setText(original_);
    text_->selectAll();
    auto* optionsBox = new QGroupBox(tr("Label Options"), this);
    auto* options = new QVBoxLayout(optionsBox);
    options->addWidget(newLabel);
    options->addWidget(text_);
    options->addWidget(delete_);
    options->addWidget(modify_);
    connect(delete_, &QCheckBox::toggled, this, &CVolumeLabelDlg::deleteToggled);

    QDialogButtonBox* buttons = okCancelHelp(this, [this] { emit helpRequested(kHelpTopic); });

    auto* layout = new QGridLayout(this);
    layout->addWidget(currentBox, 0, 0);
    layout->addWidget(optionsBox, 1, 0);
    layout->addWidget(buttons, 0, 1, 2, 1, Qt::AlignTop);
    text_->setFocus();
}

void CVolumeLabelDlg::deleteToggled(bool on)
{
    text_->setText(on ? QString::fromLatin1(VolumeLabel::kNoLabel.data(), VolumeLabel::kNoLabel.size()) : original_);
    text_->setEnabled(!on);
    if (!on) {
        text_->setFocus();
        text_->selectAll();
    }
}

void CVolumeLabelDlg::accept()
{
    if (text_->text() == original_ && !delete_->isChecked() && !modify_->isChecked()) {
        if (!label_.askRedo()) {
            reject();
            return;
        }
        text_->setFocus();
        text_->selectAll();
        return;
    }
    // A refused label keeps the dialog open with the text to mend.
    if (!label_.apply(text_->text().toStdString(), delete_->isChecked(), modify_->isChecked())) {
        text_->setFocus();
        text_->selectAll();
        return;
    }
    QDialog::accept();
}

} // namespace vellum
