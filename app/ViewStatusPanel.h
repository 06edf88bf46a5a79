#pragma once
// The status panel as the main view shows it: the volume and memory lines in
// the upper strip, the last operation and its outcome in the lower one,
// reported from whichever thread the engine runs on.
#include "ops/StatusPanel.h"

namespace vellum {

class StatusStrip;

class ViewStatusPanel : public StatusPanel {
public:
    ViewStatusPanel(StatusStrip& upper, StatusStrip& lower);

protected:
    void changed() override;

private:
    StatusStrip& upper_;
    StatusStrip& lower_;
};

} // namespace vellum
