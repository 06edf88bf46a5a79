#pragma once
// Paths inside an image as vlm's words name them: folders and a file
// separated by "/", each by its long or its short name, case ignored.
#include <optional>
#include <string>

#include "cli/Session.h"
#include "core/DirectoryArea.h"

namespace vellum::cli {

// Lists the root of the image in the session again.
void listRoot(Session& session);
// Walks down a path of folders from the directory shown; false after telling why.
bool enterPath(Session& session, const std::string& path);
// Lists the folder that holds PATH's last part, from the root, and returns
// that part's entry; nothing after telling why.
std::optional<ListingRecord> resolve(Session& session, const std::string& path);

} // namespace vellum::cli
