#pragma once
// Files the program ships with (the tips, the sample diskette): beside the
// program in the build tree, in the installed share folder next to its bin
// folder, else in the desktop's data folders (~/.local/share/Orrindale/Vellum,
// /usr/share/Orrindale/Vellum, ...).
#include <QString>

namespace vellum {

// The file's path, or an empty string when it is nowhere.
QString locateDataFile(const QString& name);
// The same, for a program in that folder.
QString locateDataFile(const QString& name, const QString& programFolder);

} // namespace vellum
