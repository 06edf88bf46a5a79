#include "ops/ui/CRescueGrid.h"

#include <QPainter>
#include <algorithm>
#include <array>

#include "core/Bpb.h"

namespace vellum {

namespace {

constexpr int kCell = 9;
constexpr int kMargin = 6;
constexpr int kTextHeight = 20;
// Room for the 160 rows of a 3.5-inch diskette, each a few pixels high.
constexpr int kShownRows = 160;
constexpr int kShownRowHeight = 3;
constexpr int kShownColumns = 18;
// Untried, Read, Retrying, Bad.
const std::array<QColor, 4> kColours = {QColor(0xc0, 0xc0, 0xc0), QColor(0x20, 0xa0, 0x40),
                                        QColor(0xf0, 0xc0, 0x20), QColor(0xd0, 0x20, 0x20)};

} // namespace

CRescueGrid::CRescueGrid(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setWindowTitle(tr("Rescue"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMinimumSize(2 * kMargin + kShownColumns * kCell, 2 * kMargin + kTextHeight + kShownRows * kShownRowHeight);
}

SectorState CRescueGrid::state(std::uint32_t sector) const
{
    std::scoped_lock lock(mutex_);
    return sector < sectors_.size() ? sectors_[sector] : SectorState::Untried;
}

QString CRescueGrid::passText() const
{
    std::scoped_lock lock(mutex_);
    return pass_;
}

void CRescueGrid::layout(std::uint32_t cylinders, std::uint32_t sectorsPerTrack)
{
    {
        std::scoped_lock lock(mutex_);
        sectorsPerTrack_ = sectorsPerTrack;
        sectors_.assign(static_cast<std::size_t>(cylinders) * kHeads * sectorsPerTrack, SectorState::Untried);
    }
    changed();
}

void CRescueGrid::sectorsChanged(std::uint32_t first, std::uint32_t count, SectorState state)
{
    {
        std::scoped_lock lock(mutex_);
        for (std::uint32_t s = first; s < first + count && s < sectors_.size(); ++s)
            sectors_[s] = state;
    }
    changed();
}

void CRescueGrid::passStarted(int pass, int passes)
{
    {
        std::scoped_lock lock(mutex_);
        pass_ = tr("Pass %1 of %2").arg(pass).arg(passes);
    }
    changed();
}

void CRescueGrid::changed()
{
    if (repaintAsked_.exchange(true))
        return;
    QMetaObject::invokeMethod(this, [this] {
        repaintAsked_ = false;
        setAccessibleDescription(passText());
        update();
    }, Qt::QueuedConnection);
}

void CRescueGrid::paintEvent(QPaintEvent*)
{
    std::scoped_lock lock(mutex_);
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.drawText(QRect(kMargin, 0, width() - 2 * kMargin, kTextHeight), Qt::AlignVCenter, pass_);
    if (sectorsPerTrack_ == 0)
        return;
    const int columns = static_cast<int>(sectorsPerTrack_);
    const int rows = static_cast<int>(sectors_.size()) / columns;
    const int cellWidth = std::max(1, (width() - 2 * kMargin) / columns);
    const int cellHeight = std::max(1, (height() - 2 * kMargin - kTextHeight) / std::max(rows, 1));
    for (int s = 0; s < static_cast<int>(sectors_.size()); ++s) {
        const QRect cell(kMargin + s % columns * cellWidth, kMargin + kTextHeight + s / columns * cellHeight,
                         cellWidth, cellHeight);
        painter.fillRect(cell.adjusted(0, 0, -1, -1), kColours[static_cast<std::size_t>(sectors_[s])]);
    }
}

} // namespace vellum
