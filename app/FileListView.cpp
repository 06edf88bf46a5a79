#include "app/FileListView.h"

#include <QDropEvent>
#include <QEvent>
#include <QMimeData>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <algorithm>

#include "app/FileListModel.h"
#include "files/FileListText.h"

namespace vellum {

namespace {

constexpr double kBaseCharWidth = 6.0;

// The local paths a drag carries; empty when any of it is not a local file.
QStringList localPaths(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        paths << url.toLocalFile();
    }
    return paths;
}

// The name editor: Enter commits; leaving the editor any other way keeps the old name.
class RenameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && event->type() == QEvent::FocusOut) {
            emit closeEditor(editor, NoHint);
            return true;
        }
        if (editor && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                emit commitData(editor);
                emit closeEditor(editor, NoHint);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }
};

} // namespace

FileListView::FileListView(FileListModel& model, QWidget* parent) : QTreeView(parent), model_(model)
{
    setObjectName(QStringLiteral("FileList"));
    setModel(&model_);
    setItemDelegate(new RenameDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setAlternatingRowColors(true);
    setSelectionMode(ExtendedSelection);
    setSelectionBehavior(SelectRows);
    setEditTriggers(NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setIconSize({16, 16});

    QHeaderView* head = header();
    // The last column takes what is left of the window.
    head->setStretchLastSection(true);
    head->setSectionsMovable(false);
    head->setSectionsClickable(true);
    // No column is sorted until one is clicked: the list keeps the directory's order.
    head->setSortIndicator(-1, Qt::AscendingOrder);
    head->setSortIndicatorShown(true);
    setSortingEnabled(true);
    // The widths were chosen for a font six pixels wide on average; wider fonts get wider columns.
    const double scale = std::max(1.0, fontMetrics().averageCharWidth() / kBaseCharWidth);
    for (std::size_t c = 0; c < FileListText::kColumns.size(); ++c)
        setColumnWidth(static_cast<int>(c), static_cast<int>(FileListText::kColumns[c].width * scale));
    connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) { emit rowDoubleClicked(index.row()); });
    connect(this, &QWidget::customContextMenuRequested, this, &FileListView::contextMenuAt);
}

int FileListView::selectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& i : rows)
        if (first < 0 || i.row() < first)
            first = i.row();
    return first;
}

void FileListView::selectRow(int row)
{
    const QModelIndex index = model_.index(row, 0);
    if (!index.isValid())
        return;
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

void FileListView::startRename(int row)
{
    const QModelIndex index = model_.index(row, 0);
    model_.allowRename(row);
    selectRow(row);
    edit(index);
}

void FileListView::acceptFileDrops(bool accept)
{
    setAcceptDrops(accept);
    viewport()->setAcceptDrops(accept);
}

void FileListView::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (state() != EditingState && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && selectedRow() >= 0) {
            emit rowDoubleClicked(selectedRow());
            return;
        }
        if (key == Qt::Key_Backspace) {
            emit upRequested();
            return;
        }
    }
    QTreeView::keyPressEvent(event);
}

void FileListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!localPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void FileListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!localPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void FileListView::dropEvent(QDropEvent* event)
{
    const QStringList paths = localPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    emit filesDropped(paths);
}

} // namespace vellum
