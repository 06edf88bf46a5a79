#pragma once
// What the Join and Split pages share: a form, and under it the work row of
// a bar and Cancel shown only while the page works, the page's action button
// and Help. The work runs on the operation runner's worker; meanwhile the
// form is disabled and the sheet is told, so that the sheet stays open until
// the work ends.
#include <QWidget>
#include <functional>
#include <initializer_list>

#include "splitjoin/ui/PageProgress.h"

class QLayout;
class QProgressBar;
class QPushButton;

namespace vellum {

class OperationRunner;

class WorkPage : public QWidget {
    Q_OBJECT
public:
    bool busy() const { return busy_; }
    void cancel() { progress_.requestCancel(); }

signals:
    void helpRequested(int topic);
    void busyChanged(bool busy);

protected:
    // The action button shows `action` and is named `actionName`; the bar is named `barName`.
    WorkPage(OperationRunner& runner, const QString& action, const QString& actionName, const QString& barName,
             int helpTopic, QWidget* parent);

    // The form, then `between`, then the work row.
    void layOut(std::initializer_list<QLayout*> between = {});
    // Runs `job` on the worker, the page busy, then `done` here.
    void work(std::function<void()> job, std::function<void()> done);
    // Whether the action may start, the page being idle.
    virtual bool canAct() const = 0;
    void updateAction();

    QWidget* const form_;
    QProgressBar* const bar_;
    QPushButton* const cancel_;
    QPushButton* const action_;
    QPushButton* const help_;
    PageProgress progress_;

    OperationRunner& runner_;

private:
    void setBusy(bool busy);

    bool busy_ = false;
};

} // namespace vellum
