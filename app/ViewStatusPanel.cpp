#include "app/ViewStatusPanel.h"

#include <QStringList>

#include "app/StatusStrip.h"
#include "core/ui/GuiThread.h"

namespace vellum {

ViewStatusPanel::ViewStatusPanel(StatusStrip& upper, StatusStrip& lower) : upper_(upper), lower_(lower)
{
    changed();
}

void ViewStatusPanel::changed()
{
    // Taken on the engine's thread, shown on the GUI thread.
    const QStringList lines{QString::fromStdString(volumeLine()), QString::fromStdString(memoryLine()),
                            QString::fromStdString(operationLine()), QString::fromStdString(statusLine())};
    GuiThread::post(&upper_, [this, lines] {
        upper_.setTexts(lines[0], lines[1]);
        lower_.setTexts(lines[2], lines[3]);
    });
}

} // namespace vellum
