#pragma once
// What a diskette operation works with: the document, the drives and the
// sector driver in front of them, and the seams through which it asks the
// user, shows progress and reports to the status panel and the view. The
// application, vlm and the tests each build one from their own parts.
namespace vellum {

class CVLMDoc;
class DriveBackend;
class Progress;
class Prompter;
class SectorDriver;
class StatusPanel;
class ViewSink;

struct EngineContext {
    CVLMDoc& doc;
    DriveBackend& drives;
    SectorDriver* driver; // null when the sector driver could not be opened
    Prompter& prompter;
    Progress& progress;
    StatusPanel& panel;
    ViewSink& view;
};

} // namespace vellum
