#pragma once
// The main view's private messages. An engine that has changed what the view
// shows posts one of these when it is done, instead of calling the view: the
// view handles it later, after the command that started the engine has
// returned. The Qt view queues each message on its event loop, vlm acts on
// the ones it needs, and tests record them.
//
//   void LoadEngine::finish() { sink_.post(ViewMessage::FillList); }
namespace vellum {

enum class ViewMessage {
    FillList,            // list the directory now in the document
    Initialize,          // back to the empty state, as after a failed load
    OpenImageFile,       // the drive list's image-file entry was chosen
    RefreshFromDiskette, // re-read the directory from the diskette
    DisketteLabel,       // change the diskette's label through the shell
    FinishRename,        // the in-place rename editor ended with Enter
};

class ViewSink {
public:
    virtual ~ViewSink() = default;
    // Never handled before it returns.
    virtual void post(ViewMessage message) = 0;
};

} // namespace vellum
