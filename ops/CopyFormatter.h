#pragma once
// The formatter a copy uses for an unformatted target: an image of the DMF
// layout this program writes (3-sector FATs) gets a full DMF format with no
// volume label, which the copy then overwrites with the image's own system
// area; any other image gets its layout's cylinders from CylinderFormatter.
#include "ops/CylinderFormatter.h"
#include "ops/DisketteFormatter.h"
#include "ops/EngineContext.h"

namespace vellum {

class CopyFormatter : public DisketteFormatter {
public:
    explicit CopyFormatter(const EngineContext& context)
        : c_(context), cylinders_(context.doc, context.drives, context.prompter, &context.progress)
    {
    }

    // For a DMF image, false only when the user cancelled the format.
    bool formatDiskette(int drive) override;

private:
    EngineContext c_;
    CylinderFormatter cylinders_;
};

} // namespace vellum
