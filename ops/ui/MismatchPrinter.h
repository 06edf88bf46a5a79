#pragma once
// Prints the two sectors of the last compare mismatch that the document
// holds: a header with the page number, a rule, and the side-by-side dump in
// a fixed-pitch font, the 80-column text centred on the page.
#include <QFont>

class QPainter;
class QPrinter;
class QWidget;

namespace vellum {

class CVLMDoc;

class MismatchPrinter {
public:
    static constexpr int kPointSize = 10;

    explicit MismatchPrinter(const CVLMDoc& doc) : doc_(doc) {}

    // After the print dialog, which also offers a PDF file.
    void printWithDialog(QWidget* parent) const;
    // On the default printer; false when there is none.
    bool printDirect() const;
    void preview(QWidget* parent) const;

    // The job's last page on that printer.
    int lastPage(QPrinter& printer) const;
    // Draws the pages the printer's range asks for (all when none is set).
    void print(QPrinter& printer) const;

private:
    struct Layout {
        QFont font;
        int lineHeight = 0;
        int textWidth = 0;
        int leftMargin = 0;
        int linesPerPage = 0;
        int lastPage = 1;
    };
    Layout layoutFor(QPrinter& printer) const;
    void printPage(QPainter& painter, const Layout& layout, int page) const;

    const CVLMDoc& doc_;
};

} // namespace vellum
