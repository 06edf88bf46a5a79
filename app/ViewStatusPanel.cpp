#include "app/ViewStatusPanel.h"

#include "app/StatusStrip.h"

namespace vellum {

ViewStatusPanel::ViewStatusPanel(StatusStrip& upper, StatusStrip& lower) : upper_(upper), lower_(lower)
{
    changed();
}

void ViewStatusPanel::changed()
{
    upper_.setTexts(QString::fromStdString(volumeLine()), QString::fromStdString(memoryLine()));
    lower_.setTexts(QString::fromStdString(operationLine()), QString::fromStdString(statusLine()));
    // An operation may still be running: show the texts now, not at the next idle moment.
    upper_.repaint();
    lower_.repaint();
}

} // namespace vellum
