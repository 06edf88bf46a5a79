#pragma once
// Paths inside the image of a vlm session, as vlm's words name them.
#include "cli/Session.h"
#include "core/VolumePath.h"

namespace vellum::cli {

// The paths of the session's image. One held only as far as its system
// area gets each folder's clusters from its file as the folder is walked.
VolumePath pathsIn(Session& session);

} // namespace vellum::cli
