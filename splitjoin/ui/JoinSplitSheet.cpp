#include "splitjoin/ui/JoinSplitSheet.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "splitjoin/ui/CFileJoin.h"
#include "splitjoin/ui/CFileSplit.h"

namespace vellum {

JoinSplitSheet::JoinSplitSheet(OperationRunner& runner, QWidget* parent)
    : QDialog(parent), tabs_(new QTabWidget(this)), join_(new CFileJoin(runner)),
      split_(new CFileSplit(runner, volume_)), done_(new QPushButton(tr("Done"), this))
{
    // The sheet carries the name of the menu command that opens it.
    setWindowTitle(tr("Join/Split a file"));
    tabs_->addTab(join_, tr("Join"));
    tabs_->addTab(split_, tr("Split"));
    done_->setAccessibleName(tr("Done"));
    connect(done_, &QPushButton::clicked, this, &QDialog::accept);
    connect(join_, &CFileJoin::busyChanged, this, &JoinSplitSheet::setBusy);
    connect(split_, &CFileSplit::busyChanged, this, &JoinSplitSheet::setBusy);
    connect(join_, &CFileJoin::helpRequested, this, &JoinSplitSheet::helpRequested);
    connect(split_, &CFileSplit::helpRequested, this, &JoinSplitSheet::helpRequested);

    // As in the sheet the pages come from, Enter in an edit presses nothing.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(done_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addLayout(buttons);
}

int JoinSplitSheet::exec()
{
    join_->start();
    split_->start();
    tabs_->setCurrentWidget(join_);
    return QDialog::exec();
}

void JoinSplitSheet::reject()
{
    if (join_->busy())
        join_->cancel();
    else if (split_->busy())
        split_->cancel();
    else
        QDialog::reject();
}

void JoinSplitSheet::setBusy(bool busy)
{
    tabs_->tabBar()->setEnabled(!busy);
    done_->setEnabled(!busy);
}

} // namespace vellum
