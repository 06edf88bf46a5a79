#include "widgets/DriveListBox.h"

#include <QApplication>
#include <QPainter>
#include <QStyledItemDelegate>

#include "drive/CDriveServices.h"

namespace vellum {

namespace {

constexpr int kDriveRole = Qt::UserRole;
constexpr int kNoDrive = -1;

// Picture above, name centred below, the whole entry on the highlight
// colour when selected.
class DriveDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return {DriveListBox::kIconSize, DriveListBox::kIconSize + option.fontMetrics.height() * 3 / 2};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& palette = option.palette;
        const QRect r = option.rect;
        const int textHeight = option.fontMetrics.height();
        painter->save();
        painter->fillRect(r, selected ? palette.highlight() : palette.base());
        const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
        const int size = DriveListBox::kIconSize;
        icon.paint(painter, QRect(r.left() + r.width() / 2 - size / 2, r.top() + textHeight / 4, size, size));
        painter->setPen(selected ? palette.color(QPalette::HighlightedText) : palette.color(QPalette::Text));
        const QRect band(r.left(), r.top() + size + textHeight / 4, r.width(), r.height() - size - textHeight / 4);
        painter->drawText(band, Qt::AlignHCenter | Qt::AlignTop, index.data(Qt::DisplayRole).toString());
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.initFrom(option.widget);
            focus.rect = r;
            focus.backgroundColor = selected ? palette.color(QPalette::Highlight) : palette.color(QPalette::Base);
            QApplication::style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
        }
        painter->restore();
    }
};

} // namespace

DriveListBox::DriveListBox(QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new DriveDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QString DriveListBox::pictureOf(int deviceType)
{
    switch (deviceType) {
    case 0:
    case 1: return QStringLiteral(":/icons/drive-unit-525.svg");
    case 2:
    case 3:
    case 4:
    case 7:
    case 8: return QStringLiteral(":/icons/drive-unit-35.svg");
    default: return {};
    }
}

QString DriveListBox::entryText(int drive)
{
    return tr("Drive %1:").arg(QChar(u'A' + drive));
}

void DriveListBox::fill(DriveBackend& drives, Prompter& prompter, int floppyCount, int selected, bool imageFileEntry)
{
    clear();
    drives_ = 0;
    CDriveServices services(drives, prompter);
    for (int d = 0; d < floppyCount && d < DriveBackend::kDrives; ++d) {
        DeviceParameterBlock block(kDriveDefaultBpb);
        if (!services.GetDeviceParameters(d + 1, block))
            continue;
        const QString picture = pictureOf(block.deviceType());
        if (picture.isEmpty())
            continue;
        addEntry(entryText(d), picture, d);
        ++drives_;
    }
    if (imageFileEntry)
        addEntry(tr("Image File"), QStringLiteral(":/icons/image-file-large.svg"), kNoDrive);
    setCurrentRow(selected >= 0 && selected < drives_ ? selected : 0);
}

void DriveListBox::addEntry(const QString& text, const QString& picture, int drive)
{
    auto* item = new QListWidgetItem(QIcon(picture), text, this);
    item->setData(Qt::AccessibleTextRole, text);
    item->setData(kDriveRole, drive);
}

int DriveListBox::selectedDrive() const
{
    const QListWidgetItem* item = currentItem();
    return item ? item->data(kDriveRole).toInt() : kNoDrive;
}

} // namespace vellum
