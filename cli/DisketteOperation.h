#pragma once
// Everything one diskette operation of vlm works with: the session, the
// drives from the settings, the sector driver, a terminal progress line, the
// status panel and a view that only remembers whether it was told to list
// the image in memory.
#include <cstdio>

#include "cli/Session.h"
#include "cli/TerminalProgress.h"
#include "core/ViewSink.h"
#include "drive/DriveBay.h"
#include "drive/SectorDriver.h"
#include "ops/EngineContext.h"
#include "ops/StatusPanel.h"

namespace vellum::cli {

class TerminalView : public ViewSink {
public:
    void post(ViewMessage message) override { listed_ = message == ViewMessage::FillList; }
    bool listed() const { return listed_; }

private:
    bool listed_ = false;
};

struct DisketteOperation {
    explicit DisketteOperation(bool assumeYes) : session(assumeYes) {}

    EngineContext context() { return {session.doc, bay.drives(), &driver, session.prompter, progress, panel, view}; }

    // The panel's two lower lines, as the operation left them.
    void printOutcome() const
    {
        std::printf("%s\n%s\n", panel.operationLine().c_str(), panel.statusLine().c_str());
    }

    Session session;
    DriveBay bay{session.profile};
    SectorDriver driver{bay.drives()};
    TerminalProgress progress{session.prompter};
    StatusPanel panel;
    TerminalView view;
};

} // namespace vellum::cli
