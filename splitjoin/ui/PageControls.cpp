#include "splitjoin/ui/PageControls.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>

namespace vellum::PageControls {

QPushButton* browseButton(const QString& tip, QWidget* parent)
{
    auto* button = new QPushButton(parent);
    button->setIcon(QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon));
    button->setToolTip(tip);
    return named(button, tip);
}

QHBoxLayout* pathRow(QLineEdit* edit, QPushButton* browse)
{
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(browse);
    return row;
}

QString chooseTargetFolder(QWidget* parent, const QString& from)
{
    return QFileDialog::getExistingDirectory(parent, QObject::tr("Select Target Path:"), from);
}

QLabel* valueLabel(const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFrameShape(QFrame::StyledPanel);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The value stays the accessible name, so a screen reader reads it.
    label->setAccessibleDescription(name);
    return label;
}

QListWidget* sortedList(const QString& name, QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setSortingEnabled(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return named(list, name);
}

QProgressBar* workBar(const QString& name, QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 100);
    bar->hide();
    return named(bar, name);
}

QPushButton* cancelButton(QWidget* parent)
{
    auto* button = new QPushButton(QObject::tr("Cancel"), parent);
    button->hide();
    return named(button, QObject::tr("Cancel"));
}

void tabChain(std::initializer_list<QWidget*> widgets)
{
    QWidget* previous = nullptr;
    for (QWidget* w : widgets) {
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

QString currentFolder()
{
    return QDir::currentPath();
}

} // namespace vellum::PageControls
