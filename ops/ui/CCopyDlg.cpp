#include "ops/ui/CCopyDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "widgets/DialogBackground.h"
#include "widgets/DriveListBox.h"
#include "core/CVLMDoc.h"
#include "core/Prompter.h"
#include "widgets/DialogButtons.h"

namespace vellum {

namespace {

constexpr int kHelpTopic = 0x10071;
constexpr int kCopiesDigits = 10;

} // namespace

CCopyDlg::CCopyDlg(CVLMDoc& doc, DriveBackend& drives, Prompter& prompter, int floppyCount, int copies,
                   QWidget* parent)
    : QDialog(parent), doc_(doc), prompter_(prompter), target_(new DriveListBox(this)), number_(new QLineEdit(this)),
      force_(new QCheckBox(tr("Force Format"), this)), verify_(new QCheckBox(tr("Copy with Verify"), this)),
      copies_(copies)
{
    setWindowTitle(tr("Copy Diskette"));
    new DialogBackground(this, DialogBackground::Dialog::Copy);

    auto* targetLabel = new QLabel(tr(" Target:"), this);
    targetLabel->setBuddy(target_);
    target_->setAccessibleName(tr("Target:"));
    target_->setFixedWidth(110);
    target_->fill(drives, prompter, floppyCount, doc.SelectedDrive);

    number_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), number_));
    number_->setMaxLength(kCopiesDigits);
    number_->setText(QString::number(copies));
    number_->setAccessibleName(tr("Number of Copies"));
    auto* numberLabel = new QLabel(tr(" Number of Copies"), this);
    numberLabel->setBuddy(number_);
    force_->setChecked(doc.options.ForceFormat);
    verify_->setChecked(doc.options.VerifyCopy);

    auto* options = new QGroupBox(tr("Copy Options"), this);
    auto* optionsLayout = new QGridLayout(options);
    optionsLayout->addWidget(number_, 0, 0);
    optionsLayout->addWidget(numberLabel, 0, 1);
    optionsLayout->addWidget(force_, 1, 0, 1, 2);
    optionsLayout->addWidget(verify_, 2, 0, 1, 2);
    number_->setFixedWidth(40);

    QDialogButtonBox* buttons = okCancelHelp(this, [this] { emit helpRequested(kHelpTopic); });

    auto* layout = new QGridLayout(this);
    layout->addWidget(targetLabel, 0, 0);
    layout->addWidget(target_, 1, 0, 2, 1);
    layout->addWidget(options, 1, 1, Qt::AlignTop);
    layout->addWidget(buttons, 1, 2, Qt::AlignTop);
}

bool CCopyDlg::forceFormat() const
{
    return force_->isChecked();
}

std::variant<int, std::string> CCopyDlg::parseCopies(const QString& text)
{
    bool number = false;
    const int value = text.trimmed().toInt(&number);
    if (!number)
        return std::string("Please enter an integer.");
    if (value < kMinCopies || value > kMaxCopies)
        return "Please enter an integer between " + std::to_string(kMinCopies) + " and " +
               std::to_string(kMaxCopies) + ".";
    return value;
}

void CCopyDlg::accept()
{
    const auto parsed = parseCopies(number_->text());
    if (const auto* message = std::get_if<std::string>(&parsed)) {
        prompter_.tell(*message, Icon::Exclamation);
        number_->setFocus();
        number_->selectAll();
        return;
    }
    const int drive = target_->selectedDrive();
    if (drive < 0)
        return;
    copies_ = std::get<int>(parsed);
    doc_.options.ForceFormat = force_->isChecked();
    doc_.options.VerifyCopy = verify_->isChecked();
    doc_.SelectedDrive = static_cast<std::uint8_t>(drive);
    QDialog::accept();
}

} // namespace vellum
