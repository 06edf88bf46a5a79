#pragma once
// The file list control: five fixed columns in report style, several rows
// selectable, sorting by a click on a column heading (a second click turns
// the order round), and the in-place rename editor, which Enter commits and
// Esc or a lost focus closes without a change. Enter acts on the selected row
// as a double-click does, Backspace asks for the folder above. Files dropped
// from a file manager are handed on while drops are accepted.
#include <QTreeView>

namespace vellum {

class FileListModel;

class FileListView : public QTreeView {
    Q_OBJECT
public:
    FileListView(FileListModel& model, QWidget* parent = nullptr);

    // The first selected row, or -1.
    int selectedRow() const;
    void selectRow(int row);
    // Opens the name editor over the row.
    void startRename(int row);
    void acceptFileDrops(bool accept);

signals:
    void rowDoubleClicked(int row);
    void upRequested();
    void contextMenuAt(QPoint point);
    // Local files or folders were dropped on the list.
    void filesDropped(const QStringList& paths);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    FileListModel& model_;
};

} // namespace vellum
