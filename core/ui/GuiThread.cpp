#include "core/ui/GuiThread.h"

#include <QCoreApplication>
#include <QThread>

namespace vellum {

namespace {

bool onThreadOf(const QObject* object)
{
    return !object || QThread::currentThread() == object->thread();
}

} // namespace

void GuiThread::call(const std::function<void()>& work)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (onThreadOf(app))
        work();
    else
        QMetaObject::invokeMethod(
            app, [&work] { work(); }, Qt::BlockingQueuedConnection);
}

void GuiThread::post(QObject* context, std::function<void()> work)
{
    if (onThreadOf(context))
        work();
    else
        QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
}

} // namespace vellum
