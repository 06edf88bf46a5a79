#include "ops/ui/NewImageDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

#include "core/CVLMDoc.h"
#include "core/StandardFormats.h"
#include "ops/BlankImage.h"
#include "ops/VolumeLabel.h"

namespace vellum {

namespace {

constexpr std::string_view kDefaultFormat = "1.44M";

} // namespace

NewImageDialog::NewImageDialog(Prompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter), format_(new QComboBox(this)), label_(new QLineEdit(this))
{
    setWindowTitle(tr("New Image"));
    const auto text = [](std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); };
    for (const StandardFormat& f : standardFormats())
        if (BlankImage::formatNamed(f.capacity) == &f) {
            format_->addItem(text(f.name), text(f.capacity));
            if (f.capacity == kDefaultFormat)
                format_->setCurrentIndex(format_->count() - 1);
        }
    format_->setAccessibleName(tr("Format"));
    label_->setAccessibleName(tr("Volume label"));
    label_->setMaxLength(static_cast<int>(kVolumeLabelLength));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QFormLayout(this);
    layout->addRow(tr("&Format:"), format_);
    layout->addRow(tr("Volume &label:"), label_);
    layout->addRow(buttons);
}

const StandardFormat& NewImageDialog::format() const
{
    return *BlankImage::formatNamed(format_->currentData().toString().toStdString());
}

QString NewImageDialog::label() const
{
    return label_->text();
}

void NewImageDialog::accept()
{
    if (!VolumeLabel::acceptable(label_->text().toStdString(), prompter_)) {
        label_->setFocus();
        label_->selectAll();
        return;
    }
    QDialog::accept();
}

} // namespace vellum
