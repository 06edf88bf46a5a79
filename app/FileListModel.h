#pragma once
// The file list's rows: the table's entries in the order last sorted, or the
// one placeholder row while the directory shown has none. Every text is
// produced when the view asks for it. The order chosen last stays for every
// later fill, so a delete, rename or add does not undo it.
#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <array>
#include <vector>

#include "files/FileListTable.h"

namespace vellum {

class CVLMDoc;

class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FileListModel(QObject* parent = nullptr);

    FileListTable& table() { return table_; }

    // Rebuilds the rows from the table. Sets the document's MediaSizeKind to
    // "none" when the placeholder shows. Returns whether an image is shown,
    // which enables Copy, Compare and Save Image File.
    bool fill(CVLMDoc& doc);

    bool showsPlaceholder() const { return !placeholder_.isEmpty(); }
    // The record of a row; null for the placeholder.
    const ListingRecord* record(int row) const;
    std::size_t slotOf(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
    QString text(int row, int column) const;
    // The row showing that name, or -1.
    int rowNamed(const QString& name) const;

    // Shows another name in the row, as after a rename that failed.
    void setName(int row, const QString& name);
    // Lets the next edit of the row's name through (the in-place rename).
    void allowRename(int row) { renameRow_ = row; }

    // The damage a rescue found: a tooltip by the full path of each file or
    // folder ("/DOCS/", "/DOCS/A.TXT") that holds unreadable sectors.
    void setDamage(QHash<QString, QString> tipsByPath) { damage_ = std::move(tipsByPath); }
    // The full path of the folder the rows list, "/" or "/DOCS/".
    void setFolder(const QString& path) { folder_ = path; }
    // The damage tooltip of a row; empty when it read whole.
    QString damageOf(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    // Column -1 goes back to the directory's own order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

signals:
    // The in-place rename ended with a new name; the row already shows it.
    void renamed(int row, const QString& oldName, const QString& newName);

private:
    QIcon iconOf(const ListingRecord* record) const;
    static QIcon damaged(const QIcon& icon);
    void sortRows();

    FileListTable table_;
    std::vector<std::size_t> rows_;
    QString placeholder_;
    int mediaSizeKind_ = 0;
    int renameRow_ = -1;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    std::array<QIcon, 4> icons_;
    QHash<QString, QString> damage_;
    QString folder_ = QStringLiteral("/");
};

} // namespace vellum
