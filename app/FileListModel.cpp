#include "app/FileListModel.h"

#include <QPainter>
#include <QPixmap>
#include <algorithm>

#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/MediaTable.h"
#include "files/FileListText.h"

namespace vellum {

namespace {

constexpr int kDirectoryIcon = 2;
constexpr int kNameColumn = 0;
constexpr int kSizeColumn = 2;
constexpr int kSizeAlignment = Qt::AlignRight | Qt::AlignVCenter;

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

FileListModel::FileListModel(QObject* parent)
    : QAbstractTableModel(parent),
      icons_{QIcon(QStringLiteral(":/icons/file-35.svg")), QIcon(QStringLiteral(":/icons/file-525.svg")),
             QIcon(QStringLiteral(":/icons/folder.svg")), QIcon(QStringLiteral(":/icons/empty.svg"))}
{
}

bool FileListModel::fill(CVLMDoc& doc)
{
    beginResetModel();
    renameRow_ = -1;
    rows_ = table_.shownSlots();
    sortRows();
    placeholder_.clear();
    if (table_.empty()) {
        doc.MediaSizeKind = kMediaNone;
        placeholder_ = QString::fromUtf8(FileListText::placeholder(doc.ImageEmpty != 0));
    }
    mediaSizeKind_ = doc.MediaSizeKind;
    endResetModel();
    return !(table_.empty() && doc.ImageEmpty);
}

const ListingRecord* FileListModel::record(int row) const
{
    if (showsPlaceholder() || row < 0 || row >= static_cast<int>(rows_.size()))
        return nullptr;
    return table_.at(rows_[static_cast<std::size_t>(row)]);
}

int FileListModel::rowNamed(const QString& name) const
{
    // A short name without a long one is padded, and the image may keep another case.
    const QString wanted = name.trimmed();
    for (int row = 0; row < static_cast<int>(rows_.size()) && !showsPlaceholder(); ++row)
        if (text(row, kNameColumn).trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
            return row;
    return -1;
}

QString FileListModel::text(int row, int column) const
{
    if (showsPlaceholder())
        return column == kNameColumn ? placeholder_ : QString();
    const ListingRecord* r = record(row);
    return r ? fromUtf8(FileListText::columnText(*r, column)) : QString();
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return showsPlaceholder() ? 1 : static_cast<int>(rows_.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(FileListText::kColumns.size());
}

QIcon FileListModel::iconOf(const ListingRecord* r) const
{
    if (r && (r->attributes & dirent::kDirectory))
        return icons_[kDirectoryIcon];
    const auto kind = static_cast<std::size_t>(mediaSizeKind_);
    return kind < icons_.size() ? icons_[kind] : QIcon();
}

QString FileListModel::damageOf(int row) const
{
    const ListingRecord* r = record(row);
    if (!r || damage_.isEmpty())
        return {};
    // Named as the damage report names it: padding dropped, a folder ending in "/".
    const std::string name = r->longName.substr(0, r->longName.find_last_not_of(' ') + 1);
    const bool folder = (r->attributes & dirent::kDirectory) != 0;
    return damage_.value(folder_ + QString::fromStdString(name) + (folder ? QStringLiteral("/") : QString()));
}

QIcon FileListModel::damaged(const QIcon& icon)
{
    constexpr int kSize = 16;
    constexpr int kMark = 7;
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    icon.paint(&painter, pixmap.rect());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::red);
    painter.drawEllipse(kSize - kMark, kSize - kMark, kMark, kMark);
    return QIcon(pixmap);
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return text(index.row(), index.column());
    if (role == Qt::DecorationRole && index.column() == kNameColumn) {
        const QIcon icon = iconOf(record(index.row()));
        return damageOf(index.row()).isEmpty() ? icon : damaged(icon);
    }
    if (role == Qt::ToolTipRole)
        return damageOf(index.row());
    if (role == Qt::TextAlignmentRole && index.column() == kSizeColumn)
        return kSizeAlignment;
    return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(FileListText::kColumns.size()))
        return {};
    if (role == Qt::InitialSortOrderRole)
        return Qt::AscendingOrder; // a column clicked first sorts ascending
    if (role == Qt::TextAlignmentRole && section == kSizeColumn)
        return kSizeAlignment;
    if (role != Qt::DisplayRole)
        return {};
    return QString::fromUtf8(FileListText::kColumns[static_cast<std::size_t>(section)].title);
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == kNameColumn && index.row() == renameRow_ && record(index.row()))
        f |= Qt::ItemIsEditable;
    return f;
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || index.row() != renameRow_)
        return false;
    renameRow_ = -1;
    ListingRecord* r = table_.at(slotOf(index.row()));
    const QString newName = value.toString();
    if (!r || newName.isEmpty())
        return false;
    const QString oldName = fromUtf8(r->longName);
    r->longName = newName.toStdString();
    emit dataChanged(index, index);
    emit renamed(index.row(), oldName, newName);
    return true;
}

void FileListModel::sortRows()
{
    if (sortColumn_ < 0) {
        rows_ = table_.shownSlots();
        return;
    }
    const int sign = sortOrder_ == Qt::AscendingOrder ? 1 : -1;
    std::stable_sort(rows_.begin(), rows_.end(), [&](std::size_t a, std::size_t b) {
        return sign * FileListText::compare(*table_.at(a), *table_.at(b), sortColumn_) < 0;
    });
}

void FileListModel::sort(int column, Qt::SortOrder order)
{
    sortColumn_ = column;
    sortOrder_ = order;
    if (showsPlaceholder())
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<std::size_t> before = rows_;
    sortRows();
    // Selection and current row follow their entries to the new places.
    const QModelIndexList old = persistentIndexList();
    QModelIndexList moved;
    for (const QModelIndex& i : old) {
        const auto slot = before[static_cast<std::size_t>(i.row())];
        const auto row = std::find(rows_.begin(), rows_.end(), slot) - rows_.begin();
        moved.append(this->index(static_cast<int>(row), i.column()));
    }
    changePersistentIndexList(old, moved);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FileListModel::setName(int row, const QString& name)
{
    if (ListingRecord* r = showsPlaceholder() ? nullptr : table_.at(slotOf(row))) {
        r->longName = name.toStdString();
        emit dataChanged(index(row, kNameColumn), index(row, kNameColumn));
    }
}

} // namespace vellum
