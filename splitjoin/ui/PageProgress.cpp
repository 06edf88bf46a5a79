#include "splitjoin/ui/PageProgress.h"

#include <QCoreApplication>
#include <QProgressBar>

namespace vellum {

namespace {

void pump()
{
    QCoreApplication::processEvents();
}

} // namespace

void PageProgress::started(const std::string& piece)
{
    if (onStarted)
        onStarted(QString::fromStdString(piece));
    bar_.show();
    pump();
}

void PageProgress::advanced(int percent)
{
    bar_.setValue(percent);
    pump();
}

void PageProgress::created(const std::string& piece)
{
    if (onCreated)
        onCreated(QString::fromStdString(piece));
}

void PageProgress::ended()
{
    bar_.hide();
    bar_.reset();
}

} // namespace vellum
