#pragma once
// The picture of a rescue: one cell per sector, a row per cylinder and head,
// coloured by what the rescue knows of it, under the pass it is in. The
// rescue reports from its worker thread; the changes are kept under a lock
// and drawn on the GUI thread, one repaint for however many came meanwhile.
#include <QWidget>
#include <atomic>
#include <mutex>
#include <vector>

#include "ops/RescueObserver.h"

namespace vellum {

class CRescueGrid : public QWidget, public RescueObserver {
    Q_OBJECT
public:
    explicit CRescueGrid(QWidget* owner);

    // What the window shows, on the GUI thread.
    SectorState state(std::uint32_t sector) const;
    QString passText() const;

    void layout(std::uint32_t cylinders, std::uint32_t sectorsPerTrack) override;
    void sectorsChanged(std::uint32_t first, std::uint32_t count, SectorState state) override;
    void passStarted(int pass, int passes) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Asks for one repaint on the GUI thread unless one is asked already.
    void changed();

    mutable std::mutex mutex_;
    std::uint32_t sectorsPerTrack_ = 0;
    std::vector<SectorState> sectors_;
    QString pass_;
    std::atomic<bool> repaintAsked_ = false;
};

} // namespace vellum
