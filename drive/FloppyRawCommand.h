#pragma once
// Raw floppy controller commands (FDRAWCMD) and the reading of their
// results, for kernels whose floppy driver offers them.
#include <cstdint>
#include <linux/fd.h>
#include <vector>

#include "drive/FormatRequest.h"

namespace vellum {

// READ ID on cylinder 0, head 0 of the drive's `unit`.
floppy_raw_cmd readIdCommand(int unit, std::uint8_t rate);
// FORMAT of one track with the sector IDs `format` gives for `head`, after a
// seek to physical `track`; `fields` holds the ID fields the command points to.
floppy_raw_cmd formatTrackCommand(int unit, const CylinderFormat& format, int head, int track, std::uint8_t rate,
                                  std::uint8_t formatGap, std::vector<unsigned char>& fields);
// The controller's result bytes ST0, ST1 and ST2 as a sector-driver status.
int statusOfReply(const floppy_raw_cmd& raw);

} // namespace vellum
