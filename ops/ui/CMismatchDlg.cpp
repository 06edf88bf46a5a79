#include "ops/ui/CMismatchDlg.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "widgets/HelpFileDialog.h"
#include "core/Error.h"
#include "core/Prompter.h"
#include "core/ui/GuiThread.h"
#include "ops/MismatchPrintout.h"
#include "ops/MismatchReport.h"

namespace vellum {

namespace {

const QString kSaveTitle = QStringLiteral("Save compare mismatch informaton as a text file");
const QStringList kSaveFilters = {QStringLiteral("Compare mismatch text file (*.txt)"),
                                  QStringLiteral("All Files (*.*)")};
const QString kSaveSuffix = QStringLiteral("txt");
const QString kSavePattern = QStringLiteral("*.txt");
constexpr int kSaveHelpTopic = 1034;
constexpr int kListWidthChars = 26;

// A value shown beside its label; the label names it for a screen reader.
QLabel* valueLabel(const QString& field, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setAccessibleDescription(field);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QListWidget* sectorList(const QString& name, QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setAccessibleName(name);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    list->setFont(font);
    list->setMinimumWidth(QFontMetrics(font).horizontalAdvance(QString(kListWidthChars, u'0')) + 30);
    return list;
}

void fill(QListWidget* list, const std::vector<std::string>& lines, std::size_t selected)
{
    list->clear();
    for (const std::string& line : lines)
        list->addItem(QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
    list->setCurrentRow(static_cast<int>(selected));
    list->scrollToItem(list->currentItem(), QAbstractItemView::PositionAtCenter);
}

} // namespace

CMismatchDlg::CMismatchDlg(Prompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter), area_(valueLabel(tr("Area"), this)), track_(valueLabel(tr("Track"), this)),
      sector_(valueLabel(tr("Sector"), this)), offset_(valueLabel(tr("Offset"), this)),
      tracksPerDisk_(valueLabel(tr("Tracks Per Disk"), this)),
      sectorsPerTrack_(valueLabel(tr("Sectors Per Track"), this)),
      bytesPerSector_(valueLabel(tr("Bytes per Sector"), this)), disketteList_(sectorList(tr("Diskette"), this)),
      memoryList_(sectorList(tr("Memory"), this)), hexadecimal_(new QRadioButton(tr("Hexadecimal"), this)),
      nextTrack_(new QRadioButton(tr("Next Track"), this)), printer_(new QRadioButton(tr("Printer"), this))
{
    setWindowTitle(tr("Diskette Mismatch"));
    auto* grid = new QGridLayout(this);
    buildLocation(grid);
    buildData(grid);
    buildChoices(grid);
}

void CMismatchDlg::buildLocation(QGridLayout* grid)
{
    auto* box = new QGroupBox(tr("Location:"), this);
    auto* form = new QGridLayout(box);
    const std::pair<QString, QLabel*> left[] = {
        {tr("Area:"), area_}, {tr("Track:"), track_}, {tr("Sector:"), sector_}, {tr("Offset:"), offset_}};
    const std::pair<QString, QLabel*> right[] = {{tr("Tracks Per Disk:"), tracksPerDisk_},
                                                 {tr("Sectors Per Track:"), sectorsPerTrack_},
                                                 {tr("Bytes per Sector:"), bytesPerSector_}};
    int row = 0;
    for (const auto& [text, value] : left) {
        form->addWidget(new QLabel(text, box), row, 0);
        form->addWidget(value, row++, 1);
    }
    row = 0;
    for (const auto& [text, value] : right) {
        form->addWidget(new QLabel(text, box), row, 2);
        form->addWidget(value, row++, 3);
    }
    form->setColumnStretch(1, 1);
    grid->addWidget(box, 0, 0, 1, 3);
}

void CMismatchDlg::buildData(QGridLayout* grid)
{
    auto* box = new QGroupBox(tr("Data"), this);
    auto* layout = new QGridLayout(box);
    layout->addWidget(new QLabel(tr("Diskette:"), box), 0, 0);
    layout->addWidget(new QLabel(tr("Memory:"), box), 0, 1);
    layout->addWidget(disketteList_, 1, 0);
    layout->addWidget(memoryList_, 1, 1);
    auto* ascii = new QRadioButton(tr("ASCII"), box);
    layout->addWidget(hexadecimal_, 2, 0);
    layout->addWidget(ascii, 2, 1);
    connect(hexadecimal_, &QRadioButton::toggled, this, [this] { fillLists(); });
    grid->addWidget(box, 1, 0, 1, 3);
}

void CMismatchDlg::buildChoices(QGridLayout* grid)
{
    auto* resume = new QGroupBox(tr("Resume Comparison:"), this);
    auto* resumeLayout = new QVBoxLayout(resume);
    auto* nextSector = new QRadioButton(tr("Next Sector"), resume);
    resumeLayout->addWidget(nextSector);
    resumeLayout->addWidget(nextTrack_);
    connect(nextSector, &QRadioButton::toggled, this, [this](bool on) {
        if (report_)
            report_->resumeMode = on ? kResumeNextSector : kResumeNextTrack;
    });
    grid->addWidget(resume, 2, 0);

    auto* options = new QGroupBox(tr("Print Options"), this);
    auto* optionsLayout = new QVBoxLayout(options);
    auto* file = new QRadioButton(tr("File"), options);
    auto* print = new QPushButton(tr("Print"), options);
    optionsLayout->addWidget(printer_);
    optionsLayout->addWidget(file);
    optionsLayout->addWidget(print);
    connect(print, &QPushButton::clicked, this, &CMismatchDlg::print);
    grid->addWidget(options, 2, 1);

    auto* buttons = new QVBoxLayout;
    auto* ok = new QPushButton(tr("Resume Compare"), this);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    auto* help = new QPushButton(tr("Help"), this);
    ok->setDefault(true);
    for (QPushButton* button : {ok, cancel, help})
        buttons->addWidget(button);
    buttons->addStretch();
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpTopic); });
    grid->addLayout(buttons, 2, 2);
}

