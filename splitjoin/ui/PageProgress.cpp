#include "splitjoin/ui/PageProgress.h"

#include <QProgressBar>

#include "core/ui/GuiThread.h"

namespace vellum {

void PageProgress::started(const std::string& piece)
{
    GuiThread::post(&bar_, [this, name = QString::fromStdString(piece)] {
        if (onStarted)
            onStarted(name);
        bar_.show();
    });
}

void PageProgress::advanced(int percent)
{
    GuiThread::post(&bar_, [this, percent] { bar_.setValue(percent); });
}

void PageProgress::created(const std::string& piece)
{
    GuiThread::post(&bar_, [this, name = QString::fromStdString(piece)] {
        if (onCreated)
            onCreated(name);
    });
}

void PageProgress::ended()
{
    GuiThread::post(&bar_, [this] {
        bar_.hide();
        bar_.reset();
    });
}

} // namespace vellum
