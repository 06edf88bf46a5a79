#include "core/ui/OperationRunner.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>

namespace vellum {

OperationRunner::OperationRunner(Prompter& shown, QObject* parent) : QObject(parent), prompter_(shown) {}

OperationRunner::~OperationRunner()
{
    if (thread_)
        thread_->wait();
    delete thread_;
}

bool OperationRunner::start(std::function<void()> work, std::function<void()> done, std::function<void()> cancel)
{
    if (busy())
        return false;
    work_ = std::move(work);
    done_ = std::move(done);
    cancel_ = std::move(cancel);
    thread_ = QThread::create([this] { work_(); });
    connect(thread_, &QThread::finished, this, &OperationRunner::finish);
    QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    emit busyChanged(true);
    thread_->start();
    return true;
}

void OperationRunner::cancel()
{
    if (busy() && cancel_)
        cancel_();
}

void OperationRunner::whenIdle(std::function<void()> call)
{
    if (busy())
        waiting_.push_back(std::move(call));
    else
        call();
}

void OperationRunner::finish()
{
    thread_->wait();
    delete std::exchange(thread_, nullptr);
    QGuiApplication::restoreOverrideCursor();
    work_ = {};
    cancel_ = {};
    // What comes after may start the next operation.
    if (const auto done = std::exchange(done_, {}))
        done();
    if (busy())
        return;
    emit busyChanged(false);
    while (!waiting_.empty() && !busy()) {
        const auto call = std::move(waiting_.front());
        waiting_.pop_front();
        call();
    }
}

} // namespace vellum
