#pragma once
// A view that records the messages posted to it, in order.
#include <vector>

#include "core/ViewSink.h"

namespace vellum::test {

class RecordingViewSink : public ViewSink {
public:
    void post(ViewMessage message) override { messages.push_back(message); }
    std::vector<ViewMessage> messages;
};

} // namespace vellum::test
