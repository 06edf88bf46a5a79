#include "splitjoin/ui/WorkPage.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/ui/OperationRunner.h"
#include "splitjoin/ui/PageControls.h"

namespace vellum {

using namespace PageControls;

WorkPage::WorkPage(OperationRunner& runner, const QString& action, const QString& actionName,
                   const QString& barName, int helpTopic, QWidget* parent)
    : QWidget(parent), form_(new QWidget(this)), bar_(workBar(barName, this)), cancel_(cancelButton(this)),
      action_(named(new QPushButton(action, this), actionName)),
      help_(named(new QPushButton(tr("Help"), this), tr("Help"))), progress_(*bar_), runner_(runner)
{
    connect(cancel_, &QPushButton::clicked, this, &WorkPage::cancel);
    connect(help_, &QPushButton::clicked, this, [this, helpTopic] { emit helpRequested(helpTopic); });
}

void WorkPage::layOut(std::initializer_list<QLayout*> between)
{
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bar_, 1);
    buttons->addWidget(cancel_);
    buttons->addStretch();
    buttons->addWidget(action_);
    buttons->addWidget(help_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(form_, 1);
    for (QLayout* row : between)
        layout->addLayout(row);
    layout->addLayout(buttons);
}

void WorkPage::work(std::function<void()> job, std::function<void()> done)
{
    setBusy(true);
    const auto finish = [this, done = std::move(done)] {
        done();
        setBusy(false);
    };
    if (!runner_.start(std::move(job), finish, [this] { cancel(); }))
        setBusy(false);
}

void WorkPage::setBusy(bool busy)
{
    busy_ = busy;
    if (busy)
        progress_.begin();
    form_->setEnabled(!busy);
    cancel_->setVisible(busy);
    updateAction();
    emit busyChanged(busy);
}

void WorkPage::updateAction()
{
    action_->setEnabled(!busy_ && canAct());
}

} // namespace vellum
