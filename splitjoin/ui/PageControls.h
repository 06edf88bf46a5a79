#pragma once
// Controls the Join and Split pages share: every one carries its label text
// as its accessible name, so screen readers and the desktop tests find it.
#include <QString>
#include <initializer_list>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QWidget;

namespace vellum::PageControls {

// `widget` named `name`; returned for chaining.
template <typename W>
W* named(W* widget, const QString& name)
{
    widget->setAccessibleName(name);
    return widget;
}

// An icon button that opens a file or folder dialog; the tooltip names it.
QPushButton* browseButton(const QString& tip, QWidget* parent);
// A path's edit with its browse button beside it.
QHBoxLayout* pathRow(QLineEdit* edit, QPushButton* browse);
// The folder chooser for where pieces or the joined file go; empty on cancel.
QString chooseTargetFolder(QWidget* parent, const QString& from);
// A label that shows a value, described by the label before it.
QLabel* valueLabel(const QString& name, QWidget* parent);
// A sorted list whose entries may be chosen several at a time.
QListWidget* sortedList(const QString& name, QWidget* parent);
// A bar hidden except while work runs.
QProgressBar* workBar(const QString& name, QWidget* parent);
// The Cancel button shown only while work runs.
QPushButton* cancelButton(QWidget* parent);
// Tab moves through `widgets` in this order.
void tabChain(std::initializer_list<QWidget*> widgets);
// The folder the process works in, where pieces and joined files go by default.
QString currentFolder();

} // namespace vellum::PageControls