bool CMismatchDlg::run(MismatchReport& report)
{
    bool resume = false;
    GuiThread::call([&] {
        present(report);
        resume = exec() == QDialog::Accepted;
        report_ = nullptr;
    });
    return resume;
}

void CMismatchDlg::present(MismatchReport& report)
{
    report_ = nullptr; // the choices below are the opening state, not the user's
    area_->setText(QString::fromStdString(report.area));
    track_->setText(QString::fromStdString(report.track));
    sector_->setText(QString::fromStdString(report.sector));
    offset_->setText(QString::fromStdString(report.offset));
    tracksPerDisk_->setText(QString::fromStdString(report.tracksPerDisk));
    sectorsPerTrack_->setText(QString::fromStdString(report.sectorsPerTrack));
    bytesPerSector_->setText(QString::fromStdString(report.bytesPerSector));
    nextTrack_->setChecked(true);
    printer_->setChecked(true);
    report.resumeMode = kResumeNextTrack;
    report_ = &report;
    if (hexadecimal_->isChecked())
        fillLists();
    else
        hexadecimal_->setChecked(true);
}

void CMismatchDlg::fillLists()
{
    if (!report_)
        return;
    const MismatchReport& r = *report_;
    if (hexadecimal_->isChecked()) {
        fill(disketteList_, MismatchReport::hexLines(r.disketteSector()), r.selectedHexLine());
        fill(memoryList_, MismatchReport::hexLines(r.memorySector()), r.selectedHexLine());
    } else {
        fill(disketteList_, MismatchReport::asciiLines(r.disketteSector()), r.selectedAsciiLine());
        fill(memoryList_, MismatchReport::asciiLines(r.memorySector()), r.selectedAsciiLine());
    }
}

void CMismatchDlg::print()
{
    if (!report_)
        return;
    if (printer_->isChecked()) {
        emit printRequested();
        return;
    }
    const QString path = askReportPath();
    if (!path.isEmpty())
        saveReport(path);
}

QString CMismatchDlg::askReportPath()
{
    HelpFileDialog dialog({kSaveTitle, kSaveFilters, kSavePattern, kSaveSuffix, QFileDialog::AcceptSave,
                           QFileDialog::AnyFile, kSaveHelpTopic},
                          this);
    connect(&dialog, &HelpFileDialog::helpRequested, this, &CMismatchDlg::helpRequested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

bool CMismatchDlg::saveReport(const QString& path)
{
    if (!report_)
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::string failure;
    try {
        MismatchPrintout::writeReport(path.toStdString(), report_->header(), report_->disketteSector(),
                                      report_->memorySector());
    } catch (const Error& e) {
        failure = e.what();
    }
    QApplication::restoreOverrideCursor();
    if (!failure.empty())
        prompter_.tell(failure, Icon::Exclamation);
    return failure.empty();
}

} // namespace vellum
