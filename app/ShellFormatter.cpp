#include "app/ShellFormatter.h"

#include "app/ShellDriveMenu.h"
#include "core/CVLMDoc.h"

namespace vellum {

bool ShellFormatter::formatDiskette(int drive)
{
    // The shell's format offers no DMF layout.
    if (doc_.geometry.DmfLargeClusters)
        return dmf_.formatDiskette(drive);
    const QString root = QStringLiteral("%1:\\").arg(QChar(u'a' + drive));
    return menu_(root, {}, ShellDriveMenu::kFormat) == ShellDriveMenu::kCarriedOut;
}

} // namespace vellum
