#include "ops/ui/MismatchPrinter.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTimer>
#include <QToolBar>
#include <QStandardPaths>
#include <QDir>
#include <algorithm>

#include "core/CVLMDoc.h"
#include "ops/MismatchPrintout.h"
#include "ops/MismatchReport.h"

namespace vellum {

namespace {

// Measures the width of the 80 columns and the one beyond.
const QString kPdfName = QStringLiteral("mismatch.pdf");

const QString kRuler =
    QStringLiteral("---------1---------2---------3---------4---------5---------6---------7---------8-");
constexpr int kHeaderLine = 2;
// The dialog's frame and layout margins beside its toolbar.
constexpr int kToolBarMargin = 24;
constexpr int kFirstDumpLine = 5;

QString latin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

MismatchPrinter::Layout MismatchPrinter::layoutFor(QPrinter& printer) const
{
    Layout layout;
    layout.font = QFont(QStringLiteral("Courier New"));
    layout.font.setStyleHint(QFont::TypeWriter);
    layout.font.setFamilies({QStringLiteral("Courier New"),
                             QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
    layout.font.setFixedPitch(true);
    layout.font.setPointSize(kPointSize);
    const QFontMetrics metrics(layout.font, &printer);
    layout.lineHeight = std::max(metrics.height() + metrics.leading(), 1);
    layout.textWidth = metrics.horizontalAdvance(kRuler);
    layout.leftMargin = std::max((printer.width() - layout.textWidth) / 2, 0);
    layout.linesPerPage = MismatchPrintout::linesPerPage(printer.height(), layout.lineHeight);
    layout.lastPage = MismatchPrintout::lastPage(layout.linesPerPage);
    return layout;
}

void MismatchPrinter::printWithDialog(QWidget* parent) const
{
    QPrinter printer(QPrinter::HighResolution);
    // Without a printer the dialog starts on a PDF file, so the printout can still be kept.
    if (QPrinterInfo::availablePrinters().isEmpty())
        printer.setOutputFileName(
            QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(kPdfName));
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(1, lastPage(printer));
    if (dialog.exec() == QDialog::Accepted)
        print(printer);
}

bool MismatchPrinter::printDirect() const
{
    QPrinter printer(QPrinter::HighResolution);
    if (!printer.isValid() || printer.printerName().isEmpty())
        return false;
    print(printer);
    return true;
}

void MismatchPrinter::preview(QWidget* parent) const
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [this](QPrinter* p) { print(*p); });
    // Wide enough for the whole toolbar: its last button, Print, would hide behind the overflow arrow.
    // The dialog takes its own size when shown, so it is widened once it is.
    QTimer::singleShot(0, &dialog, [&dialog] {
        if (const auto* bar = dialog.findChild<QToolBar*>())
            dialog.resize(std::max(dialog.width(), bar->sizeHint().width() + kToolBarMargin), dialog.height());
    });
    dialog.exec();
}

int MismatchPrinter::lastPage(QPrinter& printer) const
{
    return layoutFor(printer).lastPage;
}

void MismatchPrinter::print(QPrinter& printer) const
{
    const Layout layout = layoutFor(printer);
    int first = 1;
    int last = layout.lastPage;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(printer.fromPage(), 1);
        last = std::min(std::max(printer.toPage(), first), layout.lastPage);
    }
    QPainter painter(&printer);
    painter.setFont(layout.font);
    for (int page = first; page <= last; ++page) {
        if (page > first)
            printer.newPage();
        printPage(painter, layout, page);
    }
}

void MismatchPrinter::printPage(QPainter& painter, const Layout& layout, int page) const
{
    const std::span<const std::uint8_t> diskette(doc_.mismatch[0].data(), MismatchReport::kSectorBytes);
    const std::span<const std::uint8_t> memory(doc_.mismatch[1].data(), MismatchReport::kSectorBytes);
    const int ascent = QFontMetrics(layout.font, painter.device()).ascent();
    const int lh = layout.lineHeight;
    painter.drawText(layout.leftMargin, kHeaderLine * lh + ascent,
                     latin1(MismatchPrintout::pageHeader(doc_.mismatchHeader, page)));
    const int ruleY = kHeaderLine * lh + (3 * lh) / 2;
    painter.drawLine(layout.leftMargin, ruleY, layout.leftMargin + layout.textWidth - 1, ruleY);
    int j = 0;
    for (const std::string& line : MismatchPrintout::pageLines(diskette, memory, page, layout.linesPerPage))
        painter.drawText(layout.leftMargin, (j++ + kFirstDumpLine) * lh + ascent, latin1(line));
}

} // namespace vellum
