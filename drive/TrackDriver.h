#pragma once
// The DMF track driver: one request lays down both tracks of a cylinder
// with the sector IDs it lists, fill byte F6h and the format gap of the
// layout. The request block names no drive; the caller says which.
#include <cstdint>
#include <span>

#include "drive/DriveBackend.h"
#include "drive/FormatRequest.h"

namespace vellum {

class TrackDriver {
public:
    explicit TrackDriver(DriveBackend& backend) : backend_(backend) {}

    // Control code 1: a 404-byte request, a 32-byte reply whose first word
    // receives the status, which is also returned.
    int DrvFormatCylinder(int drive, std::span<const std::uint8_t> request, std::span<std::uint8_t> reply);

private:
    DriveBackend& backend_;
};

} // namespace vellum
